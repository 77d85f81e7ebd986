// Arithmetic natives: rounding rules, result kinds, floating-point faults,
// integer division, Min/Max with the kind rule, Inc/Dec and Random.

#include "harness.h"
#include "platform/random.h"

namespace scriptlib_test {
namespace {

TEST(MathNatives, RoundingAndKinds) {
  CheckValues({
      {"X := Round(2.5)", "X", "Integer:2"},
      {"X := Round(3.5)", "X", "Integer:4"},
      {"X := Round(-2.5)", "X", "Integer:-2"},
      {"X := Round(-2.6)", "X", "Integer:-3"},
      {"X := Trunc(-2.7)", "X", "Integer:-2"},
      {"X := Floor(-2.2)", "X", "Integer:-3"},
      {"X := Floor(2)", "X", "Integer:2"},
      {"X := Ceil(-2.2)", "X", "Integer:-2"},
      {"X := Ceil(2.2)", "X", "Integer:3"},
      {"X := Int(-2.7)", "X", "Int64:-2"},
      {"X := Int(5000000000.5)", "X", "Int64:5000000000"},
      {"X := Frac(-2.75)", "X", "Real:-0.75"},
      {"X := Abs(-3)", "X", "Real:3"},
      {"X := Sign(-0.3)", "X", "ShortInt:0"},  // the integer conversion comes first
      {"X := Sign(-5)", "X", "ShortInt:-1"},
      {"X := Sign('7')", "X", "ShortInt:1"},
      {"X := Sqr(3)", "X", "Real:9"},
      {"X := Sqrt(16)", "X", "Real:4"},
      {"X := IntPower(2, 10)", "X", "Real:1024"},
      {"X := IntPower(2, -1)", "X", "Real:0.5"},
      {"X := IntPower(2, 3.9)", "X", "Real:8"},  // the exponent is truncated
      {"X := IntPower(0, 0)", "X", "Real:1"},
      {"X := Exp(0)", "X", "Real:1"},
      {"X := Ln(1)", "X", "Real:0"},
      {"X := Sin(0) + Cos(0)", "X", "Real:1"},
      {"X := ArcTan(1) * 4", "X", "Real:3.14159265358979"},
      {"X := ArcSin(1) * 2", "X", "Real:3.14159265358979"},
      {"X := ArcCos(1)", "X", "Real:0"},
      {"X := Tan(0)", "X", "Real:0"},
  });
  CheckErrors({
      {"X := Sqrt(-1)", "Invalid parameters, function SQRT : Invalid floating point operation"},
      {"X := Ln(0)", "Invalid parameters, function LN : Floating point division by zero"},
      {"X := Ln(-1)", "Invalid parameters, function LN : Invalid floating point operation"},
      {"X := Exp(1000)", "Invalid parameters, function EXP : Floating point overflow"},
      {"X := ArcSin(2)", "Invalid parameters, function ARCSIN : Invalid floating point operation"},
      {"X := IntPower(0, -1)",
       "Invalid parameters, function INTPOWER : Floating point division by zero"},
      {"X := Sqr(10000000000 * 10000000000 * 10000000000 * 10000000000 * 10000000000 * "
       "10000000000 * 10000000000 * 10000000000 * 10000000000 * 10000000000 * 10000000000 * "
       "10000000000 * 10000000000 * 10000000000 * 10000000000 * 10000000000)",
       "Invalid parameters, function SQR : Floating point overflow"},
      {"X := Round(10000000000)",
       "Invalid parameters, function ROUND : Invalid floating point operation"},
      {"X := Trunc(-3000000000)",
       "Invalid parameters, function TRUNC : Invalid floating point operation"},
      {"X := Abs('x')",
       "Invalid parameters, function ABS : Could not convert variant of type (String) into type "
       "(Double)"},
      {"X := Round()", "Invalid parameters, function ROUND"},
      {"X := IntPower(2)", "Invalid parameters, function INTPOWER"},
  });
}

TEST(MathNatives, ModAndDiv) {
  CheckValues({
      {"X := Mod(7, 3)", "X", "Integer:1"},
      {"X := Mod(-7, 3)", "X", "Integer:-1"},  // the sign of a
      {"X := Mod(7, -3)", "X", "Integer:1"},
      {"X := Div(-7, 2)", "X", "Integer:-3"},  // toward zero
      {"X := Div(7.6, 2)", "X", "Integer:4"},  // as Integer: rounded first
  });
  CheckErrors({
      {"X := Div(7, 0)", "Invalid parameters, function DIV : Division by zero"},
      {"X := Mod(1, 0)", "Invalid parameters, function MOD : Division by zero"},
      {"X := Div(-2147483646 - 2, -1)", "Invalid parameters, function DIV : Integer overflow"},
      {"X := Mod(1)", "Invalid parameters, function MOD"},
  });
}

// Min and Max keep the earliest of equal values and refuse mixed kinds.
TEST(MathNatives, MinMaxKindRule) {
  CheckValues({
      {"X := Max(1, 5, 3)", "X", "Integer:5"},
      {"X := Min(4, 2, 9)", "X", "Integer:2"},
      {"X := Max(2)", "X", "Integer:2"},
      {"X := Min('b', 'a')", "X", "String:a"},
      {"X := Max('b', 'ab')", "X", "String:b"},
      {"X := Max(1.5, 2.5)", "X", "Real:2.5"},
      {"X := Max(TRUE, FALSE)", "X", "Boolean:True"},
      {"A := 1; B := 1; X := Max(A, B)", "X", "Integer:1"},
  });
  CheckErrors({
      {"X := Max(1, 2.5)", "Invalid parameters, function MAX"},
      {"X := Min('1', 2)", "Invalid parameters, function MIN"},
      {"X := Max()", "Invalid parameters, function MAX"},
      {"X := Max", "Invalid parameters, function MAX"},
  });
}

// Inc and Dec write their first argument back only when it is a variable;
// an expression there is no error.
TEST(MathNatives, IncAndDec) {
  CheckValues({
      {"N := 1; Inc(N)", "N", "Integer:2"},
      {"N := 1; Inc(N, 5)", "N", "Integer:6"},
      {"N := 1; Dec(N)", "N", "Integer:0"},
      {"N := 1; Dec(N, 0.5)", "N", "Real:0.5"},
      {"N := 1; Inc(N + 0)", "N", "Integer:1"},
      {"N := 2147483646; Inc(N); Inc(N)", "N", "Real:2147483648"},
      {"S := 'a'; Inc(S, 'b')", "S", "String:ab"},
      {"N := 1; X := Inc(N)", "X", "Empty:"},
      {"A[2] := 5; Inc(A[2])", "A[2]", "Integer:6"},  // an array element is a variable too
  });
  CheckErrors({
      {"Inc(1, 2, 3)", "Invalid parameters, function INC"},
      {"Dec()", "Invalid parameters, function DEC"},
      {"S := 'a'; Inc(S)", "Invalid parameters, function INC"},
  });
}

// Random draws from the program's one seeded source: the same seed gives the
// same numbers; n of 0 or less gives 0.
TEST(MathNatives, RandomFromTheSeededSource) {
  const std::string script =
      "OK := TRUE; I := 0; FOR I := 1 TO 2000 DO BEGIN R := Random(10); IF (R < 0) OR (R > 9) THEN OK := "
      "FALSE; SEEN[R] := 1 END; A := Random(1000000); B := Random(1000000)";
  platform::GlobalRandom().Seed(42);
  Outcome first = RunSnippet(script);
  ASSERT_TRUE(first.ok) << first.message;
  EXPECT_EQ(first.Var("OK"), "Boolean:True");
  for (int r = 0; r < 10; ++r) EXPECT_EQ(first.Var("SEEN[" + std::to_string(r) + "]"), "Integer:1");
  platform::GlobalRandom().Seed(42);
  Outcome second = RunSnippet(script);
  EXPECT_EQ(first.Var("A"), second.Var("A"));
  EXPECT_EQ(first.Var("B"), second.Var("B"));
  EXPECT_EQ(first.Var("R"), second.Var("R"));
  CheckValues({
      {"X := Random(0)", "X", "Integer:0"},
      {"X := Random(-5)", "X", "Integer:0"},
      {"X := Random(1)", "X", "Integer:0"},
  });
  CheckErrors({{"X := Random()", "Invalid parameters, function RANDOM"}});
}

}  // namespace
}  // namespace scriptlib_test
