#pragma once
// A top-level window with the skin's frame: a 1-pixel black border and a title bar of its own
// (caption, control box, minimise and close buttons), dragged by its title bar. It sees keys
// before its controls, for action shortcuts, Tab and the buttons' '&' letters, and it can run
// modally over its owner.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/action.h"
#include "platform/ui/app.h"
#include "platform/ui/button.h"
#include "platform/ui/control.h"
#include "platform/ui/skin.h"

namespace vorlane::ui {

constexpr int kCloseButtonId = 9001;
constexpr int kMinimizeButtonId = 9002;

class Form : public Control, public KeyPreview {
public:
    struct Options {
        std::wstring className;  // window class, e.g. the form's type name
        std::string caption;     // window text and title bar caption
        int width = 400, height = 300;
        int titleHeight = kTitleBarHeight;
        bool minimizeButton = true;
        bool controlBox = true;
        bool mainWindow = false;  // closing it ends the application
        bool topMost = false;
    };
    explicit Form(const Options& options);
    ~Form() override;

    // The area below the title bar, inside the border, in client coordinates.
    Rect Body() const;
    void SetCaption(const std::string& caption);
    void SetSize(int width, int height);
    int ClientWidth() const;

    // Asked before the window closes; return false to keep it open.
    std::function<bool()> onCloseQuery;
    std::function<void()> onShow;
    // Sees key messages first; return true to consume.
    std::function<bool(MSG&)> onKeyPreview;
    void AddShortcut(Action& action) { shortcuts_.push_back(&action); }
    // A right-click on a child (WM_CONTEXTMENU) and a menu command (WM_COMMAND from a menu).
    std::function<void(HWND child, POINT screen)> onContextMenu;
    std::function<void(int commandId)> onMenuCommand;

    void ShowCentered();
    // Runs modally: the owner is disabled until Close(); then the form hides.
    void ShowModal(HWND owner);
    void Close();
    bool IsShowingModal() const { return modal_ && !modalDone_; }

    bool PreviewMessage(MSG& msg) override;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void LayoutTitleButtons();

    Options options_;
    std::unique_ptr<SkinButton> closeButton_, minimizeButton_;
    std::vector<Action*> shortcuts_;
    bool modal_ = false, modalDone_ = false, shown_ = false;
};

// The first visible, enabled top-level window of the calling thread other than except: the
// program's own main window, whichever program the user made active meanwhile.
HWND TopWindowOfThread(HWND except);

}  // namespace vorlane::ui
