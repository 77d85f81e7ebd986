// Unicode escape text and the hex-UTF-8 settings form at their boundaries:
// triples cut short, the byte-1 rule at the end, surrogates, the 1999-byte
// cut at a character boundary, and damaged hex forms.

#include <gtest/gtest.h>

#include "scriptlib/unicode_text.h"

namespace scriptlib {
namespace {

TEST(EscapeText, LengthAndDropLast) {
  EXPECT_EQ(EscapeTextLength(""), 0u);
  EXPECT_EQ(EscapeTextLength(std::string("A\x01\x10\x04", 4)), 2u);
  EXPECT_EQ(EscapeTextLength("\x01"), 1u);           // a triple cut short is one step
  EXPECT_EQ(EscapeTextLength(std::string("a\x01\x10", 3)), 2u);
  EXPECT_EQ(EscapeTextDropLast(std::string("A\x01\x10\x04", 4)), "A");
  EXPECT_EQ(EscapeTextDropLast("ab\x01"), "ab");
  EXPECT_EQ(EscapeTextDropLast("abc"), "ab");
  EXPECT_EQ(EscapeTextDropLast(""), "");
  EXPECT_EQ(EscapeTextDropLast(std::string("\x01\x10\x04", 3)), "");
}

// A byte 1 with fewer than two bytes after it ends the text.
TEST(EscapeText, ToUtf16) {
  EXPECT_EQ(EscapeTextToUtf16(std::string("a\x01\x16\x04z", 5)), u"a\u0416z");
  EXPECT_EQ(EscapeTextToUtf16("ab\x01" "c"), u"ab");
  EXPECT_EQ(EscapeTextToUtf16("ab\x01"), u"ab");
  EXPECT_EQ(EscapeTextToUtf16("\xE9"), u"\u00E9");  // other bytes: the unit of the same number
  EXPECT_EQ(EscapeTextToUtf16(std::string("\x01\x00\x00", 3)), std::u16string(1, u'\0'));
}

TEST(EscapeText, FromUtf16EndsAtTheFirstZero) {
  EXPECT_EQ(Utf16ToEscapeText(u"a\u00E9"), std::string("a\x01\xE9\x00", 4));
  EXPECT_EQ(Utf16ToEscapeText(std::u16string(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(Utf16ToEscapeText(u"\u007F\u0080"), std::string("\x7F\x01\x80\x00", 4));
}

TEST(HexUtf8Form, WriteAndRead) {
  EXPECT_EQ(HexUtf8Form(u"ab"), "#$#$6162");
  EXPECT_EQ(HexUtf8Form(u"\u00E9"), "#$#$C3A9");
  EXPECT_EQ(HexUtf8Form(u""), "#$#$");
  EXPECT_EQ(HexUtf8Form(u"\U0001F600"), "#$#$F09F9880");
  EXPECT_EQ(HexUtf8Form(std::u16string(1, char16_t(0xD800))), "#$#$EFBFBD");  // lone surrogate
  EXPECT_TRUE(IsHexUtf8Form(u"#$#$"));
  EXPECT_FALSE(IsHexUtf8Form(u"#$#"));
  EXPECT_FALSE(IsHexUtf8Form(u"plain"));
  EXPECT_EQ(DecodeHexUtf8Form(u"#$#$C3A9"), u"\u00E9");
  EXPECT_EQ(DecodeHexUtf8Form(u"#$#$c3a9"), u"\u00E9");
  EXPECT_EQ(DecodeHexUtf8Form(u"#$#$41zz42"), u"A");
  EXPECT_EQ(DecodeHexUtf8Form(u"#$#$414"), u"A");   // an odd digit at the end is dropped
  EXPECT_EQ(DecodeHexUtf8Form(u"#$#$C3"), u"\uFFFD");  // a sequence cut short
  EXPECT_EQ(DecodeHexUtf8Form(u"#$#$\u0663\u0663"), u"");  // only ASCII digits count
}

// The UTF-8 form is cut to 1999 bytes, never inside a character.
TEST(HexUtf8Form, CutAtACharacterBoundary) {
  std::u16string ascii(2500, u'a');
  EXPECT_EQ(HexUtf8Form(ascii).size(), 4u + 2 * 1999);
  std::u16string twoByte(1000, u'\u00E9');  // 2000 bytes
  std::string form = HexUtf8Form(twoByte);
  EXPECT_EQ(form.size(), 4u + 2 * 1998);
  EXPECT_EQ(DecodeHexUtf8Form(std::u16string(form.begin(), form.end())), std::u16string(999, u'\u00E9'));
  std::u16string threeByte(667, u'\u20AC');  // 2001 bytes
  EXPECT_EQ(HexUtf8Form(threeByte).size(), 4u + 2 * 1998);
}

}  // namespace
}  // namespace scriptlib
