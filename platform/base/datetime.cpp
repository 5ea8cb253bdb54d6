#include "platform/base/datetime.h"

#include <cmath>

namespace vorlane {

namespace {
// Days from 1 March of year 0 of the proleptic Gregorian calendar (civil-from-days algorithm).
constexpr long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe);
}
constexpr long kEpoch = DaysFromCivil(1899, 12, 30);
}  // namespace

bool IsValidDate(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int max = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= max;
}

DateTime EncodeDate(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, month, day) - kEpoch);
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    return EncodeDate(year, month, day) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

void DecodeDate(DateTime value, int& year, int& month, int& day) {
    long z = static_cast<long>(std::floor(value)) + kEpoch;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

}  // namespace vorlane
