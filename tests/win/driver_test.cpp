// The UI driver against a small window of its own, run by another thread of this process
// with its own message loop, as a program under test would be; and vorlane-driver.exe against
// the same window from another process.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/base/encoding.h"
#include "platform/win/files.h"
#include "tests/win/support.h"
#include "tools/driver/driver.h"

namespace vorlane::driver {
namespace {

using wintest::ScratchFolder;

const char kTitle[] = "Janela de Teste do Driver — ação";
enum { kEdit = 101, kButton = 102, kLabel = 103, kDisabled = 104, kHidden = 105, kPanel = 110, kInner = 106 };
const COLORREF kBackground = RGB(0, 128, 255);

// The window under test: an edit that refuses '/' and handles each character slowly, a
// button that counts its clicks into the label, a label that reports a double click, a
// disabled button, a hidden label and a button nested in a panel. Its message loop reports
// Enter and Esc in the label, as a program's accelerators would.
class TestWindow {
public:
    TestWindow() {
        std::promise<HWND> created;
        auto future = created.get_future();
        thread_ = std::thread([this, &created] { Run(created); });
        window_ = future.get();
    }
    ~TestWindow() {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }
    HWND control(int id) const { return FindChildById(window_, id); }
    DWORD threadId() const { return threadId_; }
    // The clicks the button has counted.
    static std::atomic<int>& Clicks() {
        static std::atomic<int> clicks{0};
        return clicks;
    }

private:
    static WNDPROC& EditProc() {
        static WNDPROC proc;
        return proc;
    }
    static LRESULT CALLBACK SlowEdit(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_CHAR) {
            Sleep(15);
            if (wp == L'/') return 0;
        }
        return CallWindowProcW(EditProc(), w, m, wp, lp);
    }
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_COMMAND && LOWORD(wp) == kButton && HIWORD(wp) == BN_CLICKED) {
            SetDlgItemTextW(w, kLabel, (L"Cliques: " + std::to_wstring(++Clicks())).c_str());
            return 0;
        }
        if (m == WM_COMMAND && LOWORD(wp) == kLabel && HIWORD(wp) == STN_DBLCLK) {
            SetDlgItemTextW(w, kLabel, L"Duplo");
            return 0;
        }
        if (m == WM_CREATE) Clicks() = 0;
        if (m == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcW(w, m, wp, lp);
    }

    void Run(std::promise<HWND>& created) {
        threadId_ = GetCurrentThreadId();
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = instance;
        wc.hbrBackground = CreateSolidBrush(kBackground);
        wc.lpszClassName = L"VorlaneDriverTest";
        RegisterClassW(&wc);
        HWND w = CreateWindowExW(0, wc.lpszClassName, WideFromCp1252(kTitle).c_str(), WS_OVERLAPPEDWINDOW, 100, 100,
                                 420, 320, nullptr, nullptr, instance, nullptr);
        auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, int id,
                         HWND parent) {
            return CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, cx, cy, parent, HMENU(INT_PTR(id)), instance,
                                   nullptr);
        };
        HWND edit = child(L"EDIT", L"", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 380, 24, kEdit, w);
        EditProc() = WNDPROC(SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(SlowEdit)));
        child(L"BUTTON", L"&Confirmar", WS_VISIBLE | BS_PUSHBUTTON, 10, 40, 120, 28, kButton, w);
        child(L"STATIC", L"Pronto", WS_VISIBLE | SS_NOTIFY, 140, 44, 200, 20, kLabel, w);
        HWND off = child(L"BUTTON", L"Desabilitado", WS_VISIBLE | BS_PUSHBUTTON, 10, 74, 120, 28, kDisabled, w);
        EnableWindow(off, FALSE);
        child(L"STATIC", L"Escondido", 0, 140, 78, 100, 20, kHidden, w);
        HWND panel = child(L"STATIC", L"", WS_VISIBLE, 10, 230, 200, 40, kPanel, w);
        child(L"BUTTON", L"Interno", WS_VISIBLE | BS_PUSHBUTTON, 5, 5, 100, 28, kInner, panel);
        ShowWindow(w, SW_SHOWNORMAL);
        UpdateWindow(w);
        created.set_value(w);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
                SetDlgItemTextW(w, kLabel, msg.wParam == VK_RETURN ? L"Enter" : L"Esc");
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    std::thread thread_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
};

