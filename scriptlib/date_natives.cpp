// Dates and times: Now, Date, Time, DateToStr, StrToDate, TimeToStr,
// StrToTime, FormatDateTime, DayOfWeek, IncMonth, DecodeDate, DecodeTime,
// EncodeDate, EncodeTime, YearDays, YearFrac.

#include <cmath>

#include "scriptlib/date_time.h"
#include "scriptlib/handlers.h"

namespace scriptlib::natives {

bool Now(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 0)) return false;
  result.value = Value::Date(NowDateTime());
  return true;
}

bool Date(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 0)) return false;
  result.value = Value::Date(std::trunc(NowDateTime()));
  return true;
}

bool Time(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 0)) return false;
  double now = NowDateTime();
  result.value = Value::Date(now - std::trunc(now));
  return true;
}

bool DateToStr(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::String(scriptlib::FormatDateTime(kShortDateFormat, AsReal(Arg(args, 0))));
  return true;
}

bool TimeToStr(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::String(scriptlib::FormatDateTime(kLongTimeFormat, AsReal(Arg(args, 0))));
  return true;
}

bool StrToDate(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  double v;
  if (!TryStrToDate(text, scriptlib::DecodeDate(NowDateTime()).year, v))
    throw ScriptError("'" + text + "' is not a valid date");
  result.value = Value::Date(v);
  return true;
}

bool StrToTime(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  double v;
  if (!TryStrToTime(text, v)) throw ScriptError("'" + text + "' is not a valid time");
  result.value = Value::Date(v);
  return true;
}

bool FormatDateTime(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  std::string format = AsText(Arg(args, 0));
  result.value = Value::String(scriptlib::FormatDateTime(format, AsReal(Arg(args, 1))));
  return true;
}

bool DayOfWeek(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::Word(static_cast<uint16_t>(scriptlib::DayOfWeek(AsReal(Arg(args, 0)))));
  return true;
}

bool IncMonth(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  double date = AsReal(Arg(args, 0));
  result.value = Value::Date(scriptlib::IncMonth(date, AsTrunc(Arg(args, 1))));
  return true;
}

// DecodeDate(date, VAR year, VAR month, VAR day)
bool DecodeDate(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 4) || !IsVarArg(args, 1) || !IsVarArg(args, 2) || !IsVarArg(args, 3))
    return false;
  DateParts d = scriptlib::DecodeDate(AsReal(Arg(args, 0)));
  args.At(1).value = Value::Word(static_cast<uint16_t>(d.year));
  args.At(2).value = Value::Word(static_cast<uint16_t>(d.month));
  args.At(3).value = Value::Word(static_cast<uint16_t>(d.day));
  result.value = Arg(args, 0);
  return true;
}

// DecodeTime(date, VAR hour, VAR minute, VAR second, VAR millisecond)
bool DecodeTime(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 5)) return false;
  for (size_t i = 1; i < 5; ++i)
    if (!IsVarArg(args, i)) return false;
  TimeParts t = scriptlib::DecodeTime(AsReal(Arg(args, 0)));
  args.At(1).value = Value::Word(static_cast<uint16_t>(t.hour));
  args.At(2).value = Value::Word(static_cast<uint16_t>(t.minute));
  args.At(3).value = Value::Word(static_cast<uint16_t>(t.second));
  args.At(4).value = Value::Word(static_cast<uint16_t>(t.msec));
  result.value = Arg(args, 0);
  return true;
}

bool EncodeDate(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3)) return false;
  double v;
  if (!TryEncodeDate(AsInteger(Arg(args, 0)), AsInteger(Arg(args, 1)), AsInteger(Arg(args, 2)), v))
    throw ScriptError("Invalid argument to date encode");
  result.value = Value::Date(v);
  return true;
}

bool EncodeTime(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 4)) return false;
  double v;
  if (!TryEncodeTime(AsInteger(Arg(args, 0)), AsInteger(Arg(args, 1)), AsInteger(Arg(args, 2)),
                     AsInteger(Arg(args, 3)), v))
    throw ScriptError("Invalid argument to time encode");
  result.value = Value::Date(v);
  return true;
}

bool YearDays(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  int year = scriptlib::DecodeDate(AsReal(Arg(args, 0))).year;
  result.value = Value::Word(IsLeapYear(year) ? 366 : 365);
  return true;
}

bool YearFrac(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  double a = AsReal(Arg(args, 0));
  result.value = Value::Real(scriptlib::YearFrac(a, AsReal(Arg(args, 1))));
  return true;
}

}  // namespace scriptlib::natives
