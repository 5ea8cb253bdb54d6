#include "platform/win/shortcut.h"

#include <windows.h>
#include <knownfolders.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/base/encoding.h"
#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/win/com.h"
#include "platform/win/registry.h"
#include "platform/win/shell.h"

namespace vorlane::win {

namespace {
std::string HexCode(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

ComPtr<IShellLinkW> NewShellLink() {
    ComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(hr) || !link)
        throw Error("Não foi possível criar o objeto de atalho do Windows (" + HexCode(hr) + ").");
    return link;
}
}  // namespace

std::string DesktopFolder() {
    std::optional<std::string> value = ReadRegistryString(
        HKEY_CURRENT_USER, "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop");
    if (value && !value->empty()) return *value;
    return KnownFolderPath(FOLDERID_Desktop).value_or("");
}

bool CreateShellLink(const std::string& target, const std::string& arguments, const std::string& workingFolder,
                     const std::string& linkPath) {
    ComPtr<IShellLinkW> link = NewShellLink();
    ComPtr<IPersistFile> file = link.As<IPersistFile>();
    if (!file) throw Error("O objeto de atalho do Windows não pode ser gravado em arquivo.");
    link->SetArguments(WideFromCp1252(arguments).c_str());
    link->SetPath(WideFromCp1252(target).c_str());
    link->SetWorkingDirectory(WideFromCp1252(workingFolder).c_str());
    return SUCCEEDED(file->Save(WideFromCp1252(linkPath).c_str(), FALSE));
}

ShellLinkInfo ReadShellLink(const std::string& linkPath) {
    ComPtr<IShellLinkW> link = NewShellLink();
    ComPtr<IPersistFile> file = link.As<IPersistFile>();
    if (!file || FAILED(file->Load(WideFromCp1252(linkPath).c_str(), STGM_READ)))
        throw Error("Não foi possível ler o atalho " + linkPath + ".");
    // Arguments may be longer than a path; INFOTIPSIZE is what the shell itself allows.
    wchar_t text[INFOTIPSIZE] = {};
    ShellLinkInfo info;
    // The item list is what the shell follows when the link is opened, and it keeps the names
    // in UTF-16. The raw path may have passed through the ANSI code page (Wine stores it so), and
    // a name such as "Açougue" would come back as "Acougue" under a 1251 or 932 locale.
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
        if (SHGetPathFromIDListEx(items, text, INFOTIPSIZE, GPFIDL_DEFAULT)) info.target = Cp1252FromWide(text);
        CoTaskMemFree(items);
    }
    text[0] = 0;
    if (info.target.empty() && SUCCEEDED(link->GetPath(text, INFOTIPSIZE, nullptr, SLGP_RAWPATH)))
        info.target = Cp1252FromWide(text);
    text[0] = 0;
    if (SUCCEEDED(link->GetArguments(text, INFOTIPSIZE))) info.arguments = Cp1252FromWide(text);
    text[0] = 0;
    if (SUCCEEDED(link->GetWorkingDirectory(text, INFOTIPSIZE))) info.workingFolder = Cp1252FromWide(text);
    return info;
}

}  // namespace vorlane::win
