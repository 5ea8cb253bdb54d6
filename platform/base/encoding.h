#pragma once
// Windows-1252 <-> UTF-16 and UTF-8, by table, so the program behaves the same whatever the
// machine's ANSI code page is.
#include <string>
#include <string_view>

namespace vorlane {

std::wstring WideFromCp1252(std::string_view s);
// Characters with no Windows-1252 form become '?'.
std::string Cp1252FromWide(std::wstring_view s);
std::string Utf8FromCp1252(std::string_view s);
std::string Cp1252FromUtf8(std::string_view s);

}  // namespace vorlane
