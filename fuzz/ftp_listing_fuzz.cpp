// Feeds any bytes to the listing parser as a server's listing: split into lines as the FTP
// client splits what the data connection brings, then parsed as a detailed (LIST) and as a
// names-only (NLST) listing at fixed dates for "now". Besides the sanitizers' checks, it stops
// on anything that breaks the parser's promises:
//  - every item has a name: not empty, not "." or "..", part of its line, no line end in it,
//    a link's name without its " -> target";
//  - a detailed item's date is 0 or a valid date on a whole minute, a date listed without its
//    year in the year of now or the one before and at most a day after now; a folder has
//    size -1, a file a size of 0 or more;
//  - the detailed listing is its lines' ParseListingLine items, in order;
//  - names-only: one item for every non-blank line but "." and "..", date 0, size -1, no
//    folder.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/base/datetime.h"
#include "platform/base/text.h"
#include "platform/ftp/listing_parser.h"

namespace {

using vorlane::DateTime;
using vorlane::StringList;
using vorlane::ftp::Listing;
using vorlane::ftp::ListingItem;

// The line with its control bytes written as \xNN, so that the log shows all of it.
std::string Escaped(std::string_view line) {
    std::string out;
    for (char ch : line) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127 || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

[[noreturn]] void Broken(const std::string& what, std::string_view line) {
    std::fprintf(stderr, "broken promise: %s\n  line: \"%s\"\n", what.c_str(), Escaped(line).c_str());
    std::abort();
}

void CheckName(const ListingItem& item, std::string_view line) {
    const std::string& name = item.fileName;
    if (name.empty()) Broken("an empty name", line);
    if (name == "." || name == "..") Broken("the name \"" + name + "\"", line);
    const size_t at = line.rfind(name);
    if (at == std::string_view::npos) Broken("a name that is not part of its line: " + name, line);
    // The line's own end is no part of a name; a carriage return inside one (a link's name
    // before its " -> ") is a character of the name as the server lists it.
    const bool endsLine = line.find_first_not_of("\r\n", at + name.size()) == std::string_view::npos;
    if (name.find('\n') != std::string::npos || (endsLine && name.back() == '\r'))
        Broken("a line end in the name", line);
}

// 0, or a day from 1 January 0001 to 31 December 9999 plus a whole number of minutes.
void CheckDate(DateTime date, std::string_view line) {
    if (date == 0) return;
    if (!std::isfinite(date)) Broken("a date that is no number", line);
    int year, month, day;
    vorlane::DecodeDate(date, year, month, day);
    if (!vorlane::IsValidDate(year, month, day) || vorlane::EncodeDate(year, month, day) != std::floor(date))
        Broken("an invalid date", line);
    double minutes = (date - std::floor(date)) * 24 * 60;
    if (std::fabs(minutes - std::round(minutes)) > 1e-3 || std::round(minutes) >= 24 * 60)
        Broken("a time of day off the minute", line);
}

// A date listed without its year ("Jun 05 10:22", "06-05 10:22") lies in the year of now, or
// in the one before when that would put it more than a day after now. Its year is inferred
// when the line does not hold it in four digits; the MS-DOS layout's two-digit years are not
// inferred.
void CheckInferredYear(DateTime date, DateTime now, std::string_view line) {
    if (date == 0 || line.find_first_not_of(" \t") == std::string_view::npos) return;
    char first = line[line.find_first_not_of(" \t")];
    if (first >= '0' && first <= '9') return;
    int year, month, day, nowYear, nowMonth, nowDay;
    vorlane::DecodeDate(date, year, month, day);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", year);
    if (line.find(digits) != std::string_view::npos) return;
    vorlane::DecodeDate(now, nowYear, nowMonth, nowDay);
    if (year < nowYear - 1 || date > now + 1.0) Broken("an inferred year off the year of now or the one before", line);
}

void CheckDetailed(const ListingItem& item, std::string_view line, DateTime now) {
    CheckName(item, line);
    CheckDate(item.modified, line);
    CheckInferredYear(item.modified, now, line);
    if (item.isFolder ? item.size != -1 : item.size < 0) Broken("size " + std::to_string(item.size), line);
    std::string_view first = line.substr(line.find_first_not_of(" \t") == std::string_view::npos
                                             ? line.size()
                                             : line.find_first_not_of(" \t"));
    if (!first.empty() && first[0] == 'l' && item.fileName.find(" -> ") != std::string::npos)
        Broken("a link listed with its target", line);
}

bool SameItem(const ListingItem& a, const ListingItem& b) {
    return a.fileName == b.fileName && a.modified == b.modified && a.isFolder == b.isFolder && a.size == b.size;
}

void CheckDetailedListing(const StringList& lines, DateTime now) {
    const Listing listing = vorlane::ftp::ParseListing(lines, true, now);
    int at = 0;
    for (const std::string& line : lines) {
        ListingItem item;
        if (!vorlane::ftp::ParseListingLine(line, now, item)) continue;
        CheckDetailed(item, line, now);
        if (at >= listing.Count() || !SameItem(listing.Item(at), item))
            Broken("the listing does not hold this line's item in its place", line);
        ++at;
    }
    if (at != listing.Count()) Broken("the listing holds items of no line", "");
}

void CheckNamesOnly(const StringList& lines, DateTime now) {
    const Listing listing = vorlane::ftp::ParseListing(lines, false, now);
    int at = 0;
    for (const std::string& line : lines) {
        std::string_view name = line;
        while (!name.empty() && (name.back() == '\r' || name.back() == '\n')) name.remove_suffix(1);
        if (vorlane::IsBlank(line) || name == "." || name == "..") continue;
        if (at >= listing.Count()) Broken("a non-blank line without its name", line);
        const ListingItem& item = listing.Item(at++);
        CheckName(item, line);
        if (item.modified != 0 || item.size != -1 || item.isFolder) Broken("a name with details", line);
    }
    if (at != listing.Count()) Broken("names of no line", "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Mid-year in a leap year, and the first minutes of a year without 29 February, where a
    // date without a year goes back to the year before.
    static const DateTime nows[] = {vorlane::EncodeDateTime(2024, 6, 15, 12, 0, 0),
                                    vorlane::EncodeDateTime(2025, 1, 1, 0, 30, 0)};
    const StringList detailed = vorlane::ftp::ListingLines(text, true);
    const StringList names = vorlane::ftp::ListingLines(text, false);
    for (DateTime now : nows) {
        CheckDetailedListing(detailed, now);
        CheckNamesOnly(names, now);
    }
    return 0;
}
