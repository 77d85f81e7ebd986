// Element scripts through the interpreter pool: initialisation variables
// becoming element variables, dotted names over real elements, procedures
// declared in an event script, the log, nesting depth and the run state.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/script_runner.h"
#include "support/test_support.h"

namespace scene {
namespace {

using script::TPasCalc;
using script::TVar;
using script::TVarList;
using script::Value;
using testing_support::ReadFile;
using testing_support::TempDir;

class LangRoot : public TQZDB {
 public:
  std::string LookupText(const std::string& address) override {
    return address == "TITLE" ? "Welcome" : std::string();
  }
};

class ElementScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetScriptHooks();
    runner_.InstallHooks();
    runner_.Host().SetLogPath(dir_ / "qazmir.err");
    hall_ = static_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
    hall_->SetId("Hall");
    door_ = static_cast<TQZImage*>(hall_->CreateChild("TQZImage"));
    door_->SetId("Door");
    knob_ = static_cast<TQZImage*>(door_->CreateChild("TQZImage"));
    knob_->SetId("Knob");
    root_.rX = 1;
    hall_->rX = 2;
    door_->rX = 3;
    knob_->rX = 4;
  }
  void TearDown() override {
    runner_.Host().SetLogPath("qazmir.err");
    runner_.SetStatementBudget(script::kDefaultStatementBudget);
    GetScriptHooks() = saved_;
  }
  void SetScript(TQZElement& e, Ev ev, const std::string& text) {
    e.SetScriptText(e.Script(ev), text);
  }
  std::string Log() {
    auto path = dir_ / "qazmir.err";
    return std::filesystem::exists(path) ? ReadFile(path) : std::string();
  }
  // Registers a native in every interpreter of the pool for this test.
  void Register(const std::string& name, script::NativeHandler h) {
    names_.push_back(name);
    runner_.ForEachInterpreter([&](TPasCalc& c) { c.RegisterFunction(name, h); });
  }
  ~ElementScripts() override {
    for (const auto& n : names_)
      runner_.ForEachInterpreter([&](TPasCalc& c) { c.RegisterFunction(n, nullptr); });
  }

  ScriptRunner& runner_ = ScriptRunner::Instance();
  ScriptHooks saved_;
  TempDir dir_;
  LangRoot root_;
  TQZScreen* hall_ = nullptr;
  TQZImage* door_ = nullptr;
  TQZImage* knob_ = nullptr;
  std::vector<std::string> names_;
};

// Variables an initialisation script creates become the element's variables;
// other events of the element read and change them by name; a reinit resets them.
TEST_F(ElementScripts, InitVariablesBecomeElementVariables) {
  SetScript(*door_, Ev::Init, "N := 5; X := 30; T := 'a'");
  SetScript(*door_, Ev::MouseDown, "N := N + 1; T := T + 'b'");
  door_->DoInit();
  ASSERT_TRUE(door_->Vars);
  ASSERT_NE(door_->Vars->Find("N"), nullptr);
  EXPECT_EQ(door_->Vars->Find("N")->value.i, 5);
  EXPECT_EQ(door_->Vars->Find("X"), nullptr);  // X is a property: the script set it
  EXPECT_EQ(door_->X(), 30);
  door_->DoMouseDown();
  door_->DoMouseDown();
  EXPECT_EQ(door_->Vars->Find("N")->value.i, 7);
  EXPECT_EQ(door_->Vars->Find("T")->value.s, "abb");
  door_->DoReinit();
  EXPECT_EQ(door_->Vars->Find("N")->value.i, 5);
}

// A variable created by a script that is not an initialisation is gone at
// the next run.
TEST_F(ElementScripts, RunVariablesDoNotSurvive) {
  SetScript(*door_, Ev::Process, "C := C + 1; TAG := C");
  door_->DoProcess();
  door_->DoProcess();
  EXPECT_EQ(door_->Tag, "1");
}

