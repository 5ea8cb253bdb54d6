#pragma once
// Date conversions: a date text read with a Windows short-date pattern, today's date, and the
// DOS date-time that ZIP entries and the FAT file system keep.
#include <cstdint>
#include <string>

#include "platform/base/datetime.h"

namespace vorlane {

// Reads a date text the way the platform's date conversion does. The pattern (d, dd, M, MM,
// y, yy, yyyy and separators, as in "dd/MM/yyyy") gives the order of day, month and year; its
// first separator is the date separator, and the numbers of the text must be divided by that
// very character. With two numbers the year is the current one; a year of one or two digits
// is taken within 50 years before and 49 after the current year. Spaces before a number are
// allowed. Throws vorlane::Error("'<text>' is not a valid date") otherwise.
DateTime StrToDate(const std::string& text, const std::string& shortDatePattern);

// The user's short-date pattern: the locale's on Windows, "dd/MM/yyyy" elsewhere.
std::string UserShortDateFormat();

// Today's local date at 00:00.
DateTime Today();

// A DOS date-time: local calendar fields, two-second resolution, years 1980 to 2107.
struct DosDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool IsValid() const;
    DateTime ToDateTime() const;
};
DosDateTime DecodeDosDateTime(uint16_t date, uint16_t time);

}  // namespace vorlane
