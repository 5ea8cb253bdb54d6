#include "platform/zip/entry_name.h"

#include "platform/base/encoding.h"
#include "platform/base/text.h"

namespace vorlane::zip {

namespace {
// Code page 850, bytes 0x80 to 0xFF.
const char16_t kCp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        char32_t min;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { n = 2; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { n = 3; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { n = 4; min = 0x10000; }
        else return false;
        if (i + n > s.size()) return false;
        char32_t cp = c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

bool IsUnixHost(int host) { return host == 3 || host == 19; }
}  // namespace

std::string DecodeEntryName(std::string_view raw, bool utf8Flag, int host, std::string_view unicodePath) {
    if (!unicodePath.empty() && IsValidUtf8(unicodePath)) return Cp1252FromUtf8(unicodePath);
    if ((utf8Flag || IsUnixHost(host)) && IsValidUtf8(raw)) return Cp1252FromUtf8(raw);
    std::wstring wide;
    wide.reserve(raw.size());
    for (char c : raw) {
        unsigned char b = static_cast<unsigned char>(c);
        wide += static_cast<wchar_t>(b < 0x80 ? b : kCp850[b - 0x80]);
    }
    return Cp1252FromWide(wide);
}

std::string LastComponent(std::string_view name) {
    size_t cut = name.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

std::string FoldedFileName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
            c = static_cast<char>(u + 0x20);
        } else if (u == 0x8A || u == 0x8C || u == 0x8E) {
            c = static_cast<char>(u + 0x10);
        } else if (u == 0x9F) {
            c = static_cast<char>(0xFF);
        }
    }
    return folded;
}

}  // namespace vorlane::zip
