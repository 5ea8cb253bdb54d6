#include "platform/win/locale.h"

#include <windows.h>

#include "platform/base/encoding.h"

namespace vorlane::win {

std::string DecimalSeparator() {
    wchar_t buffer[8] = {};
    int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    if (n <= 1) return ".";
    return Cp1252FromWide(std::wstring_view(buffer, n - 1));
}

std::string FormatMegabytes(uint64_t bytes, std::string_view separator) {
    // Tenths of a megabyte, rounded half up, in whole numbers so that no value loses digits:
    // bytes = whole * 2^20 + rest.
    const uint64_t mega = uint64_t(1) << 20;
    uint64_t whole = bytes >> 20, rest = bytes & (mega - 1);
    uint64_t tenths = whole * 10 + (rest * 10 + mega / 2) / mega;
    std::string text = std::to_string(tenths / 10);
    text += separator;
    text += char('0' + tenths % 10);
    text += " MB";
    return text;
}

std::string FormatMegabytes(uint64_t bytes) { return FormatMegabytes(bytes, DecimalSeparator()); }

}  // namespace vorlane::win
