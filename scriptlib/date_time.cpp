#include "scriptlib/date_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/numeric.h"
#include "script/func_list.h"

namespace scriptlib {

namespace {

constexpr int64_t kMinDay = -693593;  // 1 January 0001
constexpr int64_t kMaxDay = 2958465;  // 31 December 9999
constexpr double kMsPerDay = 86400000.0;
constexpr double kHalfMs = 0.5 / kMsPerDay;

const char* const kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[] = {"January", "February", "March",     "April",
                                       "May",     "June",     "July",      "August",
                                       "September", "October", "November", "December"};

[[noreturn]] void OutOfRange() { throw script::ScriptError("Date out of range"); }

// Days since 1 January 1970 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateParts CivilFromDays(int64_t days1970) {
  int64_t z = days1970 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  DateParts p;
  p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
  return p;
}

constexpr int64_t kDaysTo1899 = 25569;  // 30 December 1899 to 1 January 1970

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, double& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kDaysTo1899);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, double& out) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
      msec < 0 || msec >= 1000)
    return false;
  out = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
  return true;
}

void SplitDateTime(double dateTime, int64_t& days, int32_t& msec) {
  if (!(dateTime > kMinDay - 1.0 && dateTime < kMaxDay + 1.0)) OutOfRange();
  double t = dateTime > 0 ? dateTime + kHalfMs : dateTime - kHalfMs;
  double whole = std::trunc(t);
  days = static_cast<int64_t>(whole);
  msec = static_cast<int32_t>(std::fabs(std::trunc((t - whole) * kMsPerDay)));
  if (days < kMinDay || days > kMaxDay) OutOfRange();
}

DateParts DecodeDate(double dateTime) {
  int64_t days;
  int32_t ms;
  SplitDateTime(dateTime, days, ms);
  return CivilFromDays(days - kDaysTo1899);
}

TimeParts DecodeTime(double dateTime) {
  int64_t days;
  int32_t ms;
  SplitDateTime(dateTime, days, ms);
  TimeParts t;
  t.msec = ms % 1000;
  t.second = ms / 1000 % 60;
  t.minute = ms / 60000 % 60;
  t.hour = ms / 3600000;
  return t;
}

int DayOfWeek(double dateTime) {
  int64_t days;
  int32_t ms;
  SplitDateTime(dateTime, days, ms);
  // Counted from 1 January 0001 (a Monday) as day 1, so never negative.
  return static_cast<int>((days + 693594) % 7) + 1;
}

double IncMonth(double dateTime, int months) {
  DateParts d = DecodeDate(dateTime);
  int64_t year = d.year + months / 12;
  int64_t month = d.month + months % 12;
  if (month < 1) {
    month += 12;
    --year;
  } else if (month > 12) {
    month -= 12;
    ++year;
  }
  if (year < 1 || year > 9999) throw script::ScriptError("Invalid argument to date encode");
  int day = std::min(d.day, DaysInMonth(static_cast<int>(year), static_cast<int>(month)));
  double result;
  TryEncodeDate(static_cast<int>(year), static_cast<int>(month), day, result);
  double time = std::fabs(dateTime - std::trunc(dateTime));
  return result >= 0 ? result + time : result - time;
}

double YearFrac(double a, double b) {
  if (b < a) std::swap(a, b);
  int first = DecodeDate(a).year;
  int last = DecodeDate(b).year;
  double sum = 0;
  for (int y = first; y <= last; ++y) {
    double start = a, end = b;
    if (y != first) TryEncodeDate(y, 1, 1, start);
    if (y != last) TryEncodeDate(y + 1, 1, 1, end);
    sum += (end - start) / (IsLeapYear(y) ? 366 : 365);
  }
  return sum;
}

// ---- FormatDateTime ------------------------------------------------------------

namespace {

bool StartsNoCase(std::string_view s, size_t pos, std::string_view what) {
  if (s.size() - pos < what.size()) return false;
  return platform::AsciiIEquals(s.substr(pos, what.size()), what);
}

class DateWriter {
 public:
  explicit DateWriter(double dateTime) : dt_(dateTime) {}