TEST_F(ElementScripts, DottedNames) {
  SetScript(*knob_, Ev::MouseDown,
            "QZDB.HALL.DOOR.X := QZDB.HALL.DOOR.X + 10; A := ..X; B := .X; C := X; D := ...X;"
            " E := ..SELF; F := PARENT.PARENT.X; QZDB.TAG := 'root'");
  SetScript(*knob_, Ev::Init, "");
  knob_->DoMouseDown();
  EXPECT_EQ(door_->X(), 13);
  ASSERT_TRUE(root_.Tag == "root");
  // Check the variables through a second script that writes them to tags.
  SetScript(*knob_, Ev::MouseUp,
            "A := ..X; B := .X; C := X; D := ...X; E := ..SELF; TAG := Cat4(A, B, C, D);"
            " HALL_HANDLE := E");
  Register("Cat4", [](TPasCalc&, TVarList& args, TVar& r) {
    std::string s;
    for (const auto& a : args.Items()) s += a.value.ToText() + ",";
    r.value = Value::String(s);
    return true;
  });
  knob_->DoMouseUp();
  EXPECT_EQ(knob_->Tag, "2,13,4,1,");
  // "@<handle>." reaches any element by its handle.
  SetScript(*knob_, Ev::MouseMove,
            "@" + std::to_string(hall_->Handle()) + ".TAG := 'by handle'; H := @" +
                std::to_string(door_->Handle()) + ".; @" + std::to_string(knob_->Handle()) +
                ".Y := 9");
  knob_->DoMouseMove();
  EXPECT_EQ(hall_->Tag, "by handle");
  EXPECT_EQ(knob_->Y(), 9);
}

// Procedures and functions declared in an event script can be called when it runs.
TEST_F(ElementScripts, ProceduresOfAnEventScript) {
  SetScript(*door_, Ev::MouseDown,
            "FUNCTION TWICE(N); BEGIN RESULT := N * 2 END;"
            " PROCEDURE MOVE(DX); BEGIN SELF.X := SELF.X + DX END;"
            " Y := TWICE(21); MOVE(7)");
  door_->DoMouseDown();
  door_->DoMouseDown();
  EXPECT_EQ(door_->Y(), 42);
  EXPECT_EQ(door_->X(), 17);
}

// A function's RESULT goes to an element variable of that name once the
// element has one, even when earlier calls of the same run found none.
TEST_F(ElementScripts, ResultFollowsAnElementVariableThatAppears) {
  SetScript(*door_, Ev::Init, "RESULT := 40");
  Register("Reinit", [this](TPasCalc&, TVarList&, TVar&) {
    door_->DoReinit();
    return true;
  });
  SetScript(*door_, Ev::MouseDown,
            "FUNCTION F(N); BEGIN RESULT := N END; A := F(1); A := F(2); Reinit; B := F(3);"
            " TAG := A * 10 + B");
  door_->DoMouseDown();
  EXPECT_EQ(door_->Tag, "23");
  ASSERT_TRUE(door_->Vars && door_->Vars->Find("RESULT"));
  EXPECT_EQ(door_->Vars->Find("RESULT")->value.ToText(), "3");
}

TEST_F(ElementScripts, TextKeysThroughTheRoot) {
  SetScript(*door_, Ev::MouseDown, "TAG := \"TITLE\" + '!'; QZDB.TAG := \"TITLE\"");
  door_->DoMouseDown();
  EXPECT_EQ(door_->Tag, "Welcome!");
  EXPECT_EQ(root_.Tag, "Welcome");  // the element write translates the key itself
}

// Errors and diagnostics go to qazmir.err only while the root's SaveErr is set.
TEST_F(ElementScripts, LogLines) {
  knob_->SetId("Button1");
  SetScript(*knob_, Ev::Init, "Q := UNKNOWNNAME; X := 1 / 0");
  knob_->DoReinit();
  EXPECT_EQ(Log(), "");
  root_.SaveErr = true;
  knob_->DoReinit();
  EXPECT_EQ(Log(),
            "Not var UNKNOWNNAME (in Button1 <TQZImage> InitPr\r\n"
            "Invalid operand types for \"/\" (1 / 0   in Button1 <TQZImage>) InitPr\r\n");
  // An error found while preparing names no element and the latest event.
  SetScript(*knob_, Ev::MouseDown, "PROCEDURE P(; BEGIN END");
  EXPECT_NE(Log().find("Invalid function call (PROCEDURE P (   in ) InitPr\r\n"),
            std::string::npos);
}

