#pragma once
// Date-times as the system keeps them: whole days since 30 December 1899 plus the fraction of
// the day, in local time.
namespace vorlane {

using DateTime = double;

DateTime EncodeDate(int year, int month, int day);
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);
void DecodeDate(DateTime value, int& year, int& month, int& day);
bool IsValidDate(int year, int month, int day);

}  // namespace vorlane
