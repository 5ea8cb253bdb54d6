#pragma once
// Starting another program.
#include <windows.h>

#include <string>

namespace vorlane::win {

// Starts exePath with the command line "<exePath in quotes> <arguments>" in workingFolder (the
// caller's current folder when empty), its first window shown with showCmd (SW_SHOWNORMAL...).
// Does not wait for it. True when the process was created.
bool StartProgram(const std::string& exePath, const std::string& arguments, const std::string& workingFolder,
                  int showCmd);

}  // namespace vorlane::win