// One session appends at most its limit; the last line says the log stopped.
TEST_F(ElementScripts, LogStopsAtItsLimit) {
  root_.SaveErr = true;
  runner_.Host().SetLogLimit(200);
  SetScript(*door_, Ev::MouseDown, "X := 1 / 0");
  for (int i = 0; i < 10; ++i) door_->DoMouseDown();
  runner_.Host().SetLogLimit(ElementScriptHost::kDefaultLogLimit);
  const std::string line = "Invalid operand types for \"/\" (1 / 0   in Door <TQZImage>) ms_Down\r\n";
  const std::string stop = "The log stops here: this session has written its 200 bytes\r\n";
  EXPECT_EQ(Log(), line + line + stop);
}

// A line that cannot be written is skipped, or goes to the fallback folder.
TEST_F(ElementScripts, UnwritableLog) {
  root_.SaveErr = true;
  runner_.Host().SetLogPath(dir_ / "missing" / "qazmir.err");
  SetScript(*door_, Ev::MouseDown, "X := 1 / 0; Y := 2");
  door_->DoMouseDown();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  runner_.Host().SetLogFallbackDir(dir_.Path());
  door_->DoMouseDown();
  runner_.Host().SetLogFallbackDir({});
  EXPECT_EQ(Log(), "Invalid operand types for \"/\" (1 / 0   in Door <TQZImage>) ms_Down\r\n");
}

// The element whose script runs is the current element; the one before it
// the previous element; both and the event label come back after a nested run.
TEST_F(ElementScripts, RunStateNestsAndRestores) {
  std::vector<std::string> seen;
  ScriptRunner& runner = runner_;
  Register("Seen", [&](TPasCalc&, TVarList&, TVar&) {
    TQZElement* prev = runner.PreviousElement();
    seen.push_back(runner.CurrentElement()->Id + "/" + (prev ? prev->Id : "-") + "/" +
                   runner.ContextName() + "/" + std::to_string(runner.Depth()));
    return true;
  });
  TQZImage* door = door_;
  Register("Press", [door](TPasCalc&, TVarList&, TVar&) {
    door->DoMouseDown();
    return true;
  });
  SetScript(*door_, Ev::MouseDown, "Seen");
  SetScript(*knob_, Ev::MouseUp, "Seen; Press; Seen; X := 1 / 0");
  root_.SaveErr = true;
  knob_->DoMouseUp();
  EXPECT_EQ(seen,
            (std::vector<std::string>{"Knob/-/ms_Up/2", "Door/Knob/ms_Down/3", "Knob/-/ms_Up/2"}));
  EXPECT_EQ(runner_.Depth(), 1);
  EXPECT_EQ(runner_.CurrentElement(), nullptr);
  EXPECT_NE(Log().find("in Knob <TQZImage>) ms_Up\r\n"), std::string::npos);
}

// Nine event runs can nest; a tenth is refused with an error on the caller.
TEST_F(ElementScripts, DepthElevenIsRefused) {
  int runs = 0;
  TQZImage* door = door_;
  Register("Again", [&runs, door](TPasCalc&, TVarList&, TVar&) {
    ++runs;
    door->DoMouseDown();
    return true;
  });
  SetScript(*door_, Ev::MouseDown, "Again; TAG := 'after'");
  root_.SaveErr = true;
  door_->DoMouseDown();
  EXPECT_EQ(runs, 9);
  EXPECT_NE(Log().find("Script runs nested too deeply (AGAIN   in Door <TQZImage>) ms_Down"),
            std::string::npos);
  EXPECT_EQ(runner_.Depth(), 1);
}

