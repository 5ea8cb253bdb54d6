#pragma once
// Base of every control of the layer: a real child window (HWND) with a stable control id and
// its text readable by WM_GETTEXT. The owning container reflects WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR* and WM_DRAWITEM back to the control object, so each control handles its own
// notifications.
#include <windows.h>

#include <string>

namespace vorlane::ui {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

class Control {
public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    HWND Handle() const { return hwnd_; }
    int Id() const { return id_; }

    void SetText(const std::string& text);  // Windows-1252
    std::string Text() const;
    void SetBounds(const Rect& r);
    Rect Bounds() const;  // relative to the parent's client area
    void SetVisible(bool visible);
    bool Visible() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    // Gives the keyboard focus when the control can take it (visible and enabled).
    void Focus();
    bool Focused() const;
    void SetFont(HFONT font);
    void Invalidate();

    static Control* FromHandle(HWND hwnd);

    // Notifications reflected by the container; return true when handled.
    virtual bool OnCommand(WORD /*code*/) { return false; }
    virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    virtual HBRUSH OnCtlColor(HDC /*dc*/) { return nullptr; }
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }

protected:
    // Creates the window and attaches this object to it.
    void CreateWindowOf(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, int id,
                        const Rect& r, const std::string& text = {});
    // Routes the window's messages through SubclassProc (for system control classes).
    void Subclass();
    virtual LRESULT SubclassProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT CallDefault(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    int id_ = 0;

private:
    static LRESULT CALLBACK SubclassThunk(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool subclassed_ = false;
};

// Handles the reflected messages for a container window procedure; true when handled.
bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

}  // namespace vorlane::ui
