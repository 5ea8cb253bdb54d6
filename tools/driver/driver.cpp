#include "tools/driver/driver.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/base/encoding.h"
#include "platform/base/file_io.h"

namespace vorlane::driver {

namespace {
// How long a window may take to answer before the driver gives up on it. Generous: on an
// emulated, busy machine a thread that pauses for the user's eye can look hung to Windows'
// own five-second rule, so the driver waits for the answer itself rather than trusting that.
const int kAnswerMs = 30000;

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

bool Matches(HWND window, const WindowQuery& query) {
    if (query.visibleOnly && !IsWindowVisible(window)) return false;
    if (query.processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != query.processId) return false;
    }
    if (!query.className.empty() && ClassOf(window) != WideFromCp1252(query.className)) return false;
    if (!query.title.empty() && WindowText(window) != query.title) return false;
    if (!query.childText.empty() && !FindChild(window, "", query.childText)) return false;
    return true;
}

template <class Test>
struct ChildSearch {
    Test& test;
    HWND found = nullptr;
};

template <class Test>
BOOL CALLBACK VisitChild(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch<Test>*>(data);
    if (!search->test(child)) return TRUE;
    search->found = child;
    return FALSE;
}

// EnumChildWindows goes through every descendant, not only the direct children.
template <class Test>
HWND FirstChild(HWND parent, Test test) {
    ChildSearch<Test> search{test};
    EnumChildWindows(parent, VisitChild<Test>, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct TopSearch {
    const WindowQuery& query;
    HWND found = nullptr;
};

BOOL CALLBACK VisitTop(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TopSearch*>(data);
    if (!Matches(window, search->query)) return TRUE;
    search->found = window;
    return FALSE;
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window && PostMessageW(window, message, wParam, lParam) && Settle(window);
}

LPARAM KeyData(UINT virtualKey, bool up) {
    LPARAM scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM data = 1 | (scan << 16);
    if (up) data |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    return data;
}

LPARAM Centre(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    return MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

HWND FindTopWindow(const WindowQuery& query) {
    TopSearch search{query};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const WindowQuery& query, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForNoWindow(const WindowQuery& query, int timeoutMs) {
    return WaitUntil([&] { return FindTopWindow(query) == nullptr; }, timeoutMs);
}

HWND FindChildById(HWND parent, int id) {
    return FirstChild(parent, [id](HWND child) { return GetDlgCtrlID(child) == id; });
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
    std::wstring wanted = WideFromCp1252(className);
    return FirstChild(parent, [&](HWND child) {
        return (wanted.empty() || ClassOf(child) == wanted) && WindowText(child) == text;
    });
}

std::string WindowText(HWND window) {
    // The text may change between the length and the text queries (another thread sets it):
    // read again until both agree, so a read never mixes two texts or cuts one short.
    for (int attempt = 0;; ++attempt) {
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerMs, &length)) return {};
        std::vector<wchar_t> text(length + 2, L'\0');
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                                 SMTO_NORMAL, kAnswerMs, &copied))
            return {};
        if (copied == length || attempt == 10)
            return Cp1252FromWide(std::wstring_view(text.data(), copied < text.size() ? copied : text.size() - 1));
    }
}

bool WaitForText(HWND window, const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return WindowText(window) == text; }, timeoutMs);
}

std::string ClassName(HWND window) { return Cp1252FromWide(ClassOf(window)); }

bool IsEnabled(HWND window) { return IsWindowEnabled(window) != 0; }

bool IsVisible(HWND window) { return IsWindowVisible(window) != 0; }

HWND FocusedWindow(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// A message sent from another thread is handled each time the target thread looks at its
// queue, before the posted messages; one answered WM_NULL therefore only proves that the thread
// came back to its queue, not that it took what was posted. The posted message is gone from
// the queue once the thread has come back to it twice more; a third answer allows for message
// loops that look at the queue before taking from it.
bool Settle(HWND window, int timeoutMs) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        // The caller's own window: nobody else will take the messages from this queue.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return true;
    }
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR ignored;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, UINT(timeoutMs), &ignored)) return false;
    }
    return true;
}

// Characters are sent, not posted: each one has gone through the control's own key handling
// (its key filter, its maximum length) when the call returns. A posted WM_CHAR would meet
// nothing more in the message loop (accelerators and dialog navigation look at key downs), but
// Settle could not tell when it was done: under load Wine answered the probes while the last
// characters were still on their way.
bool TypeText(HWND control, const std::string& text) {
    for (wchar_t c : WideFromCp1252(text)) {
        DWORD_PTR ignored;
        if (!SendMessageTimeoutW(control, WM_CHAR, c, 1, SMTO_NORMAL, kAnswerMs, &ignored)) return false;
    }
    return true;
}

bool PressKey(HWND window, UINT virtualKey, HWND target) {
    if (!target) target = FocusedWindow(window);
    if (!target) target = window;
    return Post(target, WM_KEYDOWN, virtualKey, KeyData(virtualKey, false)) &&
           Post(target, WM_KEYUP, virtualKey, KeyData(virtualKey, true));
}

bool Click(HWND control) {
    LPARAM at = Centre(control);
    return Post(control, WM_MOUSEMOVE, 0, at) && Post(control, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
           Post(control, WM_LBUTTONUP, 0, at);
}

bool DoubleClick(HWND control) {
    LPARAM at = Centre(control);
    return Click(control) && Post(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at) && Post(control, WM_LBUTTONUP, 0, at);
}

bool PressButton(HWND button) { return Post(button, BM_CLICK, 0, 0); }

bool CaptureWindow(HWND window, const std::string& bmpPath) {
    RECT r;
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up rows, as a BMP file stores them
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * DWORD(height);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) {
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + header.biSizeImage;
        std::FILE* out = OpenFile(bmpPath, "wb");
        ok = out && std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
             std::fwrite(bits, header.biSizeImage, 1, out) == 1;
        if (out && std::fclose(out) != 0) ok = false;
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace vorlane::driver
