#include "platform/ftp/listing_parser.h"

#include <cstdint>
#include <vector>

namespace vorlane::ftp {

namespace {

struct Token {
    std::string_view text;
    size_t end;  // offset just past the token in the line
};

std::vector<Token> Tokens(std::string_view line) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t b = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > b) tokens.push_back({line.substr(b, i - b), i});
    }
    return tokens;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Small unsigned decimal numbers (dates, times); false when not all digits.
bool Number(std::string_view s, int& value) {
    if (!AllDigits(s) || s.size() > 9) return false;
    value = 0;
    for (char c : s) value = value * 10 + (c - '0');
    return true;
}

bool Size(std::string_view s, int64_t& value) {
    if (!AllDigits(s) || s.size() > 18) return false;
    value = 0;
    for (char c : s) value = value * 10 + (c - '0');
    return true;
}

// Month abbreviations as "ls -l" writes them in the locales a company server may run in:
// English (every FTP daemon's own listing), Portuguese, Spanish, French, German and Italian,
// with or without a final dot; accented ones in UTF-8 and in Windows-1252.
int Month(std::string_view s) {
    static const std::vector<std::string_view> kNames[12] = {
        {"jan", "ene", "janv", "gen"},
        {"feb", "fev", "f\xc3\xa9vr", "f\xe9vr", "fevr"},
        {"mar", "mars", "m\xc3\xa4r", "m\xe4r", "maer"},
        {"apr", "abr", "avr"},
        {"may", "mai", "mag"},
        {"jun", "juin", "giu"},
        {"jul", "juil", "lug"},
        {"aug", "ago", "ao\xc3\xbbt", "ao\xfbt", "aout"},
        {"sep", "set", "sept"},
        {"oct", "out", "okt", "ott"},
        {"nov"},
        {"dec", "dez", "dic", "d\xc3\xa9" "c", "d\xe9" "c"},
    };
    if (!s.empty() && s.back() == '.') s.remove_suffix(1);
    if (s.size() < 3 || s.size() > 6) return 0;
    for (int m = 0; m < 12; ++m)
        for (std::string_view name : kNames[m])
            if (EqualsIgnoreAsciiCase(s, name)) return m + 1;
    return 0;
}

// A day of the month, "5" or (German) "5.".
bool Day(std::string_view s, int& day) {
    if (!s.empty() && s.back() == '.') s.remove_suffix(1);
    return Number(s, day) && day >= 1 && day <= 31;
}

// "hh:mm" into hour and minute.
bool Clock(std::string_view s, int& hour, int& minute) {
    size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || s.size() - colon - 1 != 2) return false;
    return Number(s.substr(0, colon), hour) && Number(s.substr(colon + 1), minute) && hour <= 23 && minute <= 59;
}

// A name that stands for the folder itself or its parent is no item of it.
bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

bool IsUnixMode(std::string_view s) {
    static const std::string_view kTypes = "-dlcbpsD";
    return s.size() >= 10 && kTypes.find(s[0]) != std::string_view::npos;
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fraction" (ls --time-style=full-iso): hour and minute.
bool LongClock(std::string_view s, int& hour, int& minute) {
    if (s.size() > 5 && s[5] == ':') {
        int second = 0;
        std::string_view rest = s.substr(6);
        size_t dot = rest.find('.');
        if (dot != std::string_view::npos) {
            if (!AllDigits(rest.substr(dot + 1))) return false;
            rest = rest.substr(0, dot);
        }
        if (rest.size() != 2 || !Number(rest, second) || second > 60) return false;
        s = s.substr(0, 5);
    }
    return Clock(s, hour, minute);
}

// "+hhmm" or "-hhmm" after a full-iso time.
bool Zone(std::string_view s) { return s.size() == 5 && (s[0] == '+' || s[0] == '-') && AllDigits(s.substr(1)); }

// "YYYY-MM-DD" (year given) or "MM-DD" (this year, as ls --time-style=iso lists recent files;
// year is then -1).
bool IsoDay(std::string_view s, int& year, int& month, int& day) {
    year = -1;
    if (s.size() == 10) {
        if (s[4] != '-' || s[7] != '-' || !Number(s.substr(0, 4), year)) return false;
        s = s.substr(5);
    }
    return s.size() == 5 && s[2] == '-' && Number(s.substr(0, 2), month) && Number(s.substr(3), day) &&
           month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// A date with no year: this year unless that lies clearly in the future (one day of slack
// covers the server's time zone), else the year before.
bool RecentDate(DateTime now, int month, int day, int hour, int minute, DateTime& date) {
    int year, nowMonth, nowDay;
    DecodeDate(now, year, nowMonth, nowDay);
    if (!IsValidDate(year, month, day) || EncodeDateTime(year, month, day, hour, minute, 0) > now + 1.0) --year;
    if (!IsValidDate(year, month, day)) return false;
    date = EncodeDateTime(year, month, day, hour, minute, 0);
    return true;
}

// The date columns starting at token i, in one of the forms "ls -l" writes: "Mmm dd hh:mm",
// "Mmm dd  yyyy", the day first ("dd Mmm hh:mm", as some locales write it), or ISO
// ("yyyy-mm-dd hh:mm", full-iso with seconds and zone, "mm-dd hh:mm", "yyyy-mm-dd").
// Sets last to the index of the last date token.
bool DateColumns(const std::vector<Token>& t, size_t i, DateTime now, DateTime& date, size_t& last) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (IsoDay(t[i].text, year, month, day)) {
        last = i;
        bool timed = i + 1 < t.size() && LongClock(t[i + 1].text, hour, minute);
        if (timed) last = i + 1;
        if (timed && i + 2 < t.size() && Zone(t[i + 2].text)) last = i + 2;
        if (year < 0) return timed && RecentDate(now, month, day, hour, minute, date);
        if (!IsValidDate(year, month, day)) return false;
        date = EncodeDateTime(year, month, day, hour, minute, 0);
        return true;
    }
    if (i + 2 >= t.size()) return false;
    month = Month(t[i].text);
    if (month == 0 || !Day(t[i + 1].text, day)) {
        if (!Day(t[i].text, day) || (month = Month(t[i + 1].text)) == 0) return false;
    }
    last = i + 2;
    std::string_view when = t[i + 2].text;
    if (when.size() == 4 && Number(when, year)) {
        if (!IsValidDate(year, month, day)) return false;
        date = EncodeDate(year, month, day);
        return true;
    }
    return Clock(when, hour, minute) && RecentDate(now, month, day, hour, minute, date);
}

bool ParseUnix(std::string_view line, const std::vector<Token>& t, DateTime now, ListingItem& item) {
    if (t.empty() || !IsUnixMode(t[0].text)) return false;
    for (size_t i = 2; i + 1 < t.size(); ++i) {
        int64_t size = 0;
        DateTime date;
        size_t last = 0;
        if (!Size(t[i - 1].text, size) || !DateColumns(t, i, now, date, last) || last + 1 >= t.size()) continue;
        size_t start = t[last].end + 1;
        if (start >= line.size()) return false;
        std::string_view name = line.substr(start);
        if (t[0].text[0] == 'l') {
            size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) name = name.substr(0, arrow);
        }
        if (name.empty() || IsDotName(name)) return false;
        item.fileName = std::string(name);
        item.modified = date;
        item.isFolder = t[0].text[0] == 'd';
        item.size = item.isFolder ? -1 : size;
        return true;
    }
    return false;
}

