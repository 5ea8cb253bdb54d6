#pragma once
// Files named by Windows-1252 paths, for the portable layers. On Windows the path goes to the
// wide API; on the host it is turned into UTF-8.
#include <cstdint>
#include <cstdio>
#include <string>

namespace vorlane {

// fopen with a Windows-1252 path; nullptr on failure (errno set).
std::FILE* OpenFile(const std::string& path, const char* mode);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Renames over an existing target in one step.
bool RenameReplacing(const std::string& from, const std::string& to);
// The platform's text for the last failed file operation (errno or GetLastError), in 1252.
std::string LastFileErrorText();

}  // namespace vorlane
