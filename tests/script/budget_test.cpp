// What one event may make the program hold: the variable budget (array
// elements, variables made by a nested run or the host, values kept for the
// callers of a recursion), the memory of deep nesting, the quotation limit of
// log lines, and a failed allocation stopping the run instead of the program.

#include <sys/resource.h>

#include <iterator>

#include "harness.h"

namespace script_test {
namespace {

using script::TPasCalc;

const std::string kVariableStop = "Script stopped: variable budget exceeded";

HostSetup Budget(uint64_t variables) {
  return [variables](FakeHost&, TPasCalc& calc) { calc.SetVariableBudget(variables); };
}

// A recursion of depth n whose every level changes the caller's 30 array
// elements (each level keeps their old values for its caller).
std::string ChangingRecursion(int n) {
  return "PROCEDURE P(N); BEGIN Side(N); J := 0; FOR J := 1 TO 30 DO A[J] := N;"
         " IF N > 0 THEN P(N - 1) END; I := 0; FOR I := 1 TO 30 DO A[I] := 0; P(" +
         std::to_string(n) + ")";
}

// The budget counts what an event adds and still holds, the same way with
// the cache on and off (RunBoth compares where each run stopped).
TEST(Budgets, VariableBudget) {
  CheckErrors(
      {
          // I and 1000 elements: one past the budget, seen at the next statement.
          {"I := 0; FOR I := 1 TO 1000 DO A[I] := I; I := 0", 30, kVariableStop},
          {"I := 0; FOR I := 1 TO 2000 DO Exec(Cat('V', I, ' := 1'))", 30, kVariableStop},
          {"I := 0; FOR I := 1 TO 2000 DO Make(Cat('V', I), I)", 30, kVariableStop},
          // Elements made deep in a call count while the call runs.
          {"FUNCTION F(N); BEGIN L := N; IF N > 0 THEN RESULT := F(N - 1) ELSE BEGIN"
           " J := 0; FOR J := 1 TO 2000 DO B[J] := J; RESULT := 0 END END; X := F(5)",
           30, kVariableStop},
          // 100 levels each keeping 31 old values.
          {ChangingRecursion(100), 30, kVariableStop},
      },
      Budget(1000));
  const std::string shallow = ChangingRecursion(20);
  CheckValues(
      {
          {"I := 0; FOR I := 1 TO 999 DO A[I] := I; I := 0", "A[999]", "Integer:999"},
          // Locals and parameters go when a call returns, however many calls.
          {"PROCEDURE P(X); BEGIN L1 := X; L2 := X; L3 := X END; I := 0; FOR I := 1 TO 3000 DO "
           "P(I)",
           "I", "Integer:3000"},
          {"FUNCTION F(X); BEGIN T := X; RESULT := T + 1 END; S := 0; I := 0;"
           " FOR I := 1 TO 3000 DO S := S + F(I)",
           "S", "Integer:4504500"},
          {"I := 0; FOR I := 1 TO 3000 DO Exec('T := I')", "T", "Integer:3000"},
          {shallow.c_str(), "A[1]", "Integer:0"},
      },
      Budget(1000));
  // Where the recursion stopped: the same level both ways.
  Outcome o = RunBoth(ChangingRecursion(100), Budget(1000));
  EXPECT_GT(o.trace.size(), 20u);
  EXPECT_LT(o.trace.size(), 100u);
}

// A caller's text that a call replaces is kept for the rollback and counts
// as held text until the call returns, when the event gets it back: ten
// levels deep, ten copies of 64 KiB are held.
TEST(Budgets, TextsKeptForCallersCount) {
  HostSetup grown = [](FakeHost&, TPasCalc& calc) {
    calc.RegisterFunction("Grown", [](TPasCalc&, script::TVarList&, script::TVar& r) {
      r.value = Value::Int64(
          static_cast<int64_t>(script::g_process.textGrowth - script::g_process.event.textBase));
      return true;
    });
  };
  Outcome o = RunBoth(
      "PROCEDURE P(N); BEGIN S := S + 'y'; IF N > 0 THEN P(N - 1) ELSE Side(Grown()) END;"
      " S := 'x'; I := 0; FOR I := 1 TO 16 DO S := S + S; Side(Grown()); P(9); Side(Grown())",
      grown);
  ASSERT_TRUE(o.ok) << o;
  ASSERT_EQ(o.trace.size(), 3u);
  const int64_t before = std::stoll(o.trace[0]);
  EXPECT_GE(std::stoll(o.trace[1]) - before, 10 * 65536);
  EXPECT_EQ(std::stoll(o.trace[2]), before);
}

// The budget is the event's: the next run has all of it again; 0 is no limit.
TEST(Budgets, VariableBudgetPerEventAndUnlimited) {
  TPasCalc calc;
  EXPECT_EQ(calc.VariableBudget(), script::kDefaultVariableBudget);
  calc.SetVariableBudget(10);
  const std::string fill = "I := 0; FOR I := 1 TO 100 DO A[I] := I; I := 0";
  EXPECT_FALSE(calc.RunSource(fill));
  EXPECT_EQ(calc.ErrorMessage(), kVariableStop);
  calc.ClearVariables();
  EXPECT_TRUE(calc.RunSource("I := 0; FOR I := 1 TO 8 DO A[I] := I; I := 0"));
  calc.ClearVariables();
  calc.SetVariableBudget(0);
  EXPECT_TRUE(calc.RunSource(fill));
}

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Nesting of every kind stops at its limit holding little memory: a call
// level once kept a copy of all the text inside it. Measured with the cache
// on, as the player runs; the reference mode cuts a text of its own for every
// block it enters, as the re-reading design does.
TEST(Budgets, DeepNestingStaysSmall) {
  const struct {
    std::string source;
    std::string message;
  } rows[] = {
      {"X := " + Repeat("Cat(1, ", 20000) + "1" + Repeat(")", 20000), "Script nested too deeply"},
      {"X := A[" + Repeat("A[", 20000) + "1" + Repeat("]", 20001), "Script nested too deeply"},
      {"X := " + Repeat("((((Cat(", 5000) + "1" + Repeat(")))))", 5000),
       "Script nested too deeply"},
      {Repeat("IF 1 THEN BEGIN ", 4000) + "X := 1" + Repeat(" END", 4000),
       "Script nested too deeply"},
      {"FUNCTION F(N); BEGIN L1 := N; L2 := 'abc'; RESULT := (F(N - 1) + 1) END; X := F(1)",
       "Procedure calls nested too deeply: F"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const long before = PeakRssKb();
    Outcome o = RunOnce(rows[i].source, true);
    EXPECT_EQ(o.code, 31) << "row " << i;
    EXPECT_EQ(o.message, rows[i].message) << "row " << i;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(PeakRssKb() - before, 64 * 1024) << "row " << i;
#endif
  }
}

// A log line quotes at most 4096 bytes of the failing text or name, then "...".
TEST(Budgets, LogLinesQuoteAtMost4096Bytes) {
  const std::string operands = "Invalid operand types for \"+\" (";
  // The readable form of 'a...' + 1 is the literal and 8 more bytes.
  const std::string exact = "'" + std::string(4088, 'a') + "' + 1  ";
  const std::string over = "'" + std::string(4089, 'a') + "' + 1  ";
  const std::string name(5000, 'N');
  const struct {
    std::string source;
    std::string line;
  } rows[] = {
      {"X := " + exact, operands + exact + " in ) Test"},
      {"X := " + over, operands + over.substr(0, 4096) + "... in ) Test"},
      {"Y := " + name, "Not var NIL " + name.substr(0, 4096) + "... (in  Test"},
      {"Q." + name + " := 1", "Add var Q." + name.substr(0, 4094) + "... (in  Test"},
  };
  for (const auto& row : rows) {
    Outcome o = RunBoth(row.source);
    ASSERT_FALSE(o.log.empty()) << row.line.substr(0, 40);
    EXPECT_EQ(o.log[0], row.line);
  }
  // A declaration error replayed from the source cache is cut the same way.
  FakeHost host;
  TPasCalc calc(&host);
  const std::string source = "PROCEDURE P(" + Repeat("A ", 3000) + "); BEGIN END";
  EXPECT_FALSE(calc.RunSource(source));
  EXPECT_FALSE(calc.RunSource(source));
  const std::string text = "PROCEDURE P ( " + Repeat("A ", 3000);
  ASSERT_EQ(host.log.size(), 2u);
  EXPECT_EQ(host.log[0], "Invalid function call (" + text.substr(0, 4096) + "... in ) Test");
  EXPECT_EQ(host.log[1], host.log[0]);
}

// An allocation that fails anywhere in a run stops that run with an error
// line; the interpreter is left as if the run had ended normally, so the
// next run (recursion near the call limit, by-reference parameters, nested
// native calls) works.
TEST(Budgets, FailedAllocationStopsOnlyTheRun) {
  const char* failing[] = {
      "X := Oom(1)",
      "X := Cat(1, Cat(2, (Oom(3))))",
      "PROCEDURE P(N, V); BEGIN V := V + 1; IF N > 0 THEN P(N - 1, V) ELSE X := Oom(1) END;"
      " C := 0; P(50, C)",
      "FUNCTION F(N); BEGIN L := N; IF N > 0 THEN RESULT := (F(N - 1) + 1) ELSE RESULT := Oom(1)"
      " END; X := F(100)",
      "PROCEDURE P(); BEGIN Exec('Z := Cat(1, Oom(2))') END; P(); W := 1",
      "I := 0; FOR I := 1 TO 10 DO A[I] := Cat(I, Oom(I))",
  };
  const std::string next =
      "FUNCTION F(N); BEGIN IF N > 0 THEN RESULT := F(N - 1) + 1 ELSE RESULT := 0 END;"
      " PROCEDURE Q(V); BEGIN V := V * 2 END; X := F(190); B := 21; Q(B); Y := Cat(1, Cat(2, 3))";
  for (bool cache : {true, false}) {
    FakeHost host;
    TPasCalc calc(&host);
    calc.SetCacheEnabled(cache);
    RegisterTestNatives(calc, nullptr);
    for (const char* source : failing) {
      host.log.clear();
      EXPECT_FALSE(calc.RunSource(source)) << source;
      EXPECT_EQ(calc.ErrorCode(), 30) << source;
      EXPECT_EQ(calc.ErrorMessage(), "Script stopped: out of memory") << source;
      EXPECT_EQ(host.log.size(), 1u) << source;
      EXPECT_EQ(script::g_process.nesting, 0) << source;
      EXPECT_EQ(script::g_process.event.runs, 0) << source;
      EXPECT_FALSE(calc.Variables().SnapshotOpen()) << source;
      EXPECT_EQ(calc.IndexOfVariable("W"), -1) << source;
      calc.ClearVariables();
      ASSERT_TRUE(calc.RunSource(next)) << source << ": " << calc.ErrorMessage();
      EXPECT_EQ(Show(calc.Variables().Find("X")->value), "Integer:190");
      EXPECT_EQ(Show(calc.Variables().Find("B")->value), "Integer:42");
      EXPECT_EQ(Show(calc.Variables().Find("Y")->value), "String:123");
      calc.ClearVariables();
    }
  }
}

}  // namespace
}  // namespace script_test
