// Any bytes as script text tokenize, prepare and run to an error or a result:
// no crash, no unbounded recursion, no endless run. Deep nesting of every
// construct ends with an error; random and mutated texts run with the cache
// on and off to the same outcome.

#include <random>

#include "harness.h"
#include "support/script_errors.h"

namespace script_test {
namespace {

using script::TPasCalc;

TEST(Robustness, DeepNesting) {
  CheckErrors({
      {"X := " + Repeat("(", 5000) + "1" + Repeat(")", 5000), 31, "Expression nested too deeply"},
      {"X := " + Repeat("-(", 3000) + "1" + Repeat(")", 3000), 31, "Expression nested too deeply"},
      {Repeat("BEGIN ", 4000) + "X := 1" + Repeat(" END", 4000), 31, "Script nested too deeply"},
      {Repeat("IF 1 THEN ", 4000) + "X := 1", 31, "Script nested too deeply"},
      {"X := " + Repeat("Cat(", 4000) + "1" + Repeat(")", 4000), 31, "Script nested too deeply"},
      {"X := A[" + Repeat("A[", 4000) + "1" + Repeat("]", 4001), 31, "Script nested too deeply"},
      {Repeat("WHILE 1 DO ", 4000) + "BREAK", 31, "Script nested too deeply"},
  });
  // Long flat texts are no problem.
  Outcome o = RunBoth("X := 0" + Repeat(" + 1", 100000) + "; " + Repeat("Y := X;", 4000));
  EXPECT_TRUE(o.ok);
  EXPECT_EQ(o.Var("Y"), "Integer:100000");
}

// Recursion of procedures stops at the call-depth limit, also with nested
// expressions in every frame.
TEST(Robustness, DeepRecursion) {
  Outcome o = RunBoth(
      "FUNCTION F(N); BEGIN IF N > 0 THEN RESULT := ((((F(N - 1) + 1)))) ELSE RESULT := 0 END;"
      " X := F(150); Y := F(100000)");
  EXPECT_EQ(o.Var("X"), "Integer:150");
  EXPECT_EQ(o.code, 31);
}

std::string RandomText(std::mt19937& rng, size_t maxLen) {
  static const char* kPieces[] = {
      "BEGIN ",
      "END",
      "IF ",
      "THEN ",
      "ELSE ",
      "FOR ",
      "I",
      " := ",
      "TO ",
      "DOWNTO ",
      "DO ",
      "WHILE ",
      "REPEAT ",
      "UNTIL ",
      "CASE ",
      "OF ",
      "..",
      ";",
      ":",
      ",",
      "(",
      ")",
      "[",
      "]",
      "'",
      "\"",
      "X",
      "A.B",
      ".X",
      "@1.",
      "1",
      "2.5",
      "+",
      "-",
      "*",
      "/",
      "^",
      "NOT ",
      "AND ",
      "SHL ",
      "=",
      "<>",
      "GOTO L",
      "L: ",
      "BREAK",
      "EXIT",
      "CONTINUE",
      "PROCEDURE P(A);",
      "FUNCTION F(A); ",
      "RESULT",
      "F(",
      "P(",
      "Cat(",
      "Inc(",
      "Side(",
      "USES 'x'",
      "{",
      "}",
      "//",
      "\n",
      " ",
      "\x7f",
      "\x01",
      "\xff",
      "$",
  };
  std::string s;
  size_t len = rng() % maxLen;
  while (s.size() < len) {
    if (rng() % 8 == 0)
      s.push_back(static_cast<char>(rng() % 256));
    else
      s += kPieces[rng() % (sizeof(kPieces) / sizeof(kPieces[0]))];
  }
  return s;
}

TEST(Robustness, RandomTextsRunTheSameBothWays) {
  std::mt19937 rng(12345);
  HostSetup setup = [](FakeHost& h, TPasCalc& calc) {
    calc.SetStatementBudget(5000);
    uint32_t root = h.Add("QZDB");
    h.current = h.Add("E", root);
    h.elements[h.current].props["X"] = Value::Integer(1);
  };
  for (int i = 0; i < 3000; ++i) {
    std::string text = RandomText(rng, 120);
    RunBoth(text, setup);
    if (HasFailure()) {
      ADD_FAILURE() << "text: " << text;
      return;
    }
  }
}

// Random bytes as a source, a text to prepare and a prepared text: each ends
// with success or one of the interpreter's error codes, and a run answers
// true exactly when it ends without an error.
TEST(Robustness, RandomBytes) {
  std::mt19937 rng(777);
  TPasCalc calc;
  calc.SetStatementBudget(5000);
  auto check = [&](bool ok, const char* what, int round) {
    EXPECT_TRUE(testing_support::IsScriptErrorCode(calc.ErrorCode()))
        << what << " of text " << round << " ended with code " << calc.ErrorCode() << ": "
        << calc.ErrorMessage();
    EXPECT_EQ(ok, calc.ErrorCode() == 0) << what << " of text " << round;
  };
  for (int i = 0; i < 2000 && !HasFailure(); ++i) {
    std::string text(rng() % 200, '\0');
    for (char& c : text) c = static_cast<char>(rng() % 256);
    calc.ClearVariables();
    check(calc.RunSource(text), "RunSource", i);
    calc.Prepare(text);
    check(calc.ErrorCode() == 0, "Prepare", i);
    check(calc.RunPrepared(text), "RunPrepared", i);
  }
}

}  // namespace
}  // namespace script_test