class Driver : public ::testing::Test {
protected:
    TestWindow app_;
};

TEST_F(Driver, FindsTopLevelWindowsByTitleClassProcessOrChildText) {
    WindowQuery byTitle;
    byTitle.title = kTitle;
    EXPECT_EQ(FindTopWindow(byTitle), app_.window());
    WindowQuery byClass;
    byClass.className = "VorlaneDriverTest";
    byClass.processId = GetCurrentProcessId();
    EXPECT_EQ(FindTopWindow(byClass), app_.window());
    WindowQuery byChild;
    byChild.childText = "&Confirmar";
    EXPECT_EQ(FindTopWindow(byChild), app_.window());

    WindowQuery otherProcess = byTitle;
    otherProcess.processId = GetCurrentProcessId() + 4;
    EXPECT_EQ(FindTopWindow(otherProcess), nullptr);
    WindowQuery missing;
    missing.title = "Nenhuma janela tem este título";
    DWORD start = GetTickCount();
    EXPECT_EQ(WaitForWindow(missing, 300), nullptr);
    EXPECT_GE(GetTickCount() - start, 250u) << "waited for the timeout";
    EXPECT_TRUE(WaitForNoWindow(missing, 0));
    EXPECT_FALSE(WaitForNoWindow(byTitle, 100));
}

TEST_F(Driver, FindsControlsAnywhereBelowTheWindow) {
    HWND inner = FindChildById(app_.window(), kInner);
    ASSERT_NE(inner, nullptr) << "nested in a panel, which GetDlgItem alone would miss";
    EXPECT_EQ(GetDlgItem(app_.window(), kInner), nullptr);
    EXPECT_EQ(WindowText(inner), "Interno");
    EXPECT_EQ(FindChildById(app_.window(), 999), nullptr);
    EXPECT_EQ(FindChild(app_.window(), "Button", "&Confirmar"), app_.control(kButton));
    EXPECT_EQ(FindChild(app_.window(), "", "Interno"), inner);
    EXPECT_EQ(FindChild(app_.window(), "Static", "&Confirmar"), nullptr) << "class must match too";
    EXPECT_EQ(ClassName(app_.control(kEdit)), "Edit");
}

TEST_F(Driver, ReadsTextsAndStates) {
    EXPECT_EQ(WindowText(app_.window()), kTitle);
    EXPECT_EQ(WindowText(app_.control(kLabel)), "Pronto");
    EXPECT_EQ(WindowText(app_.control(kEdit)), "");
    EXPECT_TRUE(IsEnabled(app_.control(kButton)));
    EXPECT_FALSE(IsEnabled(app_.control(kDisabled)));
    EXPECT_TRUE(IsVisible(app_.control(kLabel)));
    EXPECT_FALSE(IsVisible(app_.control(kHidden)));
}

TEST_F(Driver, TypedCharactersAreHandledWhenTypeTextReturns) {
    HWND edit = app_.control(kEdit);
    ASSERT_TRUE(TypeText(edit, "Açougue São José"));
    EXPECT_EQ(WindowText(edit), "Açougue São José") << "no wait after typing: the driver settles itself";
    SetWindowTextW(edit, L"");
    ASSERT_TRUE(TypeText(edit, "Loja/Centro"));
    EXPECT_EQ(WindowText(edit), "LojaCentro") << "the characters went through the control's key handling";
}

