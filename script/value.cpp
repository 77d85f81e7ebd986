#include "script/value.h"

#include <cmath>
#include <cstdio>

#include "platform/numeric.h"

namespace script {

const char* KindName(VKind kind) {
  switch (kind) {
    case VKind::Empty:
      return "Empty";
    case VKind::Byte:
      return "Byte";
    case VKind::ShortInt:
      return "ShortInt";
    case VKind::Word:
      return "Word";
    case VKind::Integer:
      return "Integer";
    case VKind::LongWord:
      return "LongWord";
    case VKind::Int64:
      return "Int64";
    case VKind::Real:
      return "Real";
    case VKind::Date:
      return "Date";
    case VKind::Boolean:
      return "Boolean";
    case VKind::String:
      return "String";
  }
  return "?";
}

bool Value::ToInt64(int64_t& out) const {
  switch (kind) {
    case VKind::Empty:
      out = 0;
      return true;
    case VKind::Byte:
    case VKind::ShortInt:
    case VKind::Word:
    case VKind::Integer:
    case VKind::LongWord:
    case VKind::Int64:
      out = i;
      return true;
    case VKind::Boolean:
      out = i ? -1 : 0;
      return true;
    case VKind::Real:
    case VKind::Date: {
      auto r = platform::RoundHalfEvenI64(d);
      if (!r) return false;
      out = *r;
      return true;
    }
    case VKind::String: {
      if (auto v = platform::ParseIntegerText(s)) {
        out = *v;
        return true;
      }
      auto r = platform::ParseRealText(s);
      if (!r) return false;
      auto rr = platform::RoundHalfEvenI64(*r);
      if (!rr) return false;
      out = *rr;
      return true;
    }
  }
  return false;
}

bool Value::ToInteger(int32_t& out) const {
  int64_t v;
  if (!ToInt64(v)) return false;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool Value::ToDouble(double& out) const {
  switch (kind) {
    case VKind::Empty:
      out = 0;
      return true;
    case VKind::Byte:
    case VKind::ShortInt:
    case VKind::Word:
    case VKind::Integer:
    case VKind::LongWord:
    case VKind::Int64:
      out = static_cast<double>(i);
      return true;
    case VKind::Boolean:
      out = i ? -1.0 : 0.0;
      return true;
    case VKind::Real:
    case VKind::Date:
      out = d;
      return true;
    case VKind::String: {
      auto r = platform::ParseRealText(s);
      if (!r) return false;
      out = *r;
      return true;
    }
  }
  return false;
}

bool Value::ToBoolean(bool& out) const {
  switch (kind) {
    case VKind::Boolean:
      out = i != 0;
      return true;
    case VKind::String:
      if (platform::AsciiIEquals(s, "TRUE")) {
        out = true;
        return true;
      }
      if (platform::AsciiIEquals(s, "FALSE")) {
        out = false;
        return true;
      }
      [[fallthrough]];
    default: {
      double v;
      if (!ToDouble(v)) return false;
      out = v != 0;
      return true;
    }
  }
}

namespace {

// Days since 30 December 1899 to civil date (proleptic Gregorian).
void DecodeDays(int64_t days, int& year, int& month, int& day) {
  // 1899-12-30 is day 0; convert to days since 1970-01-01 (25569 days later).
  int64_t z = days - 25569 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t dd = doy - (153 * mp + 2) / 5 + 1;
  int64_t mm = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(y + (mm <= 2 ? 1 : 0));
  month = static_cast<int>(mm);
  day = static_cast<int>(dd);
}

void SplitDateTime(double dt, int64_t& days, int64_t& msOfDay) {
  days = static_cast<int64_t>(std::trunc(dt));
  double frac = std::fabs(dt - static_cast<double>(days));
  msOfDay = static_cast<int64_t>(std::llround(frac * 86400000.0));
  if (msOfDay >= 86400000) msOfDay = 86399999;
}

}  // namespace

std::string FormatDateText(double dateTime) {
  int64_t days, ms;
  SplitDateTime(dateTime, days, ms);
  int y, m, d;
  DecodeDays(days, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d, m, y);
  return buf;
}

std::string FormatTimeText(double dateTime) {
  int64_t days, ms;
  SplitDateTime(dateTime, days, ms);
  int64_t secs = ms / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(secs / 3600),
                static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
  return buf;
}

std::string FormatDateTimeText(double dateTime) {
  int64_t days, ms;
  SplitDateTime(dateTime, days, ms);
  if (ms == 0) return FormatDateText(dateTime);
  return FormatDateText(dateTime) + " " + FormatTimeText(dateTime);
}

std::string Value::ToText() const {
  switch (kind) {
    case VKind::Empty:
      return std::string();
    case VKind::Byte:
    case VKind::ShortInt:
    case VKind::Word:
    case VKind::Integer:
    case VKind::LongWord:
    case VKind::Int64:
      return std::to_string(i);
    case VKind::Boolean:
      return i ? "True" : "False";
    case VKind::Real:
      return platform::FormatRealGeneral(d);
    case VKind::Date:
      return FormatDateTimeText(d);
    case VKind::String:
      return s;
  }
  return std::string();
}

bool Value::SameAs(const Value& o) const {
  if (kind != o.kind) return false;
  if (kind == VKind::String) return s == o.s;
  if (IsFloat()) return d == o.d || (std::isnan(d) && std::isnan(o.d));
  return i == o.i;
}

}  // namespace script
