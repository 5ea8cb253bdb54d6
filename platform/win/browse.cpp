#include "platform/win/browse.h"

#include <shlobj.h>

#include "platform/base/encoding.h"
#include "platform/base/text.h"

namespace vorlane::win {

namespace {
// The instruction text is set through the structure; the caption has no field of its own, so
// it is set when the dialog reports that it is ready.
int CALLBACK OnBrowseEvent(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SetWindowTextW(dialog, reinterpret_cast<const wchar_t*>(data));
    return 0;
}

struct ItemList {
    PIDLIST_ABSOLUTE pidl = nullptr;
    ~ItemList() { CoTaskMemFree(pidl); }
};
}  // namespace

std::optional<std::string> BrowseForFolder(HWND owner, const std::string& title) {
    std::wstring text = WideFromCp1252(title);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = display;
    info.lpszTitle = text.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = OnBrowseEvent;
    info.lParam = reinterpret_cast<LPARAM>(text.c_str());
    ItemList chosen;
    chosen.pidl = SHBrowseForFolderW(&info);
    if (!chosen.pidl) return std::nullopt;
    // Paths may be longer than MAX_PATH; SHGetPathFromIDListEx takes the buffer size.
    std::wstring path(32768, L'\0');
    if (!SHGetPathFromIDListEx(chosen.pidl, path.data(), DWORD(path.size()), GPFIDL_DEFAULT)) return std::nullopt;
    path.resize(wcslen(path.c_str()));
    return Cp1252FromWide(path);
}

std::optional<std::string> FolderTextFromBrowse(const std::optional<std::string>& answer) {
    if (!answer || IsBlank(*answer)) return std::nullopt;
    std::string folder = WithBackslash(*answer);
    if (UpperAscii(folder).find("RAVELCO") == std::string::npos) folder += "Ravelco Software\\";
    return folder;
}

}  // namespace vorlane::win