  void Append(std::string_view f, int level) {
    // Nested formats (ddddd, c, t...) expand one level deep at most.
    if (level >= 2) return;
    char lastToken = ' ';
    bool use12Hour = false;
    for (size_t i = 0; i < f.size();) {
      char starter = f[i++];
      char token = platform::AsciiUpperChar(starter);
      bool letter = token >= 'A' && token <= 'Z';
      if (letter) {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      // The run of the same character that starts here.
      auto count = [&] {
        size_t n = 1;
        while (i < f.size() && f[i] == starter) ++i, ++n;
        return n;
      };
      switch (token) {
        case 'Y': {
          size_t n = count();
          Date();
          if (n <= 2)
            Number(date_.year % 100, 2);
          else
            Number(date_.year, 4);
          break;
        }
        case 'M': {
          size_t n = count();
          Date();
          if (n <= 2)
            Number(date_.month, static_cast<int>(n));
          else
            out_ += n == 3 ? kShortMonthNames[date_.month - 1] : kLongMonthNames[date_.month - 1];
          break;
        }
        case 'D': {
          size_t n = count();
          if (n <= 2) {
            Date();
            Number(date_.day, static_cast<int>(n));
          } else if (n == 3) {
            out_ += kShortDayNames[DayOfWeek(dt_) - 1];
          } else if (n == 4) {
            out_ += kLongDayNames[DayOfWeek(dt_) - 1];
          } else {
            Append(n == 5 ? kShortDateFormat : kLongDateFormat, level + 1);
          }
          break;
        }
        case 'H': {
          size_t n = count();
          Time();
          // A 12-hour clock when an am/pm marker follows before the next hour.
          bool quoted = false;
          for (size_t p = i; p < f.size(); ++p) {
            char c = f[p];
            if ((c == 'A' || c == 'a') && !quoted) {
              if (StartsNoCase(f, p, "AM/PM") || StartsNoCase(f, p, "A/P") ||
                  StartsNoCase(f, p, "AMPM"))
                use12Hour = true;
              break;
            }
            if (c == 'H' || c == 'h') break;
            if (c == '\'' || c == '"') quoted = !quoted;
          }
          int h = time_.hour;
          if (use12Hour) h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
          Number(h, n > 2 ? 2 : static_cast<int>(n));
          break;
        }
        case 'N': {
          size_t n = count();
          Time();
          Number(time_.minute, n > 2 ? 2 : static_cast<int>(n));
          break;
        }
        case 'S': {
          size_t n = count();
          Time();
          Number(time_.second, n > 2 ? 2 : static_cast<int>(n));
          break;
        }
        case 'Z': {
          size_t n = count();
          Time();
          Number(time_.msec, n > 3 ? 3 : static_cast<int>(n));
          break;
        }
        case 'T': {
          size_t n = count();
          Append(n == 1 ? kShortTimeFormat : kLongTimeFormat, level + 1);
          break;
        }
        case 'C': {
          count();
          Append(kShortDateFormat, level + 1);
          Time();
          if (time_.hour != 0 || time_.minute != 0 || time_.second != 0) {
            out_ += ' ';
            Append(kLongTimeFormat, level + 1);
          }
          break;
        }
        case 'A': {
          size_t p = i - 1;
          Time();
          if (StartsNoCase(f, p, "AM/PM")) {
            // The marker keeps the pattern's own letter case.
            out_ += f.substr(time_.hour >= 12 ? p + 3 : p, 2);
            i = p + 5;
            use12Hour = true;
          } else if (StartsNoCase(f, p, "A/P")) {
            out_ += f.substr(time_.hour >= 12 ? p + 2 : p, 1);
            i = p + 3;
            use12Hour = true;
          } else if (StartsNoCase(f, p, "AMPM")) {
            out_ += time_.hour < 12 ? "AM" : "PM";
            i = p + 4;
            use12Hour = true;
          } else if (StartsNoCase(f, p, "AAAA")) {
            out_ += kLongDayNames[DayOfWeek(dt_) - 1];
            i = p + 4;
          } else if (StartsNoCase(f, p, "AAA")) {
            out_ += kShortDayNames[DayOfWeek(dt_) - 1];
            i = p + 3;
          } else {
            out_ += starter;
          }
          break;
        }
        case '/': out_ += '.'; break;
        case ':': out_ += ':'; break;
        case '\'':
        case '"': {
          size_t end = f.find(starter, i);
          if (end == std::string_view::npos) end = f.size();
          out_ += f.substr(i, end - i);
          i = end < f.size() ? end + 1 : end;
          break;
        }
        default: out_ += starter;
      }
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  void Date() {
    if (!haveDate_) date_ = DecodeDate(dt_), haveDate_ = true;
  }
  void Time() {
    if (!haveTime_) time_ = DecodeTime(dt_), haveTime_ = true;
  }
  void Number(int v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, v);
    out_ += buf;
  }

  double dt_;
  std::string out_;
  DateParts date_;
  TimeParts time_;
  bool haveDate_ = false, haveTime_ = false;
};

}  // namespace

std::string FormatDateTime(std::string_view format, double dateTime) {
  DateWriter w(dateTime);
  w.Append(format.empty() ? std::string_view("c") : format, 0);
  return w.Take();
}

// ---- text to dates -----------------------------------------------------------------

namespace {

struct Scanner {
  std::string_view s;
  size_t pos = 0;

