#include "tests/win/support.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/base/encoding.h"

namespace vorlane::wintest {

ScratchFolder::ScratchFolder(const std::string& name) {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::string base = Cp1252FromWide(std::wstring(temp, n));
    while (!base.empty() && base.back() == '\\') base.pop_back();
    path_ = base + "\\vorlane-" + name + "-" + std::to_string(GetCurrentProcessId());
    RemoveTree(path_);
    if (!CreateDirectoryW(WideFromCp1252(path_).c_str(), nullptr)) ADD_FAILURE() << "cannot create " << path_;
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
    std::wstring w = WideFromCp1252(path);
    DWORD attributes = GetFileAttributesW(w.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!DeleteFileW(w.c_str())) RemoveDirectoryW(w.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((w + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + "\\" + Cp1252FromWide(name));
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(w.c_str());
}

std::string ReadBytes(const std::string& path) {
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
    ASSERT_EQ(n, bytes.size());
}

CurrentFolderGuard::CurrentFolderGuard(const std::string& folder) {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    previous_.resize(size);
    previous_.resize(GetCurrentDirectoryW(size, previous_.data()));
    if (!SetCurrentDirectoryW(WideFromCp1252(folder).c_str())) ADD_FAILURE() << "cannot enter " << folder;
}

CurrentFolderGuard::~CurrentFolderGuard() { SetCurrentDirectoryW(previous_.c_str()); }

std::string ExeFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return Cp1252FromWide(path.substr(0, path.find_last_of(L'\\')));
}

std::vector<RecordedStart> WaitForRecordedStarts(const std::string& folder, int timeoutMs) {
    const std::string log = folder + "\\recorder-log.txt";
    std::string text;
    // A block is complete once its empty closing line is there.
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        text = ReadBytes(log);
        if (text != "<missing>" && text.size() >= 4 && text.compare(text.size() - 4, 4, "\r\n\r\n") == 0) break;
        Sleep(20);
    }
    std::vector<RecordedStart> starts;
    const std::string commandTag = "CommandLine: ", folderTag = "\r\nCurrentFolder: ";
    for (size_t at = text.find(commandTag); at != std::string::npos; at = text.find(commandTag, at + 1)) {
        size_t folderAt = text.find(folderTag, at);
        size_t end = text.find("\r\n\r\n", at);
        if (folderAt == std::string::npos || end == std::string::npos) break;
        RecordedStart start;
        start.commandLine = Cp1252FromUtf8(text.substr(at + commandTag.size(), folderAt - at - commandTag.size()));
        start.currentFolder = Cp1252FromUtf8(text.substr(folderAt + folderTag.size(), end - folderAt - folderTag.size()));
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(WideFromCp1252(start.commandLine).c_str(), &argc);
        for (int i = 0; argv && i < argc; ++i) start.argv.push_back(Cp1252FromWide(argv[i]));
        LocalFree(argv);
        starts.push_back(start);
    }
    return starts;
}

bool ProgramWasStarted(const std::string& exePath) {
    const std::string folder = exePath.substr(0, exePath.find_last_of('\\'));
    if (ReadBytes(folder + "\\recorder-log.txt") != "<missing>") return true;
    const std::wstring wanted = WideFromCp1252(exePath);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot list the running processes";
        return true;
    }
    bool found = false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        wchar_t image[32768];
        DWORD size = 32768;
        if (QueryFullProcessImageNameW(process, 0, image, &size))
            found = CompareStringOrdinal(image, int(size), wanted.c_str(), int(wanted.size()), TRUE) == CSTR_EQUAL;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

RegistryValueGuard::RegistryValueGuard(HKEY root, const std::string& subkey, const std::string& name)
    : root_(root), subkey_(WideFromCp1252(subkey)), name_(WideFromCp1252(name)) {
    HKEY key;
    if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExW(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = RegQueryValueExW(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
}

RegistryValueGuard::~RegistryValueGuard() {
    HKEY key;
    if (RegCreateKeyExW(root_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExW(key, name_.c_str(), 0, type_, data_.data(), DWORD(data_.size()));
    else
        RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

void RegistryValueGuard::Set(const std::string& text, DWORD type) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(root_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::wstring w = WideFromCp1252(text);
    RegSetValueExW(key, name_.c_str(), 0, type, reinterpret_cast<const BYTE*>(w.c_str()),
                   DWORD((w.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void RegistryValueGuard::Delete() {
    HKEY key;
    if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

}  // namespace vorlane::wintest
