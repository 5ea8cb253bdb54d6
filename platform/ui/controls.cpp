#include "platform/ui/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "platform/base/encoding.h"
#include "platform/ui/app.h"

namespace vorlane::ui {

namespace {
const wchar_t kPanelClass[] = L"VorlanePanel";
const wchar_t kPictureClass[] = L"VorlanePicture";
const wchar_t kProgressClass[] = L"VorlaneProgress";

template <typename T>
T* ObjectOf(HWND hwnd) {
    return dynamic_cast<T*>(Control::FromHandle(hwnd));
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, FaceBrush());
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (auto* p = ObjectOf<Panel>(hwnd); p && p->topBevel) {
            RECT rc;
            GetClientRect(hwnd, &rc);
            RECT line{0, 0, rc.right, 2};
            DrawEdge(dc, &line, BDR_RAISEDINNER, BF_TOP);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        if (auto* p = ObjectOf<Picture>(hwnd)) {
            FillRect(dc, &rc, FaceBrush());
            DrawArtwork(dc, rc, p->art);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* bar = ObjectOf<ProgressBar>(hwnd);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        double fraction = bar && bar->Max() > 0 ? bar->Position() / bar->Max() : 0.0;
        DrawProgressFill(dc, rc, fraction);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case PBM_GETPOS:  // for screen readers and black-box tests
        return bar ? static_cast<LRESULT>(std::lround(bar->Position())) : 0;
    case PBM_GETRANGE:
        return bar ? static_cast<LRESULT>(std::lround(wp ? 0 : bar->Max())) : 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void RegisterClassOf(const wchar_t* name, WNDPROC proc, HCURSOR cursor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = cursor;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}
}  // namespace

void RegisterSkinClasses() {
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassOf(kPanelClass, PanelProc, arrow);
    RegisterClassOf(kPictureClass, PictureProc, arrow);
    RegisterClassOf(kProgressClass, ProgressProc, arrow);
}

Panel::Panel(HWND parent, int id, const Rect& r, bool bevel) : topBevel(bevel) {
    CreateWindowOf(kPanelClass, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP * 0,
                   WS_EX_CONTROLPARENT, parent, id, r);
}

Notebook::Notebook(HWND parent, int id, const Rect& r) {
    CreateWindowOf(kPanelClass, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent, id, r);
}

Panel& Notebook::AddPage(const std::string& name) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    int pageId = id_ * 10 + static_cast<int>(pages_.size()) + 1;
    pages_.push_back(std::make_unique<Panel>(hwnd_, pageId, Rect{0, 0, Unscale(rc.right), Unscale(rc.bottom)}));
    names_.push_back(name);
    pages_.back()->SetText(name);
    pages_.back()->SetVisible(false);
    return *pages_.back();
}

void Notebook::SetPageIndex(int index) {
    if (index < 0 || index >= PageCount() || index == index_) return;
    pages_[static_cast<size_t>(index)]->SetVisible(true);
    if (index_ >= 0) {
        // Moving the focus off a page that is being hidden, as the platform's notebook does.
        HWND focus = GetFocus();
        HWND old = pages_[static_cast<size_t>(index_)]->Handle();
        if (focus && (focus == old || IsChild(old, focus))) SetFocus(GetAncestor(hwnd_, GA_ROOT));
        pages_[static_cast<size_t>(index_)]->SetVisible(false);
    }
    index_ = index;
}

Label::Label(HWND parent, int id, const Rect& r, const std::string& text, Style style) : style_(style) {
    DWORD ss = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (style.center ? SS_CENTER : SS_LEFT);
    if (style.clickable) ss |= SS_NOTIFY;
    if (style.etchedLine) ss = WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ;
    CreateWindowOf(L"STATIC", ss, 0, parent, id, r, text);
    if (style.font) SetFont(style.font);
    if (style.clickable) Subclass();
}

bool Label::OnCommand(WORD code) {
    if (code == STN_CLICKED && onClick) {
        onClick();
        return true;
    }
    return false;
}

HBRUSH Label::OnCtlColor(HDC dc) {
    SetTextColor(dc, style_.color);
    SetBkColor(dc, kFaceColor);
    return FaceBrush();
}

LRESULT Label::SubclassProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETCURSOR) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return CallDefault(msg, wp, lp);
}

Edit::Edit(HWND parent, int id, const Rect& r, const std::string& text) {
    CreateWindowOf(L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, parent, id, r, text);
    Subclass();
}

void Edit::SetMaxLength(int n) { SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(n), 0); }

LRESULT Edit::SubclassProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CHAR) {
        if (wp == L'\r' || wp == L'\n') return 0;  // Enter belongs to the window's shortcut
        if (onKeyPress) {
            wchar_t w = static_cast<wchar_t>(wp);
            std::string code = Cp1252FromWide(std::wstring_view(&w, 1));
            char key = code.empty() ? 0 : code[0];
            onKeyPress(key);
            if (key == 0) return 0;
            wp = static_cast<WPARAM>(WideFromCp1252(std::string(1, key))[0]);
        }
    }
    return CallDefault(msg, wp, lp);
}

Memo::Memo(HWND parent, int id, const Rect& r) {
    CreateWindowOf(L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                   WS_EX_CLIENTEDGE, parent, id, r);
    Subclass();
}

LRESULT Memo::SubclassProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_KEYDOWN && wp == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
        SendMessageW(hwnd_, EM_SETSEL, 0, -1);
        return 0;
    }
    // Its character (0x01) would only beep.
    if (msg == WM_CHAR && wp == 1) return 0;
    return CallDefault(msg, wp, lp);
}

void Memo::UseFaceColour() {
    faceColour_ = true;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

HBRUSH Memo::OnCtlColor(HDC dc) {
    if (faceColour_) {
        SetBkColor(dc, kFaceColor);
        return FaceBrush();
    }
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
}

CheckBox::CheckBox(HWND parent, int id, const Rect& r, const std::string& text, bool checked) {
    CreateWindowOf(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, parent, id, r, text);
    SetChecked(checked);
}

bool CheckBox::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) { SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

bool CheckBox::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) {
        onClick();
        return true;
    }
    return false;
}

HBRUSH CheckBox::OnCtlColor(HDC dc) {
    SetBkColor(dc, kFaceColor);
    return FaceBrush();
}

GroupBox::GroupBox(HWND parent, int id, const Rect& r, const std::string& text) {
    // The group box does not paint its inside; it erases it itself, under the controls that
    // sit on it (clipped away as siblings), so nothing of a page shown before shows through.
    CreateWindowOf(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0, parent, id, r, text);
    Subclass();
}

LRESULT GroupBox::SubclassProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, FaceBrush());
        return 1;
    }
    return CallDefault(msg, wp, lp);
}

HBRUSH GroupBox::OnCtlColor(HDC dc) {
    SetBkColor(dc, kFaceColor);
    return FaceBrush();
}

Picture::Picture(HWND parent, int id, const Rect& r, Artwork a) : art(a) {
    CreateWindowOf(kPictureClass, WS_CHILD | WS_VISIBLE, 0, parent, id, r);
}

ProgressBar::ProgressBar(HWND parent, int id, const Rect& r) {
    CreateWindowOf(kProgressClass, WS_CHILD | WS_VISIBLE, 0, parent, id, r);
}

void ProgressBar::SetMax(double max) {
    max_ = std::max(0.0, max);
    position_ = std::clamp(position_, 0.0, max_);
    Invalidate();
}

void ProgressBar::SetPosition(double position) {
    position_ = std::clamp(position, 0.0, max_);
    Invalidate();
}

}  // namespace vorlane::ui