// The first click activates the window, which Wine does through its desktop thread: the
// label changes after the driver's probes are answered (see Settle), so the test waits for it.
TEST_F(Driver, ClicksReachButtonsLikeAMouse) {
    HWND label = app_.control(kLabel);
    ASSERT_TRUE(Click(app_.control(kButton)));
    EXPECT_TRUE(WaitForText(label, "Cliques: 1")) << WindowText(label);
    ASSERT_TRUE(PressButton(app_.control(kButton)));
    EXPECT_TRUE(WaitForText(label, "Cliques: 2")) << WindowText(label);
    Click(app_.control(kDisabled));
    ASSERT_TRUE(DoubleClick(label));
    // The window's thread takes its messages in order: once the double click shows, the click
    // on the disabled button has been handled too.
    EXPECT_TRUE(WaitForText(label, "Duplo")) << WindowText(label);
    EXPECT_EQ(TestWindow::Clicks(), 2) << "a disabled button takes no click";
}

TEST_F(Driver, KeysGoToTheFocusedControlThroughTheMessageLoop) {
    HWND edit = app_.control(kEdit);
    ASSERT_TRUE(Click(edit));
    EXPECT_TRUE(WaitUntil([&] { return FocusedWindow(app_.window()) == edit; }, 5000)) << "a click gives the edit the focus";
    ASSERT_TRUE(PressEnter(app_.window()));
    EXPECT_TRUE(WaitForText(app_.control(kLabel), "Enter"));
    ASSERT_TRUE(PressEscape(app_.window(), edit));
    EXPECT_TRUE(WaitForText(app_.control(kLabel), "Esc"));
}

TEST_F(Driver, WaitUntilPollsUntilTrueOrTimeout) {
    int calls = 0;
    EXPECT_TRUE(WaitUntil([&] { return ++calls == 3; }, 5000));
    EXPECT_EQ(calls, 3);
    DWORD start = GetTickCount();
    EXPECT_FALSE(WaitUntil([] { return false; }, 200));
    EXPECT_GE(GetTickCount() - start, 180u);
}

TEST_F(Driver, CapturesTheWindowAsA24BitBitmap) {
    ScratchFolder scratch("driver-shot");
    const std::string file = scratch / "janela.bmp";
    ASSERT_TRUE(RedrawWindow(app_.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW));
    Settle(app_.window());
    ASSERT_TRUE(CaptureWindow(app_.window(), file));
    const std::string bytes = wintest::ReadBytes(file);
    ASSERT_GT(bytes.size(), sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER info;
    memcpy(&fileHeader, bytes.data(), sizeof fileHeader);
    memcpy(&info, bytes.data() + sizeof fileHeader, sizeof info);
    RECT r;
    GetWindowRect(app_.window(), &r);
    EXPECT_EQ(fileHeader.bfType, 0x4D42);
    EXPECT_EQ(fileHeader.bfSize, bytes.size());
    EXPECT_EQ(info.biWidth, r.right - r.left);
    EXPECT_EQ(info.biHeight, r.bottom - r.top);
    EXPECT_EQ(info.biBitCount, 24);

    // A point of the client area that only the background brush paints.
    POINT at = {300, 150};
    ClientToScreen(app_.window(), &at);
    const int x = at.x - r.left, y = at.y - r.top;
    const size_t stride = (size_t(info.biWidth) * 3 + 3) & ~size_t(3);
    const size_t offset = fileHeader.bfOffBits + size_t(info.biHeight - 1 - y) * stride + size_t(x) * 3;
    ASSERT_LT(offset + 2, bytes.size());
    const auto blue = uint8_t(bytes[offset]), green = uint8_t(bytes[offset + 1]), red = uint8_t(bytes[offset + 2]);
    EXPECT_EQ(red, GetRValue(kBackground));
    EXPECT_EQ(green, GetGValue(kBackground));
    EXPECT_EQ(blue, GetBValue(kBackground));

    EXPECT_FALSE(CaptureWindow(app_.window(), scratch / "não existe\\x.bmp"));
}

// vorlane-driver.exe, started as its own process, with its standard output captured.
struct Outcome {
    DWORD exitCode = 99;
    std::string output;  // UTF-8 as the program writes it
};

Outcome RunDriver(const std::vector<std::string>& args) {
    std::wstring line = L"\"" + WideFromCp1252(wintest::ExeFolder()) + L"\\vorlane-driver.exe\"";
    for (const std::string& a : args) line += L" \"" + WideFromCp1252(a) + L"\"";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    Outcome outcome;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return outcome;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) outcome.output.append(buffer, n);
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return outcome;
}

