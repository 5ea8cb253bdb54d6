#include "platform/base/date_format.h"

#include <array>
#include <ctime>

#include "platform/base/error.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/base/encoding.h"
#endif

namespace vorlane {

namespace {

bool IsPatternLetter(char c) { return c == 'd' || c == 'M' || c == 'y' || c == 'g'; }

int CurrentYear() {
#ifdef _WIN32
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear;
#else
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_year + 1900;
#endif
}

// The order of the three fields in the pattern ('d', 'M', 'y') and its separator; false when
// the pattern lacks one of them.
bool ReadPattern(const std::string& pattern, std::array<char, 3>& order, char& separator) {
    int fields = 0;
    separator = 0;
    bool quoted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (c == 'd' || c == 'M' || c == 'y')) {
            if (i > 0 && pattern[i - 1] == c) continue;
            for (int k = 0; k < fields; ++k)
                if (order[k] == c) return false;
            if (fields == 3) return false;
            order[fields++] = c;
        } else if (!quoted && !IsPatternLetter(c) && separator == 0 && fields > 0 && c != ' ') {
            separator = c;
        }
    }
    return fields == 3;
}

// One number of up to four digits after optional spaces.
bool ReadNumber(const std::string& text, size_t& at, int& value, int& digits) {
    while (at < text.size() && text[at] == ' ') ++at;
    value = 0;
    digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
        value = value * 10 + (text[at++] - '0');
        ++digits;
    }
    return digits > 0;
}

}  // namespace

DateTime StrToDate(const std::string& text, const std::string& shortDatePattern) {
    const Error invalid("'" + text + "' is not a valid date");
    std::array<char, 3> order{};
    char separator;
    if (!ReadPattern(shortDatePattern, order, separator) || separator == 0) throw invalid;

    int values[3], digits[3], count = 0;
    size_t at = 0;
    for (;;) {
        if (!ReadNumber(text, at, values[count], digits[count])) throw invalid;
        ++count;
        if (count == 3 || at >= text.size() || text[at] != separator) break;
        ++at;
    }
    if (at < text.size() && text[at] == separator) ++at;
    while (at < text.size() && text[at] == ' ') ++at;
    if (at != text.size() || count < 2) throw invalid;

    int day = 0, month = 0, year = 0, yearDigits = 4;
    if (count == 2) {
        // Day and month in the pattern's order; the year is this one.
        int k = 0;
        for (char field : order) {
            if (field == 'y') continue;
            (field == 'd' ? day : month) = values[k++];
        }
        year = CurrentYear();
    } else {
        for (int k = 0; k < 3; ++k) {
            if (order[k] == 'd') day = values[k];
            if (order[k] == 'M') month = values[k];
            if (order[k] == 'y') year = values[k], yearDigits = digits[k];
        }
        if (yearDigits <= 2) {
            int base = CurrentYear() - 50;
            year += base / 100 * 100;
            if (year < base) year += 100;
        }
    }
    if (!IsValidDate(year, month, day)) throw invalid;
    return EncodeDate(year, month, day);
}

std::string UserShortDateFormat() {
#ifdef _WIN32
    wchar_t buffer[128];
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, 128) > 0) return Cp1252FromWide(buffer);
#endif
    return "dd/MM/yyyy";
}

DateTime Today() {
#ifdef _WIN32
    SYSTEMTIME now;
    GetLocalTime(&now);
    return EncodeDate(now.wYear, now.wMonth, now.wDay);
#else
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
#endif
}

bool DosDateTime::IsValid() const {
    return IsValidDate(year, month, day) && hour < 24 && minute < 60 && second < 60;
}

DateTime DosDateTime::ToDateTime() const { return EncodeDateTime(year, month, day, hour, minute, second); }

DosDateTime DecodeDosDateTime(uint16_t date, uint16_t time) {
    DosDateTime d;
    d.year = 1980 + (date >> 9);
    d.month = (date >> 5) & 15;
    d.day = date & 31;
    d.hour = time >> 11;
    d.minute = (time >> 5) & 63;
    d.second = (time & 31) * 2;
    return d;
}

}  // namespace vorlane
