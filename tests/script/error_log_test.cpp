// The error state and the log lines: first error wins, the readable form of
// the erring text, the four line formats, and nothing logged when the game
// does not ask for it.

#include "harness.h"

namespace script_test {
namespace {

using script::TPasCalc;

HostSetup InButton = [](FakeHost& h, TPasCalc&) {
  uint32_t root = h.Add("QZDB");
  h.current = h.Add("BUTTON1", root);
  h.label = "Init";
};

TEST(ErrorLog, LineFormats) {
  Outcome o = RunBoth("X := 'a' + 1", InButton);
  ASSERT_EQ(o.log.size(), 1u);
  EXPECT_EQ(o.log[0], "Invalid operand types for \"+\" ('a' + 1   in BUTTON1 <TFake>) Init");
  o = RunBoth("Y := FOO; A.B := 1", InButton);
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var FOO (in BUTTON1 <TFake> Init",
                                             "Add var A.B (in BUTTON1 <TFake> Init"}));
  o = RunBoth("Y := NIL.Z", InButton);
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var NIL NIL.Z (in BUTTON1 <TFake> Init"}));
  // Without a current element the description is empty.
  o = RunBoth("BREAK");
  EXPECT_EQ(o.log, (std::vector<std::string>{"BREAK outside loop (BREAK   in ) Test"}));
}

// Only the first error of a run is kept and logged.
TEST(ErrorLog, FirstErrorWins) {
  Outcome o = RunBoth("X := Inc(1, 2, 3)");
  EXPECT_EQ(o.message, "Invalid parameters, function INC");
  EXPECT_EQ(o.log.size(), 1u);
  EXPECT_EQ(o.text, "INC ( 1 , 2 , 3 )  ");
  o = RunBoth("X := 1; Y := 'a' - 1; Z := 2");
  EXPECT_EQ(o.Var("X"), "Integer:1");
  EXPECT_EQ(o.Var("Z"), "<none>");
}

// With logging off nothing is written, but the run still fails.
TEST(ErrorLog, NothingWrittenWhenNotAsked) {
  HostSetup quiet = [](FakeHost& h, TPasCalc&) { h.logEnabled = false; };
  Outcome o = RunBoth("Y := FOO; A.B := 1; X := 1 / 0", quiet);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.code, 5);
  EXPECT_TRUE(o.log.empty());
}

// The error state is reset by every run and by Prepare, and readable after it.
TEST(ErrorLog, ResetPerRun) {
  TPasCalc calc;
  EXPECT_FALSE(calc.RunSource("X := 1 +"));
  EXPECT_EQ(calc.ErrorCode(), 1);
  EXPECT_EQ(calc.ErrorText(), "1 +  ");
  EXPECT_TRUE(calc.RunSource("X := 1"));
  EXPECT_EQ(calc.ErrorCode(), 0);
  EXPECT_EQ(calc.ErrorMessage(), "");
  EXPECT_EQ(calc.ErrorText(), "");
  // A host report names the text being run.
  calc.RegisterFunction("Report", [](TPasCalc& c, script::TVarList&, script::TVar&) {
    c.ReportError("Custom", 99);
    return true;
  });
  EXPECT_FALSE(calc.RunSource("Y := 2; Report(1)"));
  EXPECT_EQ(calc.ErrorMessage(), "Custom");
  EXPECT_EQ(calc.ErrorText(), "REPORT ( 1 )  ");
}

// The statement budget stops endless loops of every kind.
TEST(ErrorLog, StatementBudget) {
  HostSetup small = [](FakeHost&, TPasCalc& calc) { calc.SetStatementBudget(1000); };
  CheckErrors(
      {
          {"WHILE TRUE DO ;", 30, "Script stopped: statement budget exceeded"},
          {"WHILE 1 DO X := 1", 30, "Script stopped: statement budget exceeded"},
          {"REPEAT UNTIL FALSE", 30, "Script stopped: statement budget exceeded"},
          {"I := 0; FOR I := 1 TO 2000000000 DO ;", 30,
           "Script stopped: statement budget exceeded"},
          {"GOTO L; L: GOTO L", 30, "Script stopped: statement budget exceeded"},
          {"FUNCTION F(); BEGIN WHILE 1 DO ; END; X := F", 30,
           "Script stopped: statement budget exceeded"},
      },
      small);
  Outcome o = RunBoth("I := 0; FOR I := 1 TO 400 DO X := I", small);
  EXPECT_TRUE(o.ok);
  EXPECT_EQ(o.text, "");
  o = RunBoth("I := 0; FOR I := 1 TO 600 DO X := I", small);
  EXPECT_EQ(o.code, 30);
  EXPECT_EQ(o.text, "FOR I := 1 TO 600 DO X := I  ");  // a loop pass counts too
  HostSetup none = [](FakeHost&, TPasCalc& calc) { calc.SetStatementBudget(0); };
  EXPECT_TRUE(RunBoth("I := 0; FOR I := 1 TO 200000 DO X := I", none).ok);
  TPasCalc calc;
  EXPECT_EQ(calc.StatementBudget(), 50000000u);
}

}  // namespace
}  // namespace script_test