// "MM-DD-YY" or "MM-DD-YYYY".
bool DosDate(std::string_view s, int& year, int& month, int& day) {
    if (s.size() != 8 && s.size() != 10) return false;
    if (s[2] != '-' || s[5] != '-') return false;
    if (!Number(s.substr(0, 2), month) || !Number(s.substr(3, 2), day) || !Number(s.substr(6), year)) return false;
    if (s.size() == 8) year += year < 70 ? 2000 : 1900;
    return IsValidDate(year, month, day);
}

// "hh:mmAM", "hh:mmPM" (12 AM is midnight, 12 PM is noon) or a 24-hour "hh:mm".
bool DosTime(std::string_view s, int& hour, int& minute) {
    bool am = false, pm = false;
    if (s.size() > 2) {
        std::string_view suffix = s.substr(s.size() - 2);
        am = EqualsIgnoreAsciiCase(suffix, "AM");
        pm = EqualsIgnoreAsciiCase(suffix, "PM");
        if (am || pm) s.remove_suffix(2);
    }
    if (!Clock(s, hour, minute)) return false;
    if (am || pm) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    return true;
}

bool ParseDos(std::string_view line, const std::vector<Token>& t, ListingItem& item) {
    int year, month, day, hour, minute;
    if (t.size() < 4 || !DosDate(t[0].text, year, month, day) || !DosTime(t[1].text, hour, minute)) return false;
    bool folder = EqualsIgnoreAsciiCase(t[2].text, "<DIR>");
    int64_t size = -1;
    if (!folder && !Size(t[2].text, size)) return false;
    size_t start = t[2].end;
    while (start < line.size() && line[start] == ' ') ++start;
    std::string_view name = line.substr(start);
    if (name.empty() || IsDotName(name)) return false;
    item.fileName = std::string(name);
    item.modified = EncodeDateTime(year, month, day, hour, minute, 0);
    item.isFolder = folder;
    item.size = size;
    return true;
}

}  // namespace

StringList ListingLines(std::string_view text, bool details) {
    StringList lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        if (details || stop > start) lines.emplace_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

bool ParseListingLine(std::string_view line, DateTime now, ListingItem& item) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    std::vector<Token> tokens = Tokens(line);
    if (tokens.empty()) return false;
    if (tokens[0].text[0] >= '0' && tokens[0].text[0] <= '9') return ParseDos(line, tokens, item);
    return ParseUnix(line, tokens, now, item);
}

Listing ParseListing(const StringList& lines, bool details, DateTime now) {
    Listing listing;
    for (const std::string& line : lines) {
        ListingItem item;
        if (details) {
            if (ParseListingLine(line, now, item)) listing.Add(std::move(item));
        } else if (!IsBlank(line)) {
            std::string_view name = line;
            while (!name.empty() && (name.back() == '\r' || name.back() == '\n')) name.remove_suffix(1);
            if (IsDotName(name)) continue;
            item.fileName = std::string(name);
            listing.Add(std::move(item));
        }
    }
    return listing;
}

}  // namespace vorlane::ftp
