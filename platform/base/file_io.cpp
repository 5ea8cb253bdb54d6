#include "platform/base/file_io.h"

#include <cerrno>
#include <cstring>

#include "platform/base/encoding.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlane {

#ifdef _WIN32
std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(WideFromCp1252(path).c_str(), WideFromCp1252(mode).c_str());
}
bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(WideFromCp1252(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesW(WideFromCp1252(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool RemoveFile(const std::string& path) { return DeleteFileW(WideFromCp1252(path).c_str()) != 0; }
bool RenameReplacing(const std::string& from, const std::string& to) {
    return MoveFileExW(WideFromCp1252(from).c_str(), WideFromCp1252(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
std::string LastFileErrorText() {
    DWORD code = GetLastError();
    wchar_t* buf = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring text = buf ? buf : L"";
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (text.empty()) text = L"Erro " + std::to_wstring(code);
    return Cp1252FromWide(text);
}
#else
std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(Utf8FromCp1252(path).c_str(), mode);
}
bool FileExists(const std::string& path) {
    struct stat st;
    return stat(Utf8FromCp1252(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool FolderExists(const std::string& path) {
    struct stat st;
    return stat(Utf8FromCp1252(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool RemoveFile(const std::string& path) { return unlink(Utf8FromCp1252(path).c_str()) == 0; }
bool RenameReplacing(const std::string& from, const std::string& to) {
    return std::rename(Utf8FromCp1252(from).c_str(), Utf8FromCp1252(to).c_str()) == 0;
}
std::string LastFileErrorText() { return Cp1252FromUtf8(std::strerror(errno)); }
#endif

}  // namespace vorlane
