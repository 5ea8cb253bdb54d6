#pragma once
// Shell link (.lnk) files through the shell's link object. COM must be initialised on the
// calling thread (ComInit).
#include <string>

namespace vorlane::win {

// The user's desktop folder: the "Desktop" value of the current user's
// Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders key, or the shell's known
// Desktop folder when that value is missing or empty. Empty when neither is known.
std::string DesktopFolder();

// Saves a link at linkPath that starts target with arguments in workingFolder, without making
// linkPath the link object's current file. Raises Error when the link object cannot be
// created; returns whether the file was saved.
bool CreateShellLink(const std::string& target, const std::string& arguments, const std::string& workingFolder,
                     const std::string& linkPath);

struct ShellLinkInfo {
    std::string target;
    std::string arguments;
    std::string workingFolder;
};

// What a link file holds, read back through the link object. Raises Error when the object
// cannot be created or the file cannot be loaded.
ShellLinkInfo ReadShellLink(const std::string& linkPath);

}  // namespace vorlane::win
