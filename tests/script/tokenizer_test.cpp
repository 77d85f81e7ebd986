// Tokenizer: comment removal and case folding, the token table with longest
// match and the identifier-character rule, literals, numbers cut before "..",
// the prepared form and its readable forms.

#include <gtest/gtest.h>

#include "script/pascalc.h"
#include "script/tokenizer.h"
#include "support/script_errors.h"

namespace script {
namespace {

// "code:text" per token, joined by blanks.
std::string Tokens(const std::string& source) {
  std::string out;
  const TokenArray tokens = Tokenize(source);
  for (const Token& t : tokens) {
    if (!out.empty()) out += ' ';
    out += std::to_string(t.code) + ":" + std::string(tokens.Text(t));
  }
  return out;
}

TEST(Tokenizer, CommentsAndCase) {
  struct Row {
    const char* source;
    const char* tokens;
  };
  const Row rows[] = {
      {"x := 'A' + \"b\"; // c", "1:X 30::= 2:'A' 17:+ 2:\"b\" 26:;"},
      {"{ comment\nx", "1:X"},
      {"a { b } c", "1:A 1:C"},
      {"a } b", "1:A 1:B"},
      {"a // b } c\nd", "1:A 1:C 1:D"},
      {"'{not a comment}' x", "2:'{not a comment}' 1:X"},
      {"'it\"s'", "2:'it\" 1:S 2:'"},
      {"'a // b'", "2:'a // b'"},
      {"begin End", "31:BEGIN 32:END"},
      {"\"open", "2:\"open"},
      {"{ 'q } a // \"r\nb", "1:A 1:B"},
      {"'x\ny' / z", "2:'x\ny' 20:/ 1:Z"},
  };
  for (const Row& r : rows) EXPECT_EQ(Tokens(r.source), r.tokens) << r.source;
}

TEST(Tokenizer, TableAndIdentifiers) {
  struct Row {
    const char* source;
    const char* tokens;
  };
  const Row rows[] = {
      {"a<=b", "1:A 16:<= 1:B"},
      {"a<>b<c", "1:A 12:<> 1:B 14:< 1:C"},
      {"x:=1", "1:X 30::= 2:1"},
      {"a : b", "1:A 11:: 1:B"},
      {"ORDER OR DOWNTO TO", "1:ORDER 6:OR 38:DOWNTO 37:TO"},
      {"procedure PROCEDURES INCLUDED", "49:PROCEDURE 1:PROCEDURES 1:INCLUDED"},
      {"ENDIF END.", "1:ENDIF 1:END."},
      {"-5", "18:- 2:5"},
      {"A.B.C 1.5", "1:A.B.C 2:1.5"},
      {"1 .. 5", "2:1 55:.. 2:5"},
      {"1..5", "2:1 1:..5"},
      {"A..B", "1:A..B"},
      {"..X", "1:..X"},
      {"$FF #1 !", "1:$FF 1:#1 1:!"},
      {"\xc0\xe1\xe2 := 1", "1:\xc0\xe1\xe2 30::= 2:1"},
      {"\xc0\xe1\xe2x", "1:\xc0\xe1\xe2X"},
      {"a[1,2]", "1:A 24:[ 2:1 10:, 2:2 25:]"},
      {"f(x)^2 shl 1", "1:F 22:( 1:X 23:) 21:^ 2:2 47:SHL 2:1"},
      {"\x01"
       "A",
       "1:A"},
      {"A\x7f"
       "B",
       "1:A 1:B"},
  };
  for (const Row& r : rows) EXPECT_EQ(Tokens(r.source), r.tokens) << r.source;
}

TEST(Tokenizer, PreparedForm) {
  TokenArray t = Tokenize("x := 'a'");
  std::string prepared = EncodeTokens(t, 0, t.size());
  EXPECT_EQ(prepared,
            "\x7f"
            "AX\x7f^:=\x7f"
            "B'a'");
  EXPECT_TRUE(IsPreparedText(prepared));
  EXPECT_EQ(ReadableForm(t, 0, t.size()), "X := 'a'  ");
  EXPECT_EQ(ReadableForm(t, 0, 0), " ");
  EXPECT_EQ(JoinedForm(t, 0, t.size()), "X:='a'");

  TokenArray back = ReadPreparedTokens(prepared);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[1].code, tkAssign);
  EXPECT_EQ(back.Text(2), "'a'");

