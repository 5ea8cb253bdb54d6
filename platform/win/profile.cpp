#include "platform/win/profile.h"

#include <windows.h>

#include "platform/base/encoding.h"
#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/win/full_path.h"

// Why the profile API is not always enough: Windows keeps a profile file's text in UTF-16 and
// reads and writes a file without a byte-order mark in the ANSI code page. Windows-1252 bytes
// given to WritePrivateProfileStringA (or their UTF-16 form given to the W function) come back
// as the same bytes only when the ANSI code page is 1252; under a double-byte code page (932,
// 936, 949, 950) or UTF-8, accented letters turn into other bytes or '?'. On such a machine
// the file's bytes are edited here directly.

namespace vorlane::win {

namespace {
[[noreturn]] void RefuseWrite(const std::string& file) { throw Error("Unable to write to " + file); }

// The file's full path, so that a bare name is never taken as a file in the Windows folder.
std::wstring ProfilePath(const std::string& file) {
    std::wstring full = detail::FullPath(WideFromCp1252(file));
    return full.empty() ? WideFromCp1252(file) : full;
}

void WriteThroughApi(const std::wstring& path, const std::string& file, const std::string& section,
                     const std::string& key, const std::string& value) {
    if (!WritePrivateProfileStringW(WideFromCp1252(section).c_str(), WideFromCp1252(key).c_str(),
                                    WideFromCp1252(value).c_str(), path.c_str()))
        RefuseWrite(file);
}

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

bool HasByteOrderMark(const std::string& text) {
    return text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0 || text.rfind("\xEF\xBB\xBF", 0) == 0;
}

// The profile format as Windows reads it: "[name]" starts a section, "name=value" is a key;
// names are compared ignoring case and surrounding blanks.
std::string WithKey(const std::string& text, const std::string& section, const std::string& key,
                    const std::string& value) {
    const std::string entry = key + "=" + value;
    bool inSection = false;
    size_t sectionEnd = std::string::npos;  // just after the section's last non-blank line
    for (size_t start = 0; start < text.size();) {
        size_t lineEnd = text.find('\n', start);
        size_t next = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
        size_t contentEnd = lineEnd == std::string::npos ? text.size() : lineEnd;
        if (contentEnd > start && text[contentEnd - 1] == '\r') --contentEnd;
        std::string line = Trim(std::string_view(text).substr(start, contentEnd - start));
        if (!line.empty() && line[0] == '[') {
            if (inSection) break;
            size_t close = line.find(']');
            inSection = EqualsIgnoreAsciiCase(Trim(line.substr(1, close == std::string::npos ? close : close - 1)),
                                              Trim(section));
            if (inSection) sectionEnd = next;
        } else if (inSection && !line.empty()) {
            size_t eq = line.find('=');
            if (eq != std::string::npos && EqualsIgnoreAsciiCase(Trim(line.substr(0, eq)), Trim(key)))
                return text.substr(0, start) + entry + text.substr(contentEnd);
            sectionEnd = next;
        }
        start = next;
    }
    std::string result = text;
    if (sectionEnd != std::string::npos) {
        std::string insert = entry + "\r\n";
        if (sectionEnd == text.size() && !text.empty() && text.back() != '\n') insert = "\r\n" + insert;
        return result.insert(sectionEnd, insert);
    }
    if (!result.empty() && result.back() != '\n') result += "\r\n";
    return result + "[" + section + "]\r\n" + entry + "\r\n";
}

void EditBytes(const std::wstring& path, const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) {
    {
        FileHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle.ok()) RefuseWrite(file);
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle.get(), &size) || size.QuadPart > 64 * 1024 * 1024) RefuseWrite(file);
        std::string text(size_t(size.QuadPart), '\0');
        DWORD done = 0;
        if (!text.empty() && (!ReadFile(handle.get(), text.data(), DWORD(text.size()), &done, nullptr) ||
                              done != text.size()))
            RefuseWrite(file);
        if (!HasByteOrderMark(text)) {
            std::string updated = WithKey(text, section, key, value);
            LARGE_INTEGER zero = {};
            if (!SetFilePointerEx(handle.get(), zero, nullptr, FILE_BEGIN) ||
                !WriteFile(handle.get(), updated.data(), DWORD(updated.size()), &done, nullptr) ||
                done != updated.size() || !SetEndOfFile(handle.get()))
                RefuseWrite(file);
            return;
        }
    }
    // A Unicode profile file keeps every character; the API writes it correctly.
    WriteThroughApi(path, file, section, key, value);
}
}  // namespace

namespace detail {
void WriteIniBytes(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
    EditBytes(ProfilePath(file), file, section, key, value);
}
}  // namespace detail

void WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::wstring path = ProfilePath(file);
    if (GetACP() == 1252)
        WriteThroughApi(path, file, section, key, value);
    else
        EditBytes(path, file, section, key, value);
}

}  // namespace vorlane::win
