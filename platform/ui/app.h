#pragma once
// The application object of the control layer: start-up, the message loop, letting queued
// messages run during long work, the terminate request and the top-level error box.
#include <windows.h>

#include <functional>
#include <string>

namespace vorlane::ui {

// Registers the window classes and common controls; call once before creating windows.
void InitApplication(const std::string& title);
const std::string& ApplicationTitle();

// Runs the message loop until Terminate() or the main window's destruction.
int RunMessageLoop();
// Lets every queued window message run, then returns.
void ProcessMessages();
// Ends the message loop (the program then exits).
void Terminate();
bool Terminated();
// Forgets a terminate request and its queued quit message (in-process tests that go on).
void CancelTerminate();

// Shows an error nobody handled: the window goes on in the state it was in.
void ShowErrorBox(const std::string& text);
// Runs fn; an exception is shown in the error box instead of crossing a window procedure.
// Returns false when fn threw.
bool Guard(const std::function<void()>& fn);
// Replaces the error box (in-process tests record the text instead of a blocking box).
void SetErrorBoxHook(std::function<void(const std::string&)> hook);

// A top-level window that wants to see keys before its controls (Enter, Esc, shortcuts).
class KeyPreview {
public:
    virtual ~KeyPreview() = default;
    virtual bool PreviewMessage(MSG& msg) = 0;
};
// Offers a queued message to the preview of its top-level window; true when it was consumed.
bool PreTranslate(MSG& msg);
void DispatchQueued(MSG& msg);

// Layouts are written in pixels at 96 dots per inch; the program is DPI aware, so every
// position and size goes through these on its way to and from the window system.
int Dpi();
int Scale(int logical);
int Unscale(int physical);

HFONT DefaultFont();
HFONT BoldFont();
HFONT HeadingFont();

}  // namespace vorlane::ui
