#include "platform/win/shell.h"

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/base/encoding.h"
#include "platform/win/full_path.h"

namespace vorlane::win {

namespace {
// The form of a full path that the file functions take at any length.
std::wstring LongForm(const std::wstring& full) {
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool IsDots(const wchar_t* name) { return !wcscmp(name, L".") || !wcscmp(name, L".."); }

// Whether some entry of the tree (links not followed) has a full path of at least limit
// characters.
bool TreeReaches(const std::wstring& full, size_t limit) {
    if (full.size() >= limit) return true;
    DWORD attributes = GetFileAttributesW(LongForm(full).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(LongForm(full + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool reaches = false;
    do {
        if (IsDots(data.cFileName)) continue;
        reaches = TreeReaches(full + L"\\" + data.cFileName, limit);
    } while (!reaches && FindNextFileW(find, &data));
    FindClose(find);
    return reaches;
}

// Deletes the tree entry by entry, read-only entries too; a link is removed, never followed.
bool DeleteTree(const std::wstring& full) {
    const std::wstring path = LongForm(full);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
    bool ok = true;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!IsDots(data.cFileName) && !DeleteTree(full + L"\\" + data.cFileName)) ok = false;
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    return RemoveDirectoryW(path.c_str()) != 0 && ok;
}
}  // namespace

bool ShellDelete(HWND owner, const std::string& path) {
    std::wstring full = detail::FullPath(WideFromCp1252(path));
    if (full.empty()) return false;
    // The shell builds the names below the folder in MAX_PATH buffers. Where a name does not
    // fit, it fails at best; Wine then even deletes the entries of the current folder instead.
    // Such a tree is deleted here, without the shell's windows.
    if (TreeReaches(full, MAX_PATH)) return DeleteTree(full);
    // The source is a list of names, each ended by a zero, the list by one more.
    std::wstring from = full;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.hwnd = owner;
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();  // c_str() adds the final zero
    op.fFlags = FOF_NOCONFIRMATION;
    int result = SHFileOperationW(&op);
    return result == 0 && !op.fAnyOperationsAborted;
}

std::optional<std::string> KnownFolderPath(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    HRESULT hr = SHGetKnownFolderPath(id, 0, nullptr, &path);
    std::optional<std::string> result;
    if (SUCCEEDED(hr) && path && *path) result = Cp1252FromWide(path);
    CoTaskMemFree(path);
    return result;
}

namespace {
// Full form without trailing backslashes ("C:\" becomes "C:"); empty when it has none.
std::wstring Normalised(const std::wstring& path) {
    if (path.empty()) return {};
    std::wstring full = detail::FullPath(path);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    return full;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// True when inner lies below outer (both normalised).
bool IsInside(const std::wstring& inner, const std::wstring& outer) {
    return inner.size() > outer.size() && inner[outer.size()] == L'\\' &&
           SameText(inner.substr(0, outer.size()), outer);
}

bool IsRoot(const std::wstring& full) {
    if (full.size() == 2 && full[1] == L':') return true;
    if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\') {
        // \\server\share, or \\?\C: style prefixes of a drive
        size_t server = full.find(L'\\', 2);
        if (server == std::wstring::npos) return true;
        size_t share = full.find(L'\\', server + 1);
        if (share == std::wstring::npos) return true;
        if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0)
            return full.size() == 6 && full[5] == L':';
    }
    return false;
}

std::vector<std::wstring> ProtectedFolders() {
    static const KNOWNFOLDERID* const kKnown[] = {
        &FOLDERID_Windows,       &FOLDERID_ProgramFiles,  &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesX64,
        &FOLDERID_ProgramData,   &FOLDERID_UserProfiles,  &FOLDERID_Profile,         &FOLDERID_Desktop,
        &FOLDERID_Documents,     &FOLDERID_Downloads,     &FOLDERID_Pictures,        &FOLDERID_Music,
        &FOLDERID_Videos,        &FOLDERID_RoamingAppData, &FOLDERID_LocalAppData,   &FOLDERID_Public};
    std::vector<std::wstring> folders;
    for (const KNOWNFOLDERID* id : kKnown) {
        wchar_t* path = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(*id, 0, nullptr, &path)) && path) {
            std::wstring n = Normalised(path);
            if (!n.empty()) folders.push_back(n);
        }
        CoTaskMemFree(path);
    }
    // A 32-bit program on 64-bit Windows is not told the native Program Files by the shell.
    wchar_t native[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.push_back(Normalised(native));
    return folders;
}
}  // namespace

bool IsProtectedFolder(const std::string& path) {
    std::wstring full = Normalised(WideFromCp1252(path));
    if (full.empty() || IsRoot(full)) return true;
    wchar_t windows[MAX_PATH];
    UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        std::wstring system = Normalised(windows);
        if (SameText(full, system) || IsInside(full, system)) return true;
    }
    for (const std::wstring& folder : ProtectedFolders())
        if (SameText(full, folder) || IsInside(folder, full)) return true;
    return false;
}

bool OpenUrl(const std::string& url) {
    HINSTANCE result =
        ShellExecuteW(GetActiveWindow(), L"open", WideFromCp1252(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace vorlane::win
