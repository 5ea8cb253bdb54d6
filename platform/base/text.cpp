#include "platform/base/text.h"

#include <cstdint>
#include <limits>

namespace vorlane {

namespace {
bool IsSpaceOrControl(unsigned char c) { return c <= 32; }
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
}  // namespace

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpaceOrControl(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && IsSpaceOrControl(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

bool IsBlank(std::string_view s) {
    for (char c : s)
        if (!IsSpaceOrControl(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = UpperChar(c);
    return r;
}

std::string LowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = LowerChar(c);
    return r;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    return true;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string r(folder);
    if (!r.empty() && r.back() != '\\') r += '\\';
    r += name;
    return r;
}

std::string WithBackslash(std::string_view folder) {
    std::string r(folder);
    if (r.empty() || r.back() != '\\') r += '\\';
    return r;
}

bool IsReservedDeviceName(std::string_view name) {
    std::string base = UpperAscii(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0))
        return base[3] >= '1' && base[3] <= '9';
    return false;
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || c == '\\' || c == '/' || c == ':') return false;
    }
    // Characters no Windows file name can hold: a server name with one cannot become a file.
    if (name.find_first_of("<>\"|?*") != std::string_view::npos) return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    std::string base = UpperAscii(name.substr(0, name.find('.')));
    if (base == "CONIN$" || base == "CONOUT$") return false;
    return !IsReservedDeviceName(name);
}

bool ParseInt32(std::string_view s, int& value) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace vorlane
