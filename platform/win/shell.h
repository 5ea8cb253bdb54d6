#pragma once
// The shell: deleting a folder tree, the user's known folders, opening an address.
#include <windows.h>
#include <shtypes.h>

#include <optional>
#include <string>

namespace vorlane::win {

// Deletes path (a file or a folder with everything in it) through the shell's file operation.
// The shell answers its own questions with yes and may show its progress and error windows,
// owned by owner; deleted items do not go to the recycle bin. Paths of any length are passed
// whole. True only when the shell reports success and no aborted operation.
bool ShellDelete(HWND owner, const std::string& path);

// True when path names a folder whose removal would damage the system or the user's data: a
// drive or share root, the Windows folder or anything inside it, the Program Files folders,
// ProgramData, the Users folder, the user's profile and its known folders (Desktop, Documents,
// Downloads, Pictures, Music, Videos, AppData Roaming and Local), the Public folder, and every
// folder that holds one of them. Paths are compared in full form, without trailing
// backslashes, ignoring case.
// A path that cannot be put in full form counts as protected.
bool IsProtectedFolder(const std::string& path);

// The path of a known folder of the current user; nothing when the shell does not know it.
std::optional<std::string> KnownFolderPath(REFKNOWNFOLDERID id);

// Opens an address (or a document) with the shell's "open" verb, no parameters, a normal
// window, owned by the active window. True when the shell accepted it.
bool OpenUrl(const std::string& url);

}  // namespace vorlane::win
