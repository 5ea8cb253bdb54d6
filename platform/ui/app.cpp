#include "platform/ui/app.h"

#include <commctrl.h>

#include <stdexcept>

#include "platform/base/encoding.h"
#include "platform/ui/skin.h"

namespace vorlane::ui {

namespace {
std::string g_title;
bool g_terminated = false;
std::function<void(const std::string&)> g_errorHook;

HFONT MakeFont(int points, bool bold) {
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"MS Sans Serif");
}
}  // namespace

void InitApplication(const std::string& title) {
    g_title = title;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    RegisterSkinClasses();
}

const std::string& ApplicationTitle() { return g_title; }

bool PreTranslate(MSG& msg) {
    if (!msg.hwnd) return false;
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    auto* preview = reinterpret_cast<KeyPreview*>(GetPropW(root, L"VorlaneKeyPreview"));
    return preview && preview->PreviewMessage(msg);
}

void DispatchQueued(MSG& msg) {
    if (PreTranslate(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int RunMessageLoop() {
    MSG msg;
    while (!g_terminated) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) break;
        DispatchQueued(msg);
    }
    return 0;
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            g_terminated = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchQueued(msg);
    }
}

void Terminate() {
    g_terminated = true;
    PostQuitMessage(0);
}

bool Terminated() { return g_terminated; }

void CancelTerminate() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    g_terminated = false;
}

void SetErrorBoxHook(std::function<void(const std::string&)> hook) { g_errorHook = std::move(hook); }

void ShowErrorBox(const std::string& text) {
    if (g_errorHook) {
        g_errorHook(text);
        return;
    }
    MessageBoxW(GetActiveWindow(), WideFromCp1252(text).c_str(), WideFromCp1252(g_title).c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

bool Guard(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
    } catch (...) {
        ShowErrorBox("Erro inesperado.");
    }
    return false;
}

int Dpi() {
    static const int dpi = [] {
        HDC dc = GetDC(nullptr);
        int d = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
        return d > 0 ? d : 96;
    }();
    return dpi;
}

int Scale(int logical) { return MulDiv(logical, Dpi(), 96); }

int Unscale(int physical) { return MulDiv(physical, 96, Dpi()); }

HFONT DefaultFont() {
    static HFONT f = MakeFont(8, false);
    return f;
}

HFONT BoldFont() {
    static HFONT f = MakeFont(8, true);
    return f;
}

HFONT HeadingFont() {
    static HFONT f = MakeFont(12, true);
    return f;
}

}  // namespace vorlane::ui
