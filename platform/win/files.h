#pragma once
// Files and folders named by Windows-1252 paths, through the wide API.
//
// DeleteFile, CopyFile and ReplaceFile are also macros of <windows.h>; this header includes it
// so that every file that uses these functions sees the same names.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/base/datetime.h"
#include "platform/base/file_io.h"
#include "platform/base/text.h"

namespace vorlane::win {

using vorlane::FileExists;
using vorlane::FolderExists;

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool ForceDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
// Removes an empty folder.
bool RemoveFolder(const std::string& path);
// Names of the entries directly in the folder, files and folders of every attribute class
// (hidden, system, read-only), without "." and "..", in the order the file system gives.
// Empty when the folder cannot be read.
StringList ListFolder(const std::string& folder);
bool CopyFile(const std::string& from, const std::string& to, bool overwrite);
// Moves from over to, replacing an existing to, and returns after the move is on disk.
bool ReplaceFile(const std::string& from, const std::string& to);
// Last-modification time of a file in local time, at the two-second resolution of the
// DOS date and time that Windows converts file dates to; nothing when the file is missing.
std::optional<DateTime> FileModified(const std::string& path);

}  // namespace vorlane::win
