// Hostile scripts against the real runner and native table: whatever a game's
// scripts do, every event ends, and neither nesting runs nor copying texts
// gets around the limits (statement budget, text budget, procedure depth,
// run nesting, text length, Format widths).

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "scene/screen.h"

namespace scriptlib_test {
namespace {

using scene::Ev;

class HostileScripts : public ElementGame {
 protected:
  void SetUp() override {
    ElementGame::SetUp();
    hall_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Hall", 10);
    room_ = Add<scene::TQZScreen>(&root_, "TQZScreen", "Room", 20);
  }
  void TearDown() override {
    Runner().SetStatementBudget(script::kDefaultStatementBudget);
    ElementGame::TearDown();
  }
  // The hall's and the room's process scripts.
  void Hall(const std::string& text) { Script(hall_, Ev::Process, text); }
  void RoomScript(const std::string& text) { Script(room_, Ev::Process, text); }

  scene::TQZScreen* hall_ = nullptr;
  scene::TQZScreen* room_ = nullptr;
};

// Runs of other elements' events started by natives spend the budget of the
// event that started them: two loops of 9000 nested in each other stop after
// the budget, not after 81 million statements.
TEST_F(HostileScripts, NestedRunsShareTheStatementBudget) {
  Runner().SetStatementBudget(20000);
  Hall("J := 0; FOR J := 1 TO 9000 DO K := J");
  EXPECT_EQ(Run("I := 0; FOR I := 1 TO 9000 DO Process(QZDB.HALL)"),
            "Script stopped: statement budget exceeded");
  // The budget holds two inner loops of 9000 passes and their statements.
  EXPECT_EQ(Var("I"), "Integer:2");

  // Three levels deep, with the innermost loop endless.
  RoomScript("WHILE TRUE DO X := 1");
  Hall("J := 0; FOR J := 1 TO 9000 DO Process(QZDB.ROOM)");
  EXPECT_EQ(Run("I := 0; FOR I := 1 TO 9000 DO Process(QZDB.HALL)"),
            "Script stopped: statement budget exceeded");
  EXPECT_EQ(Var("I"), "Integer:1");

  // Each event has the whole budget again.
  Hall("");
  EXPECT_EQ(Run("I := 0; FOR I := 1 TO 9000 DO K := I"), "");
  EXPECT_EQ(Run("I := 0; FOR I := 1 TO 9000 DO K := I"), "");

  // Exec runs in the same interpreter and spends the same budget.
  EXPECT_EQ(Run("I := 0; FOR I := 1 TO 9000 DO Exec('J := 0; FOR J := 1 TO 9000 DO K := J')"),
            "Script stopped: statement budget exceeded");
}

// Copying a long text over and over stops at the event's text budget instead
// of filling memory: an array of copies, copies handed back through GetVar,
// and copies made in nested runs all count.
TEST_F(HostileScripts, CopiesOfLongTextsStopAtTheTextBudget) {
  const std::string eightMiB = "I := 0; S := 'x'; FOR I := 1 TO 23 DO S := S + S; ";
  EXPECT_EQ(Run(eightMiB + "FOR I := 1 TO 40 DO A[I] := S"), "Script stopped: text budget exceeded");
  const size_t perCopy = size_t{8} << 20;
  const size_t copies = script::kEventTextBudget / perCopy;
  EXPECT_NE(Var("A[" + std::to_string(copies - 2) + "]"), "<none>");
  EXPECT_EQ(Var("A[" + std::to_string(copies + 1) + "]"), "<none>");

  EXPECT_EQ(Run(eightMiB + "FOR I := 1 TO 40 DO B[I] := GetVar('S')"),
            "Script stopped: text budget exceeded");
  EXPECT_EQ(Var("B[" + std::to_string(copies + 1) + "]"), "<none>");

  // Nested runs: each copies 8 MiB into its element's Tag; the event stops.
  Hall("QZDB.HALL.TAG := QZDB.TAG");
  EXPECT_EQ(Run(eightMiB + "QZDB.TAG := S; S := ''; FOR I := 1 TO 40 DO Process(QZDB.HALL)"),
            "Script stopped: text budget exceeded");
  EXPECT_NE(Var("I"), "Integer:40");

  // The next event starts with the whole budget again.
  hall_->Tag.clear();
  root_.Tag.clear();
  EXPECT_EQ(Run("I := 0; S := 'abc'; FOR I := 1 TO 1000 DO A[I] := S + S"), "");

  // Texts made and dropped over and over cost only what is kept: 5,000
  // texts of 64 KiB, past the budget in all, replace one another.
  EXPECT_EQ(Run("I := 0; S := 'x'; FOR I := 1 TO 16 DO S := S + S;"
                " FOR I := 1 TO 5000 DO T := S + IntToStr(I)"),
            "");
  EXPECT_EQ(Var("T").size(), std::string("String:").size() + 65536 + 4);
  // An accumulator flushed at 4 KiB whose length is asked on every line:
  // the texts passed to natives are not kept.
  EXPECT_EQ(Run("A := ''; T := 0; I := 0; FOR I := 1 TO 150000 DO BEGIN"
                " A := A + 'Score: ' + IntToStr(I) + ' of 150000';"
                " IF Length(A) >= 4096 THEN BEGIN T := T + Length(A); A := '' END END"),
            "");
  EXPECT_EQ(Var("I"), "Integer:150000");
}

// Limits that hold inside one run: text length, procedure depth, run nesting,
// Format field widths and the total Format result.
TEST_F(HostileScripts, TextLengthDepthNestingAndFormatLimits) {
  // Doubling forever stops at the length limit of a text.
  std::string error = Run("S := 'x'; WHILE TRUE DO S := S + S");
  EXPECT_FALSE(error.empty());
  EXPECT_LE(Runner().Interpreter(1).Variables().Find("S")->value.s.size(), script::kMaxTextLength);

  EXPECT_EQ(Run("PROCEDURE P(); BEGIN P() END; P()"), "Procedure calls nested too deeply: P");

  // An event that runs itself: the eleventh run is refused, every run ends.
  Hall("N := 1; Process(QZDB.HALL)");
  EXPECT_EQ(Run("Process(QZDB.HALL); OK := 1"), "");
  EXPECT_EQ(Var("OK"), "Integer:1");
  EXPECT_EQ(Runner().Depth(), 1);

  EXPECT_EQ(Run("S := Format('%65536d', 1)"), "");
  EXPECT_EQ(Var("S").size(), std::string("String:").size() + 65536);
  EXPECT_NE(Run("S := Format('%65537d', 1)"), "");
  EXPECT_NE(Run("S := Format('%.99999999999f', 1.5)"), "");
  // 1100 wide fields in one call pass the length limit of a text: refused
  // before the result is made.
  Run("F := ''; A := ''; I := 0; FOR I := 1 TO 1100 DO BEGIN F := F + '%65536d'; A := A + ', 1' END;"
      " Exec('S := Format(F' + A + ')')");
  EXPECT_EQ(Var("S"), "<none>");
  EXPECT_EQ(Run("F := ''; A := ''; I := 0; FOR I := 1 TO 1000 DO BEGIN F := F + '%65536d'; A := A + ', 1' END;"
                " Exec('S := Format(F' + A + ')')"),
            "");
  EXPECT_EQ(Var("S").size(), std::string("String:").size() + 1000 * 65536);
}

}  // namespace
}  // namespace scriptlib_test
