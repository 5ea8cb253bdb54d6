// Notes how this program was started, then exits. For every start it appends one block to
// "recorder-log.txt" in the folder of its own executable, in UTF-8:
//
//   CommandLine: <the full command line, as GetCommandLineW gives it>
//   CurrentFolder: <the current folder at start>
//   <empty line>
//
// It is also copied under other names (such as Ostrel.exe) into test installations; the log
// keeps its name whatever the executable is called.
//
// With "--fica <event>" at the end of its command line it stays running after writing its
// block, as a program in use, until that named event is set (at most ten minutes).
#include <windows.h>

#include <string>

namespace {
std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    path.resize(n);
    size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring CurrentFolder() {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return folder;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::string block = "CommandLine: " + Utf8(GetCommandLineW()) + "\r\nCurrentFolder: " + Utf8(CurrentFolder()) +
                        "\r\n\r\n";
    HANDLE log = CreateFileW((OwnFolder() + L"recorder-log.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(log, block.data(), DWORD(block.size()), &written, nullptr);
    CloseHandle(log);
    const std::wstring line = GetCommandLineW();
    const size_t stay = line.find(L" --fica ");
    if (stay != std::wstring::npos) {
        if (HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, line.substr(stay + 8).c_str())) {
            WaitForSingleObject(end, 10 * 60 * 1000);
            CloseHandle(end);
        }
    }
    return ok && written == block.size() ? 0 : 1;
}