TEST_F(Driver, CommandProgramDrivesTheWindowFromAnotherProcess) {
    const std::string title = kTitle;
    EXPECT_EQ(RunDriver({"wait-window", title}).exitCode, 0u);
    Outcome text = RunDriver({"text", title, "103"});
    EXPECT_EQ(text.exitCode, 0u);
    EXPECT_EQ(text.output, "Pronto\n");

    EXPECT_EQ(RunDriver({"type", title, "101", "São José/Centro"}).exitCode, 0u);
    EXPECT_EQ(WindowText(app_.control(kEdit)), "São JoséCentro");
    EXPECT_EQ(Cp1252FromUtf8(RunDriver({"text", title, "101"}).output), "São JoséCentro\n");

    EXPECT_EQ(RunDriver({"click", title, "102"}).exitCode, 0u);
    EXPECT_EQ(RunDriver({"wait-text", title, "103", "Cliques: 1"}).exitCode, 0u);
    EXPECT_EQ(RunDriver({"--has-text", "&Confirmar", "click-text", "*", "&Confirmar"}).exitCode, 0u);
    EXPECT_TRUE(WaitForText(app_.control(kLabel), "Cliques: 2"));
    EXPECT_EQ(RunDriver({"press", title, "102"}).exitCode, 0u);
    EXPECT_TRUE(WaitForText(app_.control(kLabel), "Cliques: 3"));
    EXPECT_EQ(RunDriver({"enter", title, "101"}).exitCode, 0u);
    EXPECT_TRUE(WaitForText(app_.control(kLabel), "Enter"));
    EXPECT_EQ(RunDriver({"dblclick", title, "103"}).exitCode, 0u);
    EXPECT_TRUE(WaitForText(app_.control(kLabel), "Duplo"));

    EXPECT_EQ(RunDriver({"enabled", title, "102"}).exitCode, 0u);
    EXPECT_EQ(RunDriver({"enabled", title, "104"}).exitCode, 1u);
    EXPECT_EQ(RunDriver({"visible", title, "105"}).exitCode, 1u);

    ScratchFolder scratch("driver-cli");
    EXPECT_EQ(RunDriver({"shot", title, scratch / "tela.bmp"}).exitCode, 0u);
    EXPECT_EQ(wintest::ReadBytes(scratch / "tela.bmp").substr(0, 2), "BM");
}

TEST_F(Driver, CommandProgramFailsClearly) {
    const std::string title = kTitle;
    struct Case {
        std::vector<std::string> args;
        const char* message;  // part of what it writes
    };
    const Case cases[] = {
        {{"--timeout", "200", "wait-window", "Janela que não existe"}, "janela não encontrada"},
        {{"text", title, "999"}, "controle não encontrado"},
        {{"type", title, "101"}, "falta o texto"},
        {{"click-text", title, "Botão que não existe"}, "botão não encontrado"},
        {{"voar", title}, "comando desconhecido"},
        {{"--cor", "azul", "text", title}, "opção inválida"},
        {{"text"}, "uso:"},
        {{}, "uso:"},
    };
    for (const Case& c : cases) {
        Outcome outcome = RunDriver(c.args);
        EXPECT_EQ(outcome.exitCode, 1u) << c.message;
        EXPECT_NE(Cp1252FromUtf8(outcome.output).find(c.message), std::string::npos)
            << c.message << " / " << Cp1252FromUtf8(outcome.output);
    }
    EXPECT_EQ(WindowText(app_.control(kEdit)), "") << "nothing typed by a failed command";
}

}  // namespace
}  // namespace vorlane::driver
