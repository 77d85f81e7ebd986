// The string and conversion natives and Format, as scripts call them: results
// and their kinds, VAR arguments written back, argument counts, failures.

#include "harness.h"

namespace scriptlib_test {
namespace {

// Val stores the number and the position of the first character that is not
// part of it; a text that is not a number stores 0.
TEST(StringNatives, Val) {
  CheckValues({
      {"N := 0; C := 9; Val('12.5', N, C)", "N", "Real:12.5"},
      {"N := 0; C := 9; Val('12.5', N, C)", "C", "Integer:0"},
      {"N := 0; C := 9; Val(' -7', N, C)", "N", "Real:-7"},
      {"N := 0; C := 9; Val('2e3', N, C)", "N", "Real:2000"},
      {"N := 5; C := 9; Val('12abc', N, C)", "C", "Integer:3"},
      {"N := 5; C := 9; Val('12abc', N, C)", "N", "Real:0"},
      {"N := 5; C := 9; Val('', N, C)", "C", "Integer:1"},
      {"N := 5; C := 9; Val('abc', N, C)", "C", "Integer:1"},
      {"N := 5; C := 9; Val('-', N, C)", "C", "Integer:2"},
      {"N := 5; C := 9; Val('1e', N, C)", "C", "Integer:3"},
      {"N := 5; C := 9; Val('12 ', N, C)", "C", "Integer:3"},
      {"N := 5; C := 9; Val('1.5.3', N, C)", "C", "Integer:4"},
      {"N := 0; C := 0; X := Val('1', N, C)", "X", "Empty:"},
  });
  CheckErrors({
      {"C := 0; Val('1', 2, C)", "Invalid parameters, function VAL"},
      {"N := 0; Val('1', N, 3)", "Invalid parameters, function VAL"},
      {"N := 0; C := 0; Val('1', N)", "Invalid parameters, function VAL"},
  });
}

TEST(StringNatives, NumbersAndText) {
  CheckValues({
      {"X := Char(65)", "X", "String:A"},
      {"X := Char(321)", "X", "String:A"},  // the low byte
      {"X := Char('66')", "X", "String:B"},
      {"X := IntToStr(-7)", "X", "String:-7"},
      {"X := IntToStr(2.5)", "X", "String:2"},  // as Integer: halves to even
      {"X := StrToInt('12')", "X", "Integer:12"},
      {"X := StrToInt('$FF')", "X", "Integer:255"},
      {"X := StrToInt('$FFFFFFFF')", "X", "Integer:-1"},
      {"X := StrToInt('abc')", "X", "Integer:0"},
      {"X := StrToInt('1.5')", "X", "Integer:0"},
      {"X := StrToInt('99999999999')", "X", "Integer:0"},
      {"X := FloatToStr(2.5)", "X", "String:2.5"},
      {"X := FloatToStr(3)", "X", "String:3"},
      {"X := FloatToStr(0)", "X", "String:0"},
      {"X := FloatToStr(-0.5)", "X", "String:-0.5"},
      {"X := FloatToStr(100)", "X", "String:100"},
      {"X := FloatToStr(1 / 3)", "X", "String:0.333333333333333"},
      {"X := FloatToStr(-1 / 10000000000000000)", "X", "String:0"},
      {"X := StrToFloat(' 2.5 ')", "X", "Real:2.5"},
      {"X := StrToFloat('-1e3')", "X", "Real:-1000"},
      {"X := StrToFloat('.5')", "X", "Real:0.5"},
  });
  CheckErrors({
      {"X := StrToFloat('abc')", "Invalid parameters, function STRTOFLOAT"},
      {"X := StrToFloat('')", "Invalid parameters, function STRTOFLOAT"},
      {"X := StrToFloat('1.5x')", "Invalid parameters, function STRTOFLOAT"},
      {"X := StrToFloat('1e999')", "Invalid parameters, function STRTOFLOAT"},
      {"X := Char('x')",
       "Invalid parameters, function CHAR : Could not convert variant of type (String) into type "
       "(Integer)"},
      {"X := IntToStr(1, 2)", "Invalid parameters, function INTTOSTR"},
      {"X := StrToInt", "Invalid parameters, function STRTOINT"},
  });
}

TEST(StringNatives, CopyPossAndTrim) {
  CheckValues({
      {"X := Copy('abc', 0, 2)", "X", "String:ab"},
      {"X := Copy('abc', 3, 5)", "X", "String:c"},
      {"X := Copy('abc', 4, 1)", "X", "String:"},
      {"X := Copy('abc', 2, 0)", "X", "String:"},
      {"X := Copy('abc', 2, -1)", "X", "String:"},
      {"X := Copy('abc', -5, 2)", "X", "String:ab"},
      {"X := Copy('abcd', 2.9, 2.9)", "X", "String:bc"},  // truncated, not rounded
      {"X := Copy(12345, 2, 3)", "X", "String:234"},
      {"X := Poss('b', 'abcb')", "X", "Integer:2"},
      {"X := Poss('', 'abc')", "X", "Integer:0"},
      {"X := Poss('x', 'abc')", "X", "Integer:0"},
      {"X := Poss('abcd', 'abc')", "X", "Integer:0"},
      {"X := Length('abc')", "X", "Integer:3"},
      {"X := Length('')", "X", "Integer:0"},
      {"X := Length(Char(1) + 'ab')", "X", "Integer:3"},  // bytes outside unicode mode
      {"X := DelLastChar('abc')", "X", "String:ab"},
      {"X := DelLastChar('')", "X", "String:"},
      {"X := Trim(Char(9) + ' a b ' + Char(10))", "X", "String:a b"},
      {"X := TrimLeft('  a ')", "X", "String:a "},
      {"X := TrimRight('  a ')", "X", "String:  a"},
      {"X := Trim(Char(0) + Char(32))", "X", "String:"},
  });
  CheckErrors({
      {"X := Copy('abc', 1)", "Invalid parameters, function COPY"},
      {"X := Copy('abc', 'x', 1)",
       "Invalid parameters, function COPY : Could not convert variant of type (String) into type "
       "(Double)"},
      {"X := Copy('abc', 1, 3000000000)",
       "Invalid parameters, function COPY : Invalid floating point operation"},
  });
}

// Insert and Delete return the new text and write it into their VAR argument.
TEST(StringNatives, InsertAndDeleteWriteBack) {
  CheckValues({
      {"S := 'abc'; R := Insert('X', S, 2)", "R", "String:aXbc"},
      {"S := 'abc'; R := Insert('X', S, 2)", "S", "String:aXbc"},
      {"S := 'abc'; Insert('X', S, 0)", "S", "String:Xabc"},
      {"S := 'abc'; Insert('X', S, 4)", "S", "String:abcX"},
      {"S := 'abc'; Insert('X', S, 99)", "S", "String:abcX"},
      {"S := 5; Insert('X', S, 2)", "S", "String:5X"},
      {"S := 'abcd'; R := Delete(S, 2, 1)", "R", "String:acd"},
      {"S := 'abcd'; R := Delete(S, 2, 1)", "S", "String:acd"},
      {"S := 'abcd'; Delete(S, 3, 99)", "S", "String:ab"},
      {"S := 'abcd'; Delete(S, 5, 1)", "S", "String:abcd"},
      {"S := 'abcd'; Delete(S, 0, 1)", "S", "String:abcd"},
      {"S := 'abcd'; Delete(S, 1, 0)", "S", "String:abcd"},
  });
  CheckErrors({
      {"R := Insert('X', 'abc', 2)", "Invalid parameters, function INSERT"},
      {"S := 'abc'; R := Insert('X', S + '', 2)", "Invalid parameters, function INSERT"},
      {"R := Delete('abcd', 2, 1)", "Invalid parameters, function DELETE"},
  });
}

// Letter case of the game code page (CP1251): Cyrillic letters change too.
TEST(StringNatives, CaseInTheCodePage) {
  CheckValues({
      {"X := UpperCase('ab\xE6\xB8')", "X", "String:AB\xC6\xA8"},
      {"X := LowerCase('AB\xC6\xA8')", "X", "String:ab\xE6\xB8"},
      {"X := UpperCase('1-z')", "X", "String:1-Z"},
  });
}

// Format hands each placeholder with its one argument to the formatter; an
// argument whose kind does not suit is retried as a truncated integer.
TEST(StringNatives, Format) {
  CheckValues({
      {"X := Format('%d of %d', 3, 7)", "X", "String:3 of 7"},
      {"X := Format('%.2f', 2)", "X", "String:2.00"},
      {"X := Format('%d', 2.7)", "X", "String:2"},
      {"X := Format('%d', -2.7)", "X", "String:-2"},
      {"X := Format('a%5sb', 'x')", "X", "String:a    xb"},
      {"X := Format('%s-%s', 'a')", "X", "String:a-"},
      {"X := Format('%-4d|', 5)", "X", "String:5   |"},
      {"X := Format('%.3d', -7)", "X", "String:-007"},
      {"X := Format('%x', 255)", "X", "String:FF"},
      {"X := Format('%x', -1)", "X", "String:FFFFFFFF"},
      {"X := Format('%u', -1)", "X", "String:4294967295"},
      {"X := Format('%s', 2.5)", "X", "String:2.5"},
      {"X := Format('%s', TRUE)", "X", "String:True"},
      {"X := Format('%.2s', 'abc')", "X", "String:ab"},
      {"X := Format('%d', TRUE)", "X", "String:-1"},
      {"X := Format('%e', 1.5)", "X", "String:1.50000000000000E+000"},
      {"X := Format('%.3e', -12345)", "X", "String:-1.23E+004"},
      {"X := Format('%g', 0.5)", "X", "String:0.5"},
      {"X := Format('%g', 1 / 3)", "X", "String:0.333333333333333"},
      {"X := Format('%n', 1234567.891)", "X", "String:1,234,567.89"},
      {"X := Format('%.0n', -1234)", "X", "String:-1,234"},
      {"X := Format('%m', 5)", "X", "String:5.00"},
      {"X := Format('%5.1f|', -0.04)", "X", "String:  0.0|"},
      {"X := Format('%0:s', 'a')", "X", "String:a"},
      {"X := Format('[%%d]', 5)", "X", "String:[%d]"},  // '%%d' is one placeholder
      {"X := Format('100%', 1)", "X", "String:100%"},  // unfinished placeholder kept
      {"X := Format('%5', 1)", "X", "String:%5"},
      {"X := Format('no placeholder', 1)", "X", "String:no placeholder"},
      {"X := Format('%d', 1, 2)", "X", "String:1"},
      {"X := Format(7, 1)", "X", "String:7"},
  });
  CheckErrors({
      {"X := Format('%d')", "Invalid parameters, function FORMAT"},
      {"X := Format('%d', 'x')",
       "Invalid parameters, function FORMAT : Format '%d' invalid or incompatible with argument"},
      {"X := Format('%y', 1)",
       "Invalid parameters, function FORMAT : Format '%y' invalid or incompatible with argument"},
      {"X := Format('%1:d', 1)",
       "Invalid parameters, function FORMAT : Format '%1:d' invalid or incompatible with argument"},
      {"X := Format('%*d', 1)",
       "Invalid parameters, function FORMAT : Format '%*d' invalid or incompatible with argument"},
      {"X := Format('%99999999d', 1)",
       "Invalid parameters, function FORMAT : Format '%99999999d' invalid or incompatible with "
       "argument"},
  });
}

}  // namespace
}  // namespace scriptlib_test
