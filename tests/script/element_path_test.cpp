// Names that are not script variables reach the host's elements: plain names
// of the current element, leading dots, "@<handle>.", dotted segments and
// QZDB, for reads and writes, with the Not-var and Add-var diagnostics.

#include "script/element_path.h"
#include "harness.h"
#include "support/process_state.h"

namespace script_test {
namespace {

using script::TPasCalc;

// root (QZDB) -> panel -> button (current), root -> other
struct Tree {
  uint32_t root, panel, button, other;
};

Tree Build(FakeHost& h) {
  Tree t;
  t.root = h.Add("QZDB");
  t.panel = h.Add("PANEL", t.root);
  t.button = h.Add("BUTTON", t.panel);
  t.other = h.Add("OTHER", t.root);
  h.elements[t.root].props["X"] = Value::Integer(1);
  h.elements[t.panel].props["X"] = Value::Integer(10);
  h.elements[t.button].props["X"] = Value::Integer(100);
  h.elements[t.button].props["CAPTION"] = Value::String("ok");
  h.elements[t.other].props["X"] = Value::Integer(1000);
  h.current = t.button;
  return t;
}

HostSetup InButton = [](FakeHost& h, TPasCalc&) { Build(h); };

TEST(ElementPaths, Reads) {
  CheckValues(
      {
          {"Y := X", "Y", "Integer:100"},
          {"Y := .X", "Y", "Integer:10"},
          {"Y := ..X", "Y", "Integer:1"},
          {"Y := QZDB.OTHER.X", "Y", "Integer:1000"},
          {"Y := QZDB.PANEL.BUTTON.CAPTION", "Y", "String:ok"},
          {"Y := ..OTHER.X", "Y", "Integer:1000"},
          {"Y := SELF", "Y", "LongWord:1002"},
          {"Y := @1003.", "Y", "LongWord:1003"},
          {"Y := @1003.X", "Y", "Integer:1000"},
          {"R := QZDB.OTHER; Y := R.X", "Y", "Integer:1000"},
          {"Y := PARENT.X", "Y", "Integer:10"},
          // A script variable shadows the element's name.
          {"X := 5; Y := X", "Y", "Integer:5"},
      },
      InButton);
}

TEST(ElementPaths, Writes) {
  Outcome o = RunBoth("X := 5", InButton);
  EXPECT_EQ(o.props[1002]["X"], "Integer:5");
  EXPECT_EQ(o.Var("X"), "<none>");  // the property changed, no variable was made
  o = RunBoth("QZDB.PANEL.BUTTON.X := QZDB.PANEL.BUTTON.X + 1; .X := 7; @1003.X := 8", InButton);
  EXPECT_EQ(o.props[1002]["X"], "Integer:101");
  EXPECT_EQ(o.props[1001]["X"], "Integer:7");
  EXPECT_EQ(o.props[1003]["X"], "Integer:8");
  EXPECT_TRUE(o.log.empty());
  // A write that does not resolve makes a variable; a dotted one says so.
  o = RunBoth("NEWNAME := 1; QZDB.NOBODY.X := 2", InButton);
  EXPECT_EQ(o.Var("NEWNAME"), "Integer:1");
  EXPECT_EQ(o.Var("QZDB.NOBODY.X"), "Integer:2");
  EXPECT_EQ(o.log, (std::vector<std::string>{"Add var QZDB.NOBODY.X (in BUTTON <TFake> Test"}));
  // A parameter named like a property of the current element writes the property.
  o = RunBoth("PROCEDURE P(X); BEGIN END; P(42)", InButton);
  EXPECT_EQ(o.props[1002]["X"], "Integer:42");
}

// Unknown last segments read as the Byte 0 with a diagnostic; broken paths fail.
TEST(ElementPaths, UnknownAndBroken) {
  Outcome o = RunBoth("Y := NOSUCH", InButton);
  EXPECT_EQ(o.Var("Y"), "Byte:0");
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var NOSUCH (in BUTTON <TFake> Test"}));
  o = RunBoth("Y := QZDB.OTHER.NOSUCH", InButton);
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var QZDB.OTHER.NOSUCH (in BUTTON <TFake> Test"}));
  o = RunBoth("Y := NIL.X", InButton);
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var NIL NIL.X (in BUTTON <TFake> Test"}));
  CheckErrors(
      {
          {"Y := ....X", 3, "Variable not found: ....X"},
          {"Y := X.Y", 3, "Variable not found: X.Y"},  // X is not an element reference
          {"Y := NOBODY.X", 3, "Variable not found: NOBODY.X"},
          {"Y := @99.X", 3, "Variable not found: @99.X"},
          {"Y := @abc.X", 3, "Variable not found: @ABC.X"},
          {"Y := PANEL..X", 3, "Variable not found: PANEL..X"},
          {"Y := .", 3, "Variable not found: ."},
      },
      InButton);
}

// At the root: ".X" asks no element ("Not var NIL"), "..X" fails.
TEST(ElementPaths, AtTheRoot) {
  HostSetup atRoot = [](FakeHost& h, TPasCalc&) { h.current = Build(h).root; };
  Outcome o = RunBoth("Y := .X", atRoot);
  EXPECT_EQ(o.Var("Y"), "Byte:0");
  EXPECT_EQ(o.log, (std::vector<std::string>{"Not var NIL .X (in QZDB <TFake> Test"}));
  o = RunBoth("Y := ..X", atRoot);
  EXPECT_EQ(o.message, "Variable not found: ..X");
  // Without a current element nothing but variables resolves.
  HostSetup none = [](FakeHost& h, TPasCalc&) {
    Build(h).root;
    h.current = 0;
  };
  o = RunBoth("Y := QZDB.X", none);
  EXPECT_EQ(o.message, "Variable not found: QZDB.X");
}

// QZDB reaches the root only when the current element does not answer it.
TEST(ElementPaths, QzdbFallback) {
  HostSetup shadow = [](FakeHost& h, TPasCalc&) {
    Tree t = Build(h);
    h.elements[t.button].props["QZDB"] = Value::Ref(t.other);
  };
  CheckValues({{"Y := QZDB.X", "Y", "Integer:1000"}}, shadow);
}

// With the quiet lookup flag a read of an unknown name fails without a line.
TEST(ElementPaths, QuietLookup) {
  Outcome o;
  {
    testing_support::QuietLookupScope quiet;
    o = RunBoth("Y := NOSUCH", InButton);
  }
  EXPECT_EQ(o.message, "Variable not found: NOSUCH");
  EXPECT_EQ(o.log.size(), 1u);  // only the error line
  TPasCalc calc;
  FakeHost host;
  Build(host);
  calc.SetHost(&host);
  script::TVar out;
  EXPECT_TRUE(calc.GetVariable("  qzdb.other.x ", out));
  EXPECT_EQ(out.value.i, 1000);
  EXPECT_TRUE(calc.SetOrCreateVariable(script::TVar("X", Value::Integer(3))));
  EXPECT_EQ(host.elements[1002].props["X"].i, 3);
  EXPECT_FALSE(calc.SetVariable("x", Value::Integer(4)));  // only script variables
  EXPECT_TRUE(calc.SetOrCreateVariable(script::TVar("Q", Value::Integer(3))));
  EXPECT_TRUE(calc.SetVariable(" q", Value::Integer(4)));
  EXPECT_EQ(calc.IndexOfVariable("Q"), 0);
  EXPECT_EQ(calc.IndexOfVariable("q"), -1);
}

}  // namespace
}  // namespace script_test
