#include "platform/ui/form.h"

#include <cwctype>

#include "platform/base/encoding.h"
#include "platform/ui/skin.h"

namespace vorlane::ui {

namespace {
// Close and minimise buttons of the title bar: skinned buttons drawn as glyphs.
class TitleButton : public SkinButton {
public:
    TitleButton(HWND parent, int id, const Rect& r, const std::string& text, char glyph)
        : SkinButton(parent, id, r, text), glyph_(glyph) {}
    bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
        DrawTitleGlyph(item.hDC, item.rcItem, glyph_, (item.itemState & ODS_SELECTED) != 0);
        return true;
    }

private:
    char glyph_;
};

BOOL CALLBACK PressMnemonic(HWND child, LPARAM lp) {
    auto* ctx = reinterpret_cast<std::pair<wchar_t, bool*>*>(lp);
    auto* b = dynamic_cast<SkinButton*>(Control::FromHandle(child));
    if (b && b->Visible() && b->Enabled() && b->Mnemonic() == ctx->first) {
        *ctx->second = true;
        Guard([&] { b->Click(); });
        return FALSE;
    }
    return TRUE;
}

void RegisterFormClass(const std::wstring& name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = FaceBrush();
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = name.c_str();
    RegisterClassExW(&wc);
}
}  // namespace

Form::Form(const Options& options) : options_(options) {
    RegisterFormClass(options.className, WindowProc);
    DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | (options.minimizeButton ? WS_MINIMIZEBOX : 0);
    DWORD ex = WS_EX_CONTROLPARENT | (options.topMost ? WS_EX_TOPMOST : 0) | (options.mainWindow ? WS_EX_APPWINDOW : 0);
    CreateWindowOf(options.className.c_str(), style, ex, nullptr, 0, {0, 0, options.width, options.height}, options.caption);
    SetPropW(hwnd_, L"VorlaneKeyPreview", static_cast<KeyPreview*>(this));
    closeButton_ = std::make_unique<TitleButton>(hwnd_, kCloseButtonId, Rect{}, "Fechar", 'x');
    closeButton_->onClick = [this] { Close(); };
    if (options.minimizeButton) {
        minimizeButton_ = std::make_unique<TitleButton>(hwnd_, kMinimizeButtonId, Rect{}, "Minimizar", '_');
        minimizeButton_->onClick = [this] { ShowWindow(hwnd_, SW_MINIMIZE); };
    }
    LayoutTitleButtons();
}

Form::~Form() {
    if (hwnd_) RemovePropW(hwnd_, L"VorlaneKeyPreview");
}

void Form::LayoutTitleButtons() {
    int width = ClientWidth();
    int size = options_.titleHeight - 8;
    int top = 1 + (options_.titleHeight - size) / 2;
    int x = width - 1 - 4 - size;
    closeButton_->SetBounds({x, top, size, size});
    if (minimizeButton_) minimizeButton_->SetBounds({x - size - 2, top, size, size});
}

Rect Form::Body() const {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    return {1, 1 + options_.titleHeight, Unscale(rc.right) - 2, Unscale(rc.bottom) - 2 - options_.titleHeight};
}

int Form::ClientWidth() const {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    return Unscale(rc.right);
}

void Form::SetCaption(const std::string& caption) {
    options_.caption = caption;
    SetText(caption);
    Invalidate();
}

void Form::SetSize(int width, int height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, Scale(width), Scale(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutTitleButtons();
    Invalidate();
}

void Form::ShowCentered() {
    // The first showing runs onShow before the window becomes visible, as it lays itself out there.
    if (!shown_) {
        shown_ = true;
        if (onShow) Guard(onShow);
    }
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    int x = work.left + (work.right - work.left - w) / 2, y = work.top + (work.bottom - work.top - h) / 2;
    SetWindowPos(hwnd_, options_.topMost ? HWND_TOPMOST : HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
}

void Form::ShowModal(HWND owner) {
    modal_ = true;
    modalDone_ = false;
    HWND focus = GetFocus();
    if (owner) EnableWindow(owner, FALSE);
    ShowCentered();
    MSG msg;
    while (!modalDone_) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchQueued(msg);
    }
    if (owner) EnableWindow(owner, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    if (owner) SetActiveWindow(owner);
    if (focus && IsWindow(focus)) ::SetFocus(focus);
    modal_ = false;
}

void Form::Close() {
    if (onCloseQuery) {
        bool allow = true;
        Guard([&] { allow = onCloseQuery(); });
        if (!allow) return;
    }
    if (modal_) {
        modalDone_ = true;
        PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
        return;
    }
    ShowWindow(hwnd_, SW_HIDE);
    if (options_.mainWindow) Terminate();
}

bool Form::PreviewMessage(MSG& msg) {
    if (onKeyPreview && onKeyPreview(msg)) return true;
    if (!IsWindowEnabled(hwnd_)) return false;
    bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    if (msg.message == WM_KEYDOWN && !ctrl && !alt) {
        for (Action* a : shortcuts_) {
            if (a->ShortcutKey() == msg.wParam && a->Enabled()) {
                Guard([&] { a->Execute(); });
                return true;
            }
        }
        if (msg.wParam == VK_TAB) {
            HWND next = GetNextDlgTabItem(hwnd_, GetFocus(), GetKeyState(VK_SHIFT) < 0);
            if (next) ::SetFocus(next);
            return true;
        }
    }
    if (msg.message == WM_SYSCHAR) {
        // Alt + the underlined letter of a visible, enabled skinned button presses it.
        wchar_t letter = static_cast<wchar_t>(towupper(static_cast<wint_t>(msg.wParam)));
        bool pressed = false;
        std::pair<wchar_t, bool*> ctx(letter, &pressed);
        EnumChildWindows(hwnd_, PressMnemonic, reinterpret_cast<LPARAM>(&ctx));
        return pressed;
    }
    return false;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = dynamic_cast<Form*>(Control::FromHandle(hwnd));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    if (!Guard([&] { result = self->HandleMessage(msg, wp, lp); })) return 0;
    return result;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_NCHITTEST: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ScreenToClient(hwnd_, &pt);
        if (pt.y >= 0 && pt.y < Scale(1 + options_.titleHeight)) return HTCAPTION;
        return HTCLIENT;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT rc;
        GetClientRect(hwnd_, &rc);
        HBRUSH black = CreateSolidBrush(kBorderColor);
        FrameRect(dc, &rc, black);
        DeleteObject(black);
        RECT bar{1, 1, rc.right - 1, Scale(1 + options_.titleHeight)};
        DrawTitleBar(dc, bar, WideFromCp1252(options_.caption), options_.controlBox);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_CONTEXTMENU:
        if (onContextMenu) {
            onContextMenu(reinterpret_cast<HWND>(wp), POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
            return 0;
        }
        break;
    case WM_COMMAND:
        if (lp == 0 && HIWORD(wp) == 0 && onMenuCommand) {
            onMenuCommand(LOWORD(wp));
            return 0;
        }
        break;
    case WM_SIZE:
        if (closeButton_) LayoutTitleButtons();
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

namespace {
struct TopWindowSearch {
    HWND except;
    HWND found = nullptr;
};

BOOL CALLBACK VisitThreadWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TopWindowSearch*>(data);
    if (window == search->except || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
        GetWindow(window, GW_OWNER))
        return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND TopWindowOfThread(HWND except) {
    TopWindowSearch search{except};
    EnumThreadWindows(GetCurrentThreadId(), VisitThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace vorlane::ui
