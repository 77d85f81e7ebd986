#pragma once
// Calendar arithmetic and date-time text for the date natives.
//
// A date-time is a double: days since 30 December 1899, the fraction the time
// of day. For negative values the integer part is the day and the absolute
// fraction the time (-1.25 is 29 December 1899, 6:00). Years run from 1 to
// 9999; values outside raise ScriptError("Date out of range").
//
// Text forms use the player's fixed settings: short date "dd.mm.yyyy", long
// date "d mmmm yyyy", short time "hh:nn", long time "hh:nn:ss", date
// separator ".", time separator ":", "AM"/"PM", English day and month names.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace scriptlib {

inline constexpr const char* kShortDateFormat = "dd.mm.yyyy";
inline constexpr const char* kLongDateFormat = "d mmmm yyyy";
inline constexpr const char* kShortTimeFormat = "hh:nn";
inline constexpr const char* kLongTimeFormat = "hh:nn:ss";

struct DateParts {
  int year = 0, month = 0, day = 0;
};
struct TimeParts {
  int hour = 0, minute = 0, second = 0, msec = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// False when a part is out of range (years 1 to 9999).
bool TryEncodeDate(int year, int month, int day, double& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, double& out);

// Whole days and milliseconds of the day, rounded to the nearest millisecond
// (a carry moves to the next day). Raises outside years 1 to 9999.
void SplitDateTime(double dateTime, int64_t& days, int32_t& msec);
DateParts DecodeDate(double dateTime);
TimeParts DecodeTime(double dateTime);
// 1 for Sunday up to 7 for Saturday.
int DayOfWeek(double dateTime);
// Moved by whole calendar months, the day cut to the target month, time kept.
double IncMonth(double dateTime, int months);
// The span in years, each calendar year weighted by its own length.
double YearFrac(double a, double b);

// The date written with the standard date-time pattern letters (c d dd ddd
// dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt am/pm a/p
// ampm, "/" and ":" for the separators, quoted literals); an empty pattern
// is "c".
std::string FormatDateTime(std::string_view format, double dateTime);

// Text in the short date order (day, month, optional year; a two-digit year
// is placed in the hundred years around currentYear) and time text ("h[:n[:s
// [.z]]]" with optional AM/PM). False when the text is not a date or a time.
bool TryStrToDate(std::string_view text, int currentYear, double& out);
bool TryStrToTime(std::string_view text, double& out);

// The local date and time of the wall clock.
double WallClockDateTime();
// Where the date natives read the current date and time: the wall clock
// unless a run sets another source (a headless run's clock that game steps
// advance, the readings of a recorded session). An empty function restores
// the wall clock.
void SetDateClock(std::function<double()> clock);
double NowDateTime();

}  // namespace scriptlib