// A script may replace its own text while it runs; the run finishes the old one.
TEST_F(ElementScripts, ScriptReplacesItself) {
  SetScript(*door_, Ev::MouseDown, "EXMOUSEDOWN := 'TAG := 2'; TAG := 'first'");
  door_->DoMouseDown();
  EXPECT_EQ(door_->Tag, "first");
  door_->DoMouseDown();
  EXPECT_EQ(door_->Tag, "2");
}

// Compiled paths remember how each segment resolved; a change of the tree or
// of the element's variables is seen on the next run.
TEST_F(ElementScripts, RememberedPathsFollowChanges) {
  TQZElement* other = root_.CreateChild("TQZScreen");
  ASSERT_NE(other, nullptr);
  other->SetId("Other");
  other->rX = 50;
  SetScript(*knob_, Ev::MouseDown, "TAG := QZDB.HALL.DOOR.X; X := 4");
  knob_->DoMouseDown();
  EXPECT_EQ(knob_->Tag, "3");
  // An earlier sibling takes the name: it is the first child of that name now.
  hall_->SetId("Spare");
  other->SetId("Hall");
  ASSERT_NE(other->CreateChild("TQZImage"), nullptr);
  other->Child(0)->SetId("Door");
  other->Child(0)->rX = 77;
  knob_->DoMouseDown();
  EXPECT_EQ(knob_->Tag, "77");
  // A variable of the element shadows the property it names.
  knob_->Vars = std::make_unique<TVarList>();
  knob_->Vars->Append(TVar("X", Value::Integer(0)));
  knob_->Vars->Append(TVar("QZDB", Value::Ref(hall_->Handle())));
  SetScript(*knob_, Ev::MouseUp, "TAG := QZDB.DOOR.X; X := 5; Y := X");
  knob_->DoMouseUp();
  EXPECT_EQ(knob_->Tag, "3");
  EXPECT_EQ(knob_->X(), 4);
  EXPECT_EQ(knob_->Vars->Find("X")->value.i, 5);
  knob_->Vars.reset();
  SetScript(*knob_, Ev::MouseMove, "TAG := QZDB.HALL.DOOR.X; X := 6");
  knob_->DoMouseMove();
  EXPECT_EQ(knob_->Tag, "77");  // QZDB is the root again
  EXPECT_EQ(knob_->X(), 6);
}

// A path read and written in a loop is answered from its remembered walk and
// its last slot; whatever changes between two passes is seen on the next
// one, exactly as the uncached interpreter (the reference) sees it.
struct PathChange {
  const char* what;
  const char* body;  // one pass of the loop; P stands for QZDB.CASE.ITEM
  std::function<void(TQZElement& item, TQZElement& other, TQZElement& runner)> change;
  const char* seen;  // the values SEEN was given, in order
};

