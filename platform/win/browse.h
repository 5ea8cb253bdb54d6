#pragma once
// Choosing a folder with the shell's folder-browse dialog.
#include <windows.h>

#include <optional>
#include <string>

namespace vorlane::win {

// Shows the shell's folder-browse dialog, owned by owner (which it disables while it is open),
// over the whole shell namespace, nothing preselected, only file-system folders selectable.
// title is shown as the dialog's caption and as its instruction text. Returns the chosen
// folder's path, or nothing when the user cancels. COM must be initialised as a
// single-threaded apartment on the calling thread (ComInit).
std::optional<std::string> BrowseForFolder(HWND owner, const std::string& title);

// The destination-folder text for a browse answer: nothing (leave the text as it is) when the
// answer is missing or blank; otherwise the path with a final backslash, followed by
// "Ravelco Software\" unless the path already contains "RAVELCO" in any letter case.
std::optional<std::string> FolderTextFromBrowse(const std::optional<std::string>& answer);

}  // namespace vorlane::win
