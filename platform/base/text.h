#pragma once
// Windows-1252 text helpers. Case changes touch the ASCII letters only: accented letters keep
// their case, as the system's names and keys rely on.
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

using StringList = std::vector<std::string>;

// Leading and trailing spaces and control characters (codes 0 to 32) removed.
std::string Trim(std::string_view s);
// A text is blank when nothing is left after Trim.
bool IsBlank(std::string_view s);
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool EndsWith(std::string_view s, std::string_view suffix);
// Folder and relative name joined by exactly one backslash.
std::string JoinPath(std::string_view folder, std::string_view name);
// Adds a final backslash when the text lacks one.
std::string WithBackslash(std::string_view folder);
// Reserved device names of Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9), alone or with an
// extension, in any letter case.
bool IsReservedDeviceName(std::string_view name);
// A name that may stand as one file or folder name directly inside a folder on Windows: not
// empty, not "." or "..", no path separator, no drive or stream colon, no control character,
// none of < > " | ? *, no trailing dot or space, not a reserved device name and not the
// console devices CONIN$ and CONOUT$.
bool IsPlainFileName(std::string_view name);
// A 32-bit signed decimal integer, optional sign, no spaces. False for anything else.
bool ParseInt32(std::string_view s, int& value);

}  // namespace vorlane
