// The date natives: encoding and decoding, the fixed text forms, pattern
// letters, month arithmetic, the calendar rules and YearFrac; argument counts
// and conversion failures.

#include <cmath>

#include "harness.h"
#include "scriptlib/date_time.h"

namespace scriptlib_test {
namespace {

// 5 March 2024 (a Tuesday), 14:07:03.009.
const std::string kD = "D := EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 3, 9); ";

TEST(DateNatives, EncodeDecodeAndTextForms) {
  CheckValues({
      {"X := EncodeDate(2024, 7, 1)", "X", "Date:01.07.2024"},
      {"X := EncodeDate(1899, 12, 30)", "X", "Date:30.12.1899"},
      {"X := EncodeDate(2024, 7, 1) - EncodeDate(1899, 12, 30)", "X", "Real:45474"},
      {"X := EncodeTime(6, 0, 0, 0) - EncodeDate(1899, 12, 30)", "X", "Real:0.25"},
      {"X := DateToStr(EncodeDate(2024, 7, 1))", "X", "String:01.07.2024"},
      {"X := DateToStr(45474.99)", "X", "String:01.07.2024"},
      {"X := TimeToStr(EncodeTime(13, 5, 9, 250))", "X", "String:13:05:09"},
      {"X := TimeToStr(45474.75)", "X", "String:18:00:00"},
      {"X := DateToStr(-1.25)", "X", "String:29.12.1899"},
      {"X := TimeToStr(-1.25)", "X", "String:06:00:00"},
      {"X := DateToStr(1)", "X", "String:31.12.1899"},
      {"X := DateToStr('2')", "X", "String:01.01.1900"},
      // The last millisecond rounds up into the next day.
      {"X := DateToStr(1.9999999999)", "X", "String:01.01.1900"},
      {"Y := 0; M := 0; D := 0; X := DecodeDate(EncodeDate(2024, 7, 1), Y, M, D)", "Y",
       "Word:2024"},
      {"Y := 0; M := 0; D := 0; X := DecodeDate(EncodeDate(2024, 7, 1), Y, M, D)", "M", "Word:7"},
      {"Y := 0; M := 0; D := 0; X := DecodeDate(EncodeDate(2024, 7, 1), Y, M, D)", "D", "Word:1"},
      {"Y := 0; M := 0; D := 0; X := DecodeDate(EncodeDate(2024, 7, 1), Y, M, D)", "X",
       "Date:01.07.2024"},
      {kD + "H := 0; N := 0; S := 0; Z := 0; DecodeTime(D, H, N, S, Z)", "H", "Word:14"},
      {kD + "H := 0; N := 0; S := 0; Z := 0; DecodeTime(D, H, N, S, Z)", "N", "Word:7"},
      {kD + "H := 0; N := 0; S := 0; Z := 0; DecodeTime(D, H, N, S, Z)", "S", "Word:3"},
      {kD + "H := 0; N := 0; S := 0; Z := 0; DecodeTime(D, H, N, S, Z)", "Z", "Word:9"},
      {"X := StrToDate('05.03.2024')", "X", "Date:05.03.2024"},
      {"X := StrToDate(' 5 . 3 . 2024 ')", "X", "Date:05.03.2024"},
      {"X := StrToDate('5.3.2024.')", "X", "Date:05.03.2024"},
      {"X := StrToTime('14:07')", "X", "Date:30.12.1899 14:07:00"},
      {"X := TimeToStr(StrToTime('2:07:30 PM'))", "X", "String:14:07:30"},
      {"X := TimeToStr(StrToTime('12 am'))", "X", "String:00:00:00"},
      {"X := FormatDateTime('hh:nn:ss.zzz', StrToTime('1:2:3.45'))", "X", "String:01:02:03.045"},
  });
  CheckErrors({
      {"X := EncodeDate(2023, 2, 29)",
       "Invalid parameters, function ENCODEDATE : Invalid argument to date encode"},
      {"X := EncodeDate(10000, 1, 1)",
       "Invalid parameters, function ENCODEDATE : Invalid argument to date encode"},
      {"X := EncodeDate(2023, 2)", "Invalid parameters, function ENCODEDATE"},
      {"X := EncodeTime(24, 0, 0, 0)",
       "Invalid parameters, function ENCODETIME : Invalid argument to time encode"},
      {"X := EncodeTime(1, -1, 0, 0)",
       "Invalid parameters, function ENCODETIME : Invalid argument to time encode"},
      {"X := StrToDate('31.02.2024')",
       "Invalid parameters, function STRTODATE : '31.02.2024' is not a valid date"},
      {"X := StrToDate('05.03.2024 x')",
       "Invalid parameters, function STRTODATE : '05.03.2024 x' is not a valid date"},
      {"X := StrToDate('05/03/2024')",
       "Invalid parameters, function STRTODATE : '05/03/2024' is not a valid date"},
      {"X := StrToTime('25:00')",
       "Invalid parameters, function STRTOTIME : '25:00' is not a valid time"},
      {"X := StrToTime('13 PM')",
       "Invalid parameters, function STRTOTIME : '13 PM' is not a valid time"},
      {"X := DateToStr(10000000000)", "Invalid parameters, function DATETOSTR : Date out of range"},
      {"Y := 0; M := 0; DecodeDate(1, Y, M, 3)", "Invalid parameters, function DECODEDATE"},
      {"H := 0; DecodeTime(1, H, H, H)", "Invalid parameters, function DECODETIME"},
  });
}

TEST(DateNatives, FormatDateTimePatternLetters) {
  CheckValues({
      {kD + "X := FormatDateTime('d/m/yy', D)", "X", "String:5.3.24"},
      {kD + "X := FormatDateTime('dd mmm yyyy', D)", "X", "String:05 Mar 2024"},
      {kD + "X := FormatDateTime('dddd, mmmm', D)", "X", "String:Tuesday, March"},
      {kD + "X := FormatDateTime('ddd', D)", "X", "String:Tue"},
      {kD + "X := FormatDateTime('DD.MM.YYYY', D)", "X", "String:05.03.2024"},
      {kD + "X := FormatDateTime('hh:mm', D)", "X", "String:14:07"},  // m after h: minutes
      {kD + "X := FormatDateTime('h:nn am/pm', D)", "X", "String:2:07 pm"},
      {kD + "X := FormatDateTime('h:nn AM/PM', D)", "X", "String:2:07 PM"},
      {kD + "X := FormatDateTime('h a/p', D)", "X", "String:2 p"},
      {kD + "X := FormatDateTime('hh ampm', D)", "X", "String:02 PM"},
      {kD + "X := FormatDateTime('h:n:s.z', D)", "X", "String:14:7:3.9"},
      {kD + "X := FormatDateTime('c', D)", "X", "String:05.03.2024 14:07:03"},
      {kD + "X := FormatDateTime('', D)", "X", "String:05.03.2024 14:07:03"},
      {"X := FormatDateTime('c', EncodeDate(2024, 3, 5))", "X", "String:05.03.2024"},
      {kD + "X := FormatDateTime('ddddd', D)", "X", "String:05.03.2024"},
      {kD + "X := FormatDateTime('dddddd', D)", "X", "String:5 March 2024"},
      {kD + "X := FormatDateTime('t|tt', D)", "X", "String:14:07|14:07:03"},
      // Quoted literals (the script language has no quote inside a literal).
      {kD + "X := FormatDateTime(Char(34) + 'day' + Char(34) + ' d ' + Char(39) + 'of' + Char(39) + ' m', D)",
       "X", "String:day 5 of 3"},
      {kD + "X := FormatDateTime(Char(34) + 'unclosed d', D)", "X", "String:unclosed d"},
      {kD + "X := FormatDateTime('yyyy-x!', D)", "X", "String:2024-x!"},
      {"X := FormatDateTime('hh am/pm', EncodeTime(0, 30, 0, 0))", "X", "String:12 am"},
  });
}

TEST(DateNatives, CalendarArithmetic) {
  CheckValues({
      {"X := DayOfWeek(EncodeDate(2024, 3, 5))", "X", "Word:3"},
      {"X := DayOfWeek(0)", "X", "Word:7"},
      {"X := DayOfWeek(EncodeDate(1, 1, 1))", "X", "Word:2"},
      {"X := IncMonth(EncodeDate(2024, 1, 31), 1)", "X", "Date:29.02.2024"},
      {"X := IncMonth(EncodeDate(2024, 3, 31), -13)", "X", "Date:28.02.2023"},
      {"X := IncMonth(EncodeDate(2024, 12, 15), 1.9)", "X", "Date:15.01.2025"},
      {"X := IncMonth(EncodeDate(2024, 1, 15), -1)", "X", "Date:15.12.2023"},
      {"X := IncMonth(EncodeDate(2024, 1, 15), 24)", "X", "Date:15.01.2026"},
      {"X := IncMonth(EncodeDate(2024, 1, 31) + EncodeTime(6, 0, 0, 0), 1)", "X",
       "Date:29.02.2024 06:00:00"},
      {"X := YearDays(EncodeDate(2024, 5, 5))", "X", "Word:366"},
      {"X := YearDays(EncodeDate(2023, 5, 5))", "X", "Word:365"},
      {"X := YearDays(EncodeDate(1900, 5, 5))", "X", "Word:365"},
      {"X := YearDays(EncodeDate(2000, 5, 5))", "X", "Word:366"},
      {"X := YearFrac(EncodeDate(2023, 5, 5), EncodeDate(2023, 5, 5))", "X", "Real:0"},
      {"X := YearFrac(EncodeDate(2023, 1, 1), EncodeDate(2024, 1, 1))", "X", "Real:1"},
  });
  CheckErrors({
      {"X := IncMonth(EncodeDate(9999, 12, 1), 1)",
       "Invalid parameters, function INCMONTH : Invalid argument to date encode"},
      {"X := IncMonth(1)", "Invalid parameters, function INCMONTH"},
      {"X := YearFrac(1)", "Invalid parameters, function YEARFRAC"},
      {"X := DayOfWeek()", "Invalid parameters, function DAYOFWEEK"},
  });
}

// Each calendar year weighs by its own length; the order of the dates does not matter.
TEST(DateNatives, YearFracWeighsEachYear) {
  Outcome o = RunSnippet(
      "A := EncodeDate(2023, 7, 1); B := EncodeDate(2024, 7, 1);"
      " X := YearFrac(A, B); Y := YearFrac(B, A);"
      " Z := YearFrac(EncodeDate(2020, 12, 31) + EncodeTime(12, 0, 0, 0), EncodeDate(2022, 1, 1))");
  ASSERT_TRUE(o.ok) << o.message;
  double expected = 184.0 / 365 + 182.0 / 366;
  EXPECT_NEAR(o.vars.Find("X")->value.d, expected, 1e-12);
  EXPECT_NEAR(o.vars.Find("Y")->value.d, expected, 1e-12);
  EXPECT_NEAR(o.vars.Find("Z")->value.d, 0.5 / 366 + 1.0, 1e-12);
}

// Now, Date and Time take no argument; their kinds and parts agree.
TEST(DateNatives, NowDateAndTime) {
  Outcome o = RunSnippet(
      "A := Now; B := Date; C := Time(); K := Frac(B); L := C < 1");
  ASSERT_TRUE(o.ok) << o.message;
  EXPECT_EQ(o.vars.Find("A")->value.kind, script::VKind::Date);
  EXPECT_EQ(o.vars.Find("B")->value.kind, script::VKind::Date);
  EXPECT_EQ(o.vars.Find("C")->value.kind, script::VKind::Date);
  EXPECT_EQ(o.Var("K"), "Real:0");
  EXPECT_EQ(o.Var("L"), "Boolean:True");
  // Today lies after 1 January 2024 on any machine running these tests.
  EXPECT_GT(o.vars.Find("A")->value.d, 45292.0);
  CheckErrors({
      {"X := Now(1)", "Invalid parameters, function NOW"},
      {"X := Date(1)", "Invalid parameters, function DATE"},
      {"X := Time(1, 2)", "Invalid parameters, function TIME"},
  });
}

// Two-digit years fall within the hundred years around the current one.
TEST(DateTimeText, TwoDigitYearsAndMissingYear) {
  double v = 0;
  ASSERT_TRUE(scriptlib::TryStrToDate("1.2.30", 2025, v));
  EXPECT_EQ(scriptlib::DecodeDate(v).year, 2030);
  ASSERT_TRUE(scriptlib::TryStrToDate("1.2.80", 2025, v));
  EXPECT_EQ(scriptlib::DecodeDate(v).year, 1980);
  ASSERT_TRUE(scriptlib::TryStrToDate("1.2.0080", 2025, v));
  EXPECT_EQ(scriptlib::DecodeDate(v).year, 80);
  ASSERT_TRUE(scriptlib::TryStrToDate("1.2", 2025, v));
  EXPECT_EQ(scriptlib::DecodeDate(v).year, 2025);
  EXPECT_EQ(scriptlib::DecodeDate(v).month, 2);
  EXPECT_FALSE(scriptlib::TryStrToDate("", 2025, v));
  EXPECT_FALSE(scriptlib::TryStrToDate("1.", 2025, v));
  EXPECT_FALSE(scriptlib::TryStrToDate("0.1.2025", 2025, v));
  EXPECT_FALSE(scriptlib::TryStrToTime("", v));
  EXPECT_FALSE(scriptlib::TryStrToTime("1:", v));
  EXPECT_FALSE(scriptlib::TryStrToTime("0 PM", v));
}

// Every representable day decodes to the date that encodes back to it.
TEST(DateTimeText, EncodeDecodeRoundTripAcrossTheRange) {
  for (int64_t day = -693593; day <= 2958465; day += 997) {
    scriptlib::DateParts p = scriptlib::DecodeDate(static_cast<double>(day));
    double back = 0;
    ASSERT_TRUE(scriptlib::TryEncodeDate(p.year, p.month, p.day, back)) << day;
    ASSERT_EQ(back, static_cast<double>(day));
  }
  EXPECT_THROW(scriptlib::DecodeDate(-693594.0), script::ScriptError);
  EXPECT_THROW(scriptlib::DecodeDate(2958466.0), script::ScriptError);
  EXPECT_THROW(scriptlib::DecodeDate(std::nan("")), script::ScriptError);
}

}  // namespace
}  // namespace scriptlib_test
