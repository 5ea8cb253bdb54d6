#include "platform/ui/control.h"

#include <commctrl.h>

#include <stdexcept>

#include "platform/base/encoding.h"
#include "platform/ui/app.h"

namespace vorlane::ui {

namespace {
const wchar_t kControlProp[] = L"VorlaneControl";
}

Control::~Control() {
    if (hwnd_) {
        if (subclassed_) RemoveWindowSubclass(hwnd_, SubclassThunk, 0);
        RemovePropW(hwnd_, kControlProp);
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }
}

void Control::CreateWindowOf(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, int id,
                             const Rect& r, const std::string& text) {
    id_ = id;
    std::wstring wtext = WideFromCp1252(text);
    HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    hwnd_ = CreateWindowExW(exStyle, windowClass, wtext.c_str(), style, Scale(r.x), Scale(r.y), Scale(r.w), Scale(r.h), parent, menuOrId,
                            GetModuleHandleW(nullptr), this);
    if (!hwnd_) throw std::runtime_error("CreateWindowEx failed");
    SetPropW(hwnd_, kControlProp, this);
    SetFont(DefaultFont());
}

void Control::Subclass() {
    if (!subclassed_ && SetWindowSubclass(hwnd_, SubclassThunk, 0, reinterpret_cast<DWORD_PTR>(this)))
        subclassed_ = true;
}

LRESULT CALLBACK Control::SubclassThunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<Control*>(ref);
    LRESULT result = 0;
    if (!Guard([&] { result = self->SubclassProc(msg, wp, lp); })) return DefSubclassProc(hwnd, msg, wp, lp);
    return result;
}

LRESULT Control::SubclassProc(UINT msg, WPARAM wp, LPARAM lp) { return CallDefault(msg, wp, lp); }

LRESULT Control::CallDefault(UINT msg, WPARAM wp, LPARAM lp) { return DefSubclassProc(hwnd_, msg, wp, lp); }

Control* Control::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Control*>(GetPropW(hwnd, kControlProp)) : nullptr;
}

void Control::SetText(const std::string& text) { SetWindowTextW(hwnd_, WideFromCp1252(text).c_str()); }

std::string Control::Text() const {
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd_, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return Cp1252FromWide(w);
}

void Control::SetBounds(const Rect& r) { MoveWindow(hwnd_, Scale(r.x), Scale(r.y), Scale(r.w), Scale(r.h), TRUE); }

Rect Control::Bounds() const {
    RECT rc;
    GetWindowRect(hwnd_, &rc);
    HWND parent = GetParent(hwnd_);
    if (parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return {Unscale(rc.left), Unscale(rc.top), Unscale(rc.right - rc.left), Unscale(rc.bottom - rc.top)};
}

void Control::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

bool Control::Visible() const { return IsWindowVisible(hwnd_) != 0; }

void Control::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }

bool Control::Enabled() const { return IsWindowEnabled(hwnd_) != 0; }

void Control::Focus() {
    if (IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_)) ::SetFocus(hwnd_);
}

bool Control::Focused() const { return GetFocus() == hwnd_; }

void Control::SetFont(HFONT font) { SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

void Control::Invalidate() { InvalidateRect(hwnd_, nullptr, TRUE); }

bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (Control* c = Control::FromHandle(reinterpret_cast<HWND>(lp))) {
            bool handled = false;
            Guard([&] { handled = c->OnCommand(HIWORD(wp)); });
            result = 0;
            return handled;
        }
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (Control* c = Control::FromHandle(header->hwndFrom)) {
            bool handled = false;
            Guard([&] { handled = c->OnNotify(header, result); });
            return handled;
        }
        return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        if (Control* c = Control::FromHandle(reinterpret_cast<HWND>(lp))) {
            if (HBRUSH b = c->OnCtlColor(reinterpret_cast<HDC>(wp))) {
                result = reinterpret_cast<LRESULT>(b);
                return true;
            }
        }
        return false;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (Control* c = Control::FromHandle(item->hwndItem)) {
            bool handled = false;
            Guard([&] { handled = c->OnDrawItem(*item); });
            result = TRUE;
            return handled;
        }
        return false;
    }
    default:
        return false;
    }
}

}  // namespace vorlane::ui
