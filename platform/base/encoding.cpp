#include "platform/base/encoding.h"

namespace vorlane {

namespace {
// Code points of bytes 0x80 to 0x9F; 0 marks the five bytes that Windows-1252 leaves undefined,
// which Windows maps to the C1 control of the same value.
const char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t CodePointOf(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80]) return kHigh[b - 0x80];
    return b;
}

int ByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] ? kHigh[i] == cp : cp == char32_t(0x80 + i)) return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
}  // namespace

std::wstring WideFromCp1252(std::string_view s) {
    std::wstring r;
    r.reserve(s.size());
    for (char c : s) r += static_cast<wchar_t>(CodePointOf(static_cast<unsigned char>(c)));
    return r;
}

std::string Cp1252FromWide(std::wstring_view s) {
    std::string r;
    r.reserve(s.size());
    for (wchar_t w : s) {
        int b = ByteOf(static_cast<char32_t>(w));
        r += b < 0 ? '?' : static_cast<char>(b);
    }
    return r;
}

std::string Utf8FromCp1252(std::string_view s) {
    std::string r;
    for (char c : s) AppendUtf8(r, CodePointOf(static_cast<unsigned char>(c)));
    return r;
}

std::string Cp1252FromUtf8(std::string_view s) {
    std::string r;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int n;
        if (c < 0x80) { cp = c; n = 1; }
        else if ((c >> 5) == 6) { cp = c & 0x1F; n = 2; }
        else if ((c >> 4) == 14) { cp = c & 0x0F; n = 3; }
        else if ((c >> 3) == 30) { cp = c & 0x07; n = 4; }
        else { r += '?'; ++i; continue; }
        if (i + n > s.size()) { r += '?'; break; }
        for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += n;
        int b = ByteOf(cp);
        r += b < 0 ? '?' : static_cast<char>(b);
    }
    return r;
}

}  // namespace vorlane