TEST_F(ElementScripts, RememberedPathsFollowChangesWithinALoop) {
  const char* kCount = "P.X := P.X + 1; SEEN(P.X)";
  const std::vector<PathChange> rows = {
      {"a variable of the end element shadows X", kCount,
       [](TQZElement& item, TQZElement&, TQZElement&) {
         item.Vars = std::make_shared<TVarList>();
         item.Vars->Append(TVar("X", Value::Integer(100)));
       },
       "11 12 101 102"},
      {"the end element is renamed", kCount,
       [](TQZElement& item, TQZElement&, TQZElement&) { item.SetId("Spare"); }, "11 12"},
      {"an earlier sibling takes the end element's name", kCount,
       [](TQZElement& item, TQZElement& other, TQZElement&) {
         item.SetId("Spare");
         other.SetId("Item");
       },
       "11 12 51 52"},
      {"the end element is removed", kCount,
       [](TQZElement& item, TQZElement&, TQZElement&) { item.Parent()->DestroyChildren(); },
       "11 12"},
      {"an intermediate element is renamed", kCount,
       [](TQZElement& item, TQZElement&, TQZElement&) { item.Parent()->SetId("Crate"); }, "11 12"},
      {"a variable of the running element shadows its own X", "X := X + 1; SEEN(X)",
       [](TQZElement&, TQZElement&, TQZElement& runner) {
         runner.Vars = std::make_shared<TVarList>();
         runner.Vars->Append(TVar("X", Value::Integer(7)));
       },
       "1 2 8 9"},
      {"a text key after plain texts",
       "IF I = 3 THEN P.TAG := \"TITLE\" ELSE P.TAG := 'a'; SEEN(P.TAG)", nullptr, "a a Welcome a"},
      {"reals rounded half to even on the write", "P.X := P.X + 0.5; SEEN(P.X)", nullptr,
       "10 10 10 10"},
  };
  root_.SaveErr = true;
  std::vector<std::string> seen;
  const PathChange* row = nullptr;
  TQZElement *item = nullptr, *other = nullptr, *runner = nullptr;
  Register("SEEN", [&](TPasCalc&, TVarList& args, TVar&) {
    seen.push_back(args.At(0).value.ToText());
    return true;
  });
  Register("CHANGE", [&](TPasCalc&, TVarList&, TVar&) {
    if (row->change) row->change(*item, *other, *runner);
    return true;
  });
  for (const PathChange& r : rows) {
    row = &r;
    std::string script =
        std::string("I := 0; FOR I := 1 TO 4 DO BEGIN IF I = 3 THEN CHANGE; ") + r.body + " END";
    for (size_t at; (at = script.find("P.")) != std::string::npos;)
      script.replace(at, 1, "QZDB.CASE.ITEM");
    std::string results[2];
    for (bool cache : {false, true}) {
      runner_.SetCacheEnabled(cache);
      root_.DestroyChildren();
      TQZElement* box = root_.CreateChild("TQZScreen");
      box->SetId("Case");
      other = box->CreateChild("TQZImage");
      other->SetId("Other");
      other->rX = 50;
      item = box->CreateChild("TQZImage");
      item->SetId("Item");
      item->rX = 10;
      runner = root_.CreateChild("TQZScreen")->CreateChild("TQZImage");
      SetScript(*runner, Ev::MouseDown, script);
      seen.clear();
      const size_t logBefore = Log().size();
      runner->DoMouseDown();
      std::string joined;
      for (const std::string& v : seen) joined += (joined.empty() ? "" : " ") + v;
      if (cache) {
        EXPECT_EQ(joined, r.seen) << r.what;
      }
      results[cache] = joined + "\n" + Log().substr(logBefore);
    }
    EXPECT_EQ(results[true], results[false]) << r.what;
  }
  runner_.SetCacheEnabled(true);
}

// One compiled text run by two elements: each walks from itself.
TEST_F(ElementScripts, RememberedPathsBelongToTheirStart) {
  TQZElement* shed = root_.CreateChild("TQZScreen");
  TQZElement* knob = shed->CreateChild("TQZImage");
  knob->SetId("Knob");
  knob->rX = 9;
  std::vector<int32_t> seen;
  Register("SEEN", [&](TPasCalc&, TVarList& args, TVar&) {
    seen.push_back(static_cast<int32_t>(args.At(0).value.i));
    return true;
  });
  const std::string text = "KNOB.X := KNOB.X + 1; SEEN(KNOB.X)";
  SetScript(*door_, Ev::MouseDown, text);
  SetScript(*shed, Ev::MouseDown, text);
  door_->DoMouseDown();
  shed->DoMouseDown();
  door_->DoMouseDown();
  EXPECT_EQ(seen, (std::vector<int32_t>{5, 10, 6}));
}

TEST_F(ElementScripts, StatementBudget) {
  runner_.SetStatementBudget(1000);
  root_.SaveErr = true;
  SetScript(*door_, Ev::MouseDown, "WHILE TRUE DO ;");
  door_->DoMouseDown();
  EXPECT_NE(Log().find("Script stopped: statement budget exceeded"), std::string::npos);
}

}  // namespace
}  // namespace scene