  // ReadToken answers code 0 without moving when no marker stands there.
  size_t pos = 0;
  std::string_view text;
  EXPECT_EQ(ReadToken("abc", pos, text), 0);
  EXPECT_EQ(pos, 0u);
  EXPECT_EQ(ReadToken("\x7f", pos, text), 0);
  pos = 0;
  EXPECT_EQ(ReadToken("\x7f"
                      "Afoo\x7f"
                      "Bbar",
                      pos, text),
            1);
  EXPECT_EQ(text, "foo");
  EXPECT_EQ(pos, 5u);
  // A code 0 token ("@") ends a prepared text.
  EXPECT_EQ(ReadPreparedTokens("\x7f"
                               "AX\x7f@\x7f"
                               "AY")
                .size(),
            1u);
  EXPECT_EQ(ReadPreparedTokens("no marker").size(), 0u);
}

// Tokens keep their texts in their array's bytes: a range of them reads the
// same from the scanned array, from a copy appended to another array, and
// from the prepared form read back; a prepared text's bytes end at its last
// token.
TEST(Tokenizer, ArrayRangesAndCopies) {
  struct Row {
    const char* source;
    size_t first, last;
    const char* readable;
  };
  const Row rows[] = {
      {"x := 'a b'  {c} + 1", 0, 5, "X := 'a b' + 1  "},
      {"x := 'a b'  {c} + 1", 1, 3, ":= 'a b'  "},
      {"x := 'a b'  {c} + 1", 5, 5, " "},
      {"a;b", 0, 3, "A ; B  "},
      {"", 0, 0, " "},
  };
  for (const Row& r : rows) {
    const TokenArray t = Tokenize(r.source);
    EXPECT_EQ(ReadableForm(t, r.first, r.last), r.readable) << r.source;
    TokenArray copy;
    copy.Append(tkIdent, "Q");
    copy.Append(t, r.first, r.last);
    copy.Append(tkSemicolon, ";");
    ASSERT_EQ(copy.size(), r.last - r.first + 2) << r.source;
    EXPECT_EQ(ReadableForm(copy, 1, copy.size() - 1), r.readable) << r.source;
    EXPECT_EQ(copy.Text(0), "Q");
    EXPECT_EQ(copy.Text(copy.size() - 1), ";");
    const TokenArray back = ReadPreparedTokens(EncodeTokens(t, r.first, r.last));
    ASSERT_EQ(back.size(), r.last - r.first) << r.source;
    for (size_t i = 0; i < back.size(); ++i) {
      EXPECT_EQ(back[i].code, t[r.first + i].code) << r.source;
      EXPECT_EQ(back.Text(i), t.Text(r.first + i)) << r.source;
    }
  }
  // Nothing from a code 0 token on is read.
  const TokenArray cut =
      ReadPreparedTokens(EncodeToken(1, "AB") + EncodeToken(0, "C") + EncodeToken(1, "D"));
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut.Text(0), "AB");
}

// Prepare gives the main program; a prepared text is taken as it is.
TEST(Tokenizer, PrepareAndRunPrepared) {
  TPasCalc calc;
  std::string main = calc.Prepare("x := 1; ; y := 2");
  EXPECT_EQ(main,
            "\x7f"
            "AX\x7f^:=\x7f"
            "B1\x7fZ;\x7f"
            "AY\x7f^:=\x7f"
            "B2\x7fZ;");
  EXPECT_EQ(calc.Prepare(main), main);
  ASSERT_TRUE(calc.RunPrepared(main));
  EXPECT_EQ(calc.Variables().Find("Y")->value.i, 2);
  // Not a prepared text: nothing runs.
  calc.ClearVariables();
  EXPECT_TRUE(calc.RunPrepared(std::string("Z := 1")));
  EXPECT_EQ(calc.Variables().Count(), 0u);
  EXPECT_EQ(calc.Prepare(""), "");
}

// Hand-made prepared texts may carry any code; each runs to success or to
// one of the interpreter's error codes.
TEST(Tokenizer, OddPreparedCodes) {
  TPasCalc calc;
  for (int code = -64; code < 192; ++code) {
    if (code == 0) continue;
    std::string text =
        "\x7f"
        "AX\x7f^:=" +
        EncodeToken(code, "z") + EncodeToken(1, "");
    for (const std::string& prepared : {text, EncodeToken(code, "") + text}) {
      const bool ok = calc.RunPrepared(prepared);
      EXPECT_TRUE(testing_support::IsScriptErrorCode(calc.ErrorCode()))
          << "token code " << code << ": error " << calc.ErrorCode() << " " << calc.ErrorMessage();
      EXPECT_EQ(ok, calc.ErrorCode() == 0) << "token code " << code;
    }
  }
}

}  // namespace
}  // namespace script