  void Blanks() {
    while (pos < s.size() && s[pos] == ' ') ++pos;
  }
  // Up to four digits (more while the value stays below 1000, as leading
  // zeros do not count); len is the number of digits read.
  bool Number(int& value, int& len) {
    Blanks();
    size_t start = pos;
    int n = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && n < 1000) n = n * 10 + (s[pos++] - '0');
    if (pos == start) return false;
    value = n;
    len = static_cast<int>(pos - start);
    return true;
  }
  bool Char(char c) {
    Blanks();
    if (pos < s.size() && s[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  bool Word(std::string_view w) {
    Blanks();
    if (!StartsNoCase(s, pos, w)) return false;
    pos += w.size();
    return true;
  }
  bool AtEnd() const { return pos >= s.size(); }
};

}  // namespace

bool TryStrToDate(std::string_view text, int currentYear, double& out) {
  Scanner sc{text};
  int n1, n2, n3, l1, l2, l3;
  if (!sc.Number(n1, l1) || !sc.Char('.') || !sc.Number(n2, l2)) return false;
  int year;
  if (sc.Char('.')) {
    if (!sc.Number(n3, l3)) return false;
    year = n3;
    if (l3 <= 2) {
      // Two digits: the year within 50 years before the current one and 49 after.
      int base = currentYear - 50;
      year += base / 100 * 100;
      if (year < base) year += 100;
    }
  } else {
    year = currentYear;
  }
  sc.Char('.');
  sc.Blanks();
  if (!sc.AtEnd()) return false;
  return TryEncodeDate(year, n2, n1, out);
}

bool TryStrToTime(std::string_view text, double& out) {
  Scanner sc{text};
  int baseHour = -1;
  if (sc.Word("AM"))
    baseHour = 0;
  else if (sc.Word("PM"))
    baseHour = 12;
  int hour, minute = 0, second = 0, msec = 0, len;
  if (!sc.Number(hour, len)) return false;
  if (sc.Char(':')) {
    if (!sc.Number(minute, len)) return false;
    if (sc.Char(':')) {
      if (!sc.Number(second, len)) return false;
      if (sc.Char('.') && !sc.Number(msec, len)) return false;
    }
  }
  if (baseHour < 0) {
    if (sc.Word("AM"))
      baseHour = 0;
    else if (sc.Word("PM"))
      baseHour = 12;
  }
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  sc.Blanks();
  if (!sc.AtEnd()) return false;
  return TryEncodeTime(hour, minute, second, msec, out);
}

namespace {
std::function<double()>& DateClock() {
  static std::function<double()> clock;
  return clock;
}
}  // namespace

void SetDateClock(std::function<double()> clock) { DateClock() = std::move(clock); }

double NowDateTime() { return DateClock() ? DateClock()() : WallClockDateTime(); }

double WallClockDateTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  time_t secs = ts.tv_sec;
  tm local{};
  localtime_r(&secs, &local);
  double date = 0, time = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  // A leap second reads as the last second of its minute.
  TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                static_cast<int>(ts.tv_nsec / 1000000), time);
  return date + time;
}

}  // namespace scriptlib
