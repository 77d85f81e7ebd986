// Code pages and number text: the conversions every folder relies on.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/codepage.h"
#include "platform/numeric.h"

namespace platform {
namespace {

const CodePage& Cp1251() { return CodePage::Default(); }

// Every byte converts, and back to itself: bytes the system converter leaves
// undefined map to the code point of the same number, as Windows maps them.
TEST(CodePageTest, EveryByteRoundTrips) {
  for (const char* name : {"CP1251", "CP1252", "CP1250"}) {
    const CodePage* cp = CodePage::Find(name);
    ASSERT_NE(cp, nullptr) << name;
    for (int b = 0; b < 256; ++b) {
      char32_t u = cp->ToUnicode(static_cast<unsigned char>(b));
      EXPECT_EQ(cp->FromUnicode(u), b) << name << " byte " << b;
    }
  }
  EXPECT_EQ(Cp1251().ToUnicode(0x98), U'\u0098');
  EXPECT_EQ(Cp1251().FromUnicode(U'\u0098'), 0x98);
  EXPECT_EQ(CodePage::Find("CP1252")->ToUnicode(0x81), U'\u0081');
  EXPECT_EQ(Cp1251().ToUnicode(0x88), U'\u20AC');  // euro sign
  EXPECT_EQ(Cp1251().ToUnicode(0xC0), U'\u0410');  // А
  EXPECT_EQ(Cp1251().ToUnicode(0xFF), U'\u044F');  // я
}

TEST(CodePageTest, FindByNameInAnyCaseAndRefuseUnknown) {
  EXPECT_EQ(CodePage::Find("cp1251"), &CodePage::Default());
  EXPECT_EQ(CodePage::Find("Cp1251"), &CodePage::Default());
  EXPECT_EQ(CodePage::Find("no-such-code-page"), nullptr);
  EXPECT_EQ(Cp1251().FromUnicode(U'\u65E5'), -1);
}

// Letter case in the code page: Cyrillic letters (the extra Ukrainian and
// Belarusian ones included) change, other bytes stay.
TEST(CodePageTest, UpperAndLowerCaseCyrillic) {
  const CodePage& cp = Cp1251();
  EXPECT_EQ(cp.Upper("\xE0\xE1\xE2 abc \xFF"), "\xC0\xC1\xC2 ABC \xDF");  // абв abc я
  EXPECT_EQ(cp.Lower("\xC0\xC1\xC2 ABC \xDF"), "\xE0\xE1\xE2 abc \xFF");
  EXPECT_EQ(cp.Upper(0xB8), 0xA8);  // ё -> Ё
  EXPECT_EQ(cp.Lower(0xA8), 0xB8);
  EXPECT_EQ(cp.Upper(0xB3), 0xB2);  // і -> І
  EXPECT_EQ(cp.Upper(0xA2), 0xA1);  // ў -> Ў
  EXPECT_EQ(cp.Upper(0xB4), 0xA5);  // ґ -> Ґ
  EXPECT_EQ(cp.Upper(0xBF), 0xAF);  // ї -> Ї
  EXPECT_EQ(cp.Upper(0xBA), 0xAA);  // є -> Є
  for (int b : {0x98, 0xB5, 0xB9, int('1'), int('_'), 0x00}) {  // no case: stays
    EXPECT_EQ(cp.Upper(static_cast<unsigned char>(b)), b);
    EXPECT_EQ(cp.Lower(static_cast<unsigned char>(b)), b);
  }
  // CP1252: Latin-1 letters, and ÿ whose capital lives at 0x9F.
  const CodePage& w = *CodePage::Find("CP1252");
  EXPECT_EQ(w.Upper(0xE9), 0xC9);
  EXPECT_EQ(w.Upper(0xFF), 0x9F);
  EXPECT_EQ(w.Upper(0xDF), 0xDF);  // ß has no single capital
}

TEST(CodePageTest, Utf8AndUtf16Conversions) {
  const CodePage& cp = Cp1251();
  EXPECT_EQ(cp.ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
  bool lossless = false;
  EXPECT_EQ(cp.FromUtf8("Привет €", &lossless), "\xCF\xF0\xE8\xE2\xE5\xF2 \x88");
  EXPECT_TRUE(lossless);
  EXPECT_EQ(cp.FromUtf8("a日b", &lossless), "a?b");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(cp.ToUtf16("\xC0z"), u"\u0410z");

  // Surrogate pairs survive; a lone surrogate and bad UTF-8 become U+FFFD.
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(DecodeUtf8("a\xFF" "b"), U"a\uFFFDb");
  EXPECT_EQ(DecodeUtf8("\xE2\x82"), U"\uFFFD");  // truncated sequence at the end
}

// The engine prints reals in general format with 15 significant digits:
// fixed notation from 1E-4 up to 15 integer digits, scientific otherwise.
TEST(NumericTest, FormatRealGeneral) {
  struct Case {
    double v;
    const char* text;
  } cases[] = {
      {3.5, "3.5"},
      {3, "3"},
      {-0.5, "-0.5"},
      {0, "0"},
      {100, "100"},
      {1E20, "1E20"},
      {1.5E20, "1.5E20"},
      {1E-5, "1E-5"},
      {-2.5E-7, "-2.5E-7"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.9, "1E15"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatRealGeneral(c.v), c.text) << c.v;
  EXPECT_EQ(FormatRealGeneral(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatRealGeneral(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(NumericTest, ParseIntegerText) {
  EXPECT_EQ(ParseIntegerText("$FF"), 255);
  EXPECT_EQ(ParseIntegerText("$ff"), 255);
  EXPECT_EQ(ParseIntegerText(" -12 "), -12);
  EXPECT_EQ(ParseIntegerText("+7"), 7);
  EXPECT_EQ(ParseIntegerText("-$10"), -16);
  EXPECT_EQ(ParseIntegerText("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ParseIntegerText("-9223372036854775808"), INT64_MIN);
  for (const char* bad : {"", " ", "-", "$", "12a", "1 2", "0x10", "9223372036854775808", "1.0",
                          "$10000000000000000"})
    EXPECT_FALSE(ParseIntegerText(bad).has_value()) << bad;
}

TEST(NumericTest, ParseRealText) {
  EXPECT_EQ(ParseRealText(" 2.5 "), 2.5);
  EXPECT_EQ(ParseRealText(".5"), 0.5);
  EXPECT_EQ(ParseRealText("1e3"), 1000.0);
  EXPECT_EQ(ParseRealText("-1.5E-2"), -0.015);
  EXPECT_EQ(ParseRealText("$10"), 16.0);
  for (const char* bad : {"", ".", "e5", "1e", "inf", "nan", "0x1p3", "1,5", "1.5.2"})
    EXPECT_FALSE(ParseRealText(bad).has_value()) << bad;
}

// Halves go to the even neighbour; out-of-range values are refused.
TEST(NumericTest, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEvenI32(2.5), 2);
  EXPECT_EQ(RoundHalfEvenI32(3.5), 4);
  EXPECT_EQ(RoundHalfEvenI32(-2.5), -2);
  EXPECT_EQ(RoundHalfEvenI32(2147483647.4), 2147483647);
  EXPECT_FALSE(RoundHalfEvenI32(2147483647.5).has_value());
  EXPECT_FALSE(RoundHalfEvenI32(std::nan("")).has_value());
  EXPECT_FALSE(RoundHalfEvenI64(9.3e18).has_value());
  EXPECT_EQ(RoundHalfEvenI64(-9.2e18), static_cast<int64_t>(-9.2e18));
}

// The 32-bit form gives what nearbyint gives, wherever that lands in range:
// the range's edges, halves, values a step beside them and the special values.
TEST(NumericTest, RoundHalfEvenI32MatchesNearbyint) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> values = {-2147483648.5, -2147483648.4, -2147483648.6, -2147483649.0,
                                2147483646.5,  2147483647.5,  2147483647.49, 0.5,
                                -0.5,          1.5,           -1.5,          -0.0,
                                0x1p51,        0x1p52 + 1,    -0x1p53,       1e300,
                                inf,           -inf,          std::nan(""),  4.9e-324};
  for (double edge : {-2147483648.5, 2147483647.5, 0.5, -0.5, 12345.5, -12345.5}) {
    values.push_back(std::nextafter(edge, -inf));
    values.push_back(std::nextafter(edge, inf));
  }
  for (double v : values) {
    std::optional<int32_t> expected;
    const double r = std::nearbyint(v);
    if (std::isfinite(v) && r >= -2147483648.0 && r <= 2147483647.0)
      expected = static_cast<int32_t>(r);
    EXPECT_EQ(RoundHalfEvenI32(v), expected) << v;
  }
}

TEST(NumericTest, AsciiCaseOnlyChangesAsciiLetters) {
  EXPECT_EQ(AsciiUpper("abc\xE0z"), "ABC\xE0Z");
  EXPECT_TRUE(AsciiIEquals("Hello", "hELLO"));
  EXPECT_FALSE(AsciiIEquals("\xE0", "\xC0"));
  EXPECT_FALSE(AsciiIEquals("ab", "abc"));
}

}  // namespace
}  // namespace platform
