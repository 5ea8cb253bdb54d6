#include "platform/ui/button.h"

#include <windowsx.h>

#include <cwctype>

#include "platform/ui/app.h"
#include "platform/ui/skin.h"

namespace vorlane::ui {

SkinButton::SkinButton(HWND parent, int id, const Rect& r, const std::string& caption) {
    CreateWindowOf(L"BUTTON", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, parent, id, r, caption);
    Subclass();
}

wchar_t SkinButton::Mnemonic() const {
    wchar_t text[128] = {};
    GetWindowTextW(hwnd_, text, 128);
    for (int i = 0; text[i]; ++i)
        if (text[i] == L'&' && text[i + 1] && text[i + 1] != L'&') return static_cast<wchar_t>(towupper(text[i + 1]));
    return 0;
}

void SkinButton::SetGlyph(ButtonGlyph glyph) {
    glyph_ = glyph;
    Invalidate();
}

void SkinButton::Click() {
    if (IsWindowEnabled(hwnd_) && IsWindowVisible(hwnd_) && onClick) onClick();
}

LRESULT SkinButton::SubclassProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // The system button would take the focus here; ours only captures the mouse.
        SetCapture(hwnd_);
        tracking_ = pressed_ = true;
        Invalidate();
        return 0;
    case WM_MOUSEMOVE:
        if (tracking_) {
            RECT rc;
            GetClientRect(hwnd_, &rc);
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            bool inside = PtInRect(&rc, pt) != 0;
            if (inside != pressed_) {
                pressed_ = inside;
                Invalidate();
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        bool fire = tracking_ && pressed_;
        tracking_ = pressed_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        Invalidate();
        if (fire) Click();
        return 0;
    }
    case WM_CAPTURECHANGED:
        tracking_ = pressed_ = false;
        Invalidate();
        break;
    case BM_CLICK:
        Click();
        return 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
        LRESULT r = CallDefault(msg, wp, lp);
        Invalidate();
        return r;
    }
    }
    return CallDefault(msg, wp, lp);
}

bool SkinButton::OnDrawItem(const DRAWITEMSTRUCT& item) {
    wchar_t text[128] = {};
    GetWindowTextW(hwnd_, text, 128);
    ButtonLook look = !IsWindowEnabled(hwnd_) ? ButtonLook::Disabled : pressed_ ? ButtonLook::Pressed : ButtonLook::Normal;
    DrawSkinButton(item.hDC, item.rcItem, text, look, DefaultFont(), glyph_);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -4, -4);
        SetTextColor(item.hDC, RGB(255, 255, 255));
        SetBkColor(item.hDC, RGB(0, 0, 0));
        DrawFocusRect(item.hDC, &focus);
    }
    return true;
}

}  // namespace vorlane::ui
