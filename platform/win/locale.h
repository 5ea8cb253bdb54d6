#pragma once
// Numbers as the user's regional settings write them.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane::win {

// The user's decimal separator (a comma in a Brazilian locale), in Windows-1252.
std::string DecimalSeparator();

// Bytes as megabytes with one decimal, rounded, no thousands separator, followed by " MB":
// 1 610 612 736 bytes give "1536,0 MB" with the separator ",".
std::string FormatMegabytes(uint64_t bytes, std::string_view separator);
// The same with the user's decimal separator.
std::string FormatMegabytes(uint64_t bytes);

}  // namespace vorlane::win
