#pragma once
// Writing one key of a profile (INI) file in Windows-1252.
#include <string>

namespace vorlane::win {

// Writes key=value into [section] of file, creating the file, the section or the key as
// needed and keeping every other section and key; an existing key gets the new value. The
// names are written as given (callers upper-case them if they want). The file receives the
// exact Windows-1252 bytes of the texts, whatever the machine's ANSI code page is. A relative
// file name is taken from the current folder, never from the Windows folder. Raises
// Error("Unable to write to <file>") when Windows refuses the write.
void WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);

namespace detail {
// The writer used when the ANSI code page is not 1252: edits the file's bytes directly.
// Exposed so that it can be tested on any machine.
void WriteIniBytes(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value);
}  // namespace detail

}  // namespace vorlane::win
