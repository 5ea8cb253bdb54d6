#pragma once
// Real pointer and keyboard input, through the X server the program's windows are on: the
// pointer really moves and clicks, keys are really pressed, so the system's hit-testing,
// z-order, activation, focus and modality decide where they go, as for a user. The input
// itself comes from the test's input server (tools/entrada/entrada_x.py), whose folder the
// environment variable VORLANE_X_INPUT names. Each call returns once the X server has
// taken the input; what the program does with it is waited for by the caller (WaitUntil,
// WaitForText). Texts are Windows-1252.
#include <windows.h>

#include <string>

namespace vorlane::driver::real {

// True when an input server is there to use.
bool Available();
// Why the last call failed, for a test's message.
const std::string& LastError();

bool MoveTo(POINT screen);
// Button 1 left, 3 right; 4 and 5 turn the wheel up and down.
bool ClickAt(POINT screen, int button = 1, int count = 1);
// Keys as X names them ("Return", "Escape", "Tab", "ctrl+a", "ctrl+c"), each pressed and
// released. The keyboard goes to the window under the pointer, so the pointer is moved over
// window first (at point, or at its centre when point is null).
bool Keys(HWND window, const std::string& keys, const POINT* point = nullptr);
bool Type(HWND window, const std::string& text, const POINT* point = nullptr);

// The centre of a window on the screen, and a point inside it from its top-left corner.
POINT CentreOf(HWND window);
POINT PointIn(HWND window, int x, int y);
inline bool Click(HWND window, int button = 1) { return ClickAt(CentreOf(window), button); }

}  // namespace vorlane::driver::real
