#pragma once
// Drives the windows of a running program (of another process or of this one) the way a user
// does: through window messages to real controls. Texts are Windows-1252.
//
// Keys and clicks are posted to the target's message queue, so they pass through its message
// loop (dialog navigation, accelerators) as real input does; each call returns once the target
// thread has taken them from its queue (see Settle). Typed characters are sent to the control.
#include <windows.h>

#include <functional>
#include <string>

namespace vorlane::driver {

// What a top-level window must match; empty fields match anything.
struct WindowQuery {
    std::string title;      // the window's whole text
    std::string className;  // e.g. "#32770" for dialogs
    DWORD processId = 0;
    std::string childText;  // some descendant window has this whole text (for captionless dialogs)
    bool visibleOnly = true;
};

// Calls until it returns true or timeoutMs pass, checking every 20 ms. False on timeout.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

HWND FindTopWindow(const WindowQuery& query);
HWND WaitForWindow(const WindowQuery& query, int timeoutMs);
// Waits until no top-level window matches.
bool WaitForNoWindow(const WindowQuery& query, int timeoutMs);

// A descendant (at any depth) with this control id; nullptr when there is none.
HWND FindChildById(HWND parent, int id);
// A descendant of this class (empty: any) whose whole text is text.
HWND FindChild(HWND parent, const std::string& className, const std::string& text);

std::string WindowText(HWND window);
// Waits until window shows text; false on timeout. Tests assert through it: a message posted
// to another thread may still be on its way when Settle returns (see there).
bool WaitForText(HWND window, const std::string& text, int timeoutMs = 30000);
std::string ClassName(HWND window);
bool IsEnabled(HWND window);
bool IsVisible(HWND window);
// The control that has the keyboard focus in the thread that owns window.
HWND FocusedWindow(HWND window);

// Returns once the thread that owns window has taken the messages posted to it so far and is
// waiting for more; false when it does not answer within timeoutMs. A handler that itself
// waits on another thread (activation, focus, a message to the desktop) answers these probes
// from inside that wait, before it is done: what the handler changes is checked by waiting for
// it (WaitForText, WaitUntil), not read at once.
bool Settle(HWND window, int timeoutMs = 30000);

// Types text into control: one WM_CHAR per character, each handled when the call returns.
bool TypeText(HWND control, const std::string& text);
// A key pressed and released (WM_KEYDOWN, WM_KEYUP); target nullptr means the control that
// has the focus in window's thread.
bool PressKey(HWND window, UINT virtualKey, HWND target = nullptr);
inline bool PressEnter(HWND window, HWND target = nullptr) { return PressKey(window, VK_RETURN, target); }
inline bool PressEscape(HWND window, HWND target = nullptr) { return PressKey(window, VK_ESCAPE, target); }

// The left mouse button pressed and released at the centre of control.
bool Click(HWND control);
bool DoubleClick(HWND control);
// BM_CLICK, posted: the button clicks itself, even a button that opens a modal dialog.
bool PressButton(HWND button);

// Writes what the screen shows in window's rectangle to a 24-bit BMP file.
bool CaptureWindow(HWND window, const std::string& bmpPath);

}  // namespace vorlane::driver
