// Cached and uncached execution must be indistinguishable. Every table test
// already runs each snippet both ways on fresh interpreters; here scripts run
// several times on one interpreter, so the second and later runs execute from
// warm caches (statement lists, expression trees, variable hints, host
// slots), and the results are compared with runs that re-read everything.

#include "harness.h"

namespace script_test {
namespace {

using script::TPasCalc;

const char* const kScripts[] = {
    "I := 0; S := 0; WHILE I < 50 DO BEGIN I := I + 1; IF I MOD2 = 0 THEN CONTINUE; S := S + I END",
    "FUNCTION FIB(N); BEGIN IF N < 2 THEN RESULT := N ELSE RESULT := FIB(N - 1) + FIB(N - 2) END;"
    " X := FIB(12)",
    "PROCEDURE SWAP(A, B); BEGIN T := A; A := B; B := T END; P := 1; Q := 2; SWAP(P, Q)",
    "I := 0; FOR I := 1 TO 20 DO A[I MOD 5] := Cat(A[I MOD 5], I); X := A[3]",
    "S := 'hello world'; I := 0; FOR I := 1 TO 11 DO IF S[I] = 'o' THEN S[I] := '0'",
    "N := 0; L: N := N + 1; IF N < 10 THEN GOTO L; M := N",
    "I := 0; GOTO L; L: I := I + 1; WHILE I < 6 DO GOTO L; X := I",
    "X := 0; REPEAT X := X + 1; CASE X OF 1 .. 3: Y := 'low'; 4, 5: Y := 'mid'; ELSE BREAK; END"
    " UNTIL X > 9",
    "I := 0; FOR I := 1 TO 5 DO BEGIN Inc(K); Inc(K, I) END; X := Q.R; Q.R := 1",
    "X := 1; Y := NOW; NOW := 2; Z := NOW + X",
    "FUNCTION F(A); BEGIN IF A > 3 THEN EXIT; RESULT := A * 2 END; X := F(1) + F(5)",
    "A := 1; B := 'x' + A",  // fails on every run
    "I := 0; FOR I := 1 TO 3 DO BEGIN X := Side(I); IF I = 2 THEN Y := 1 + END",
    "WHILE TRUE DO Z := Z + 1",  // stopped by the budget
    "X := 2147483646; I := 0; FOR I := 1 TO 3 DO X := X + 1",
    "S := ''; I := 0; FOR I := 1 TO 30 DO S := S + Cat(I, ',')",
    ".X := 5; Y := ..X; Z := SELF.X + QZDB.E.X",
    // Lists of one statement, run without stepping through entries once warm.
    "BREAK",
    "GOTO NOWHERE",
    "X := 1; IF X = 1 THEN GOTO L; X := 2; L: Y := X",
    "FUNCTION F(A); BEGIN CONTINUE END; X := F(1)",
    "FUNCTION G(A); BEGIN RESULT := A; END; X := G(2) + G(3)",
};

// Runs the script three times on one interpreter and host; returns every outcome.
std::vector<Outcome> ThreeRuns(const std::string& source, bool cache) {
  FakeHost host;
  uint32_t root = host.Add("QZDB");
  host.current = host.Add("E", root);
  host.elements[host.current].props["X"] = Value::Integer(1);
  host.elements[root].props["X"] = Value::Integer(2);
  TPasCalc calc(&host);
  calc.SetCacheEnabled(cache);
  calc.SetStatementBudget(20000);
  std::vector<Outcome> all;
  std::vector<std::string> trace;
  RegisterTestNatives(calc, &trace);
  auto script = calc.PrepareScript(source);
  for (int run = 0; run < 3; ++run) {
    Outcome o;
    calc.ClearVariables();
    o.ok = calc.RunPrepared(script);
    o.code = calc.ErrorCode();
    o.message = calc.ErrorMessage();
    o.text = calc.ErrorText();
    for (const auto& v : calc.Variables().Items()) o.vars.push_back(v.Name + "=" + Show(v.value));
    o.log = host.log;
    o.trace = trace;
    for (auto& [h, e] : host.elements)
      for (auto& [name, value] : e.props) o.props[h][name] = Show(value);
    all.push_back(std::move(o));
  }
  // RunSource of the same text comes from the source cache when cached.
  calc.ClearVariables();
  Outcome o;
  o.ok = calc.RunSource(source);
  o.code = calc.ErrorCode();
  o.message = calc.ErrorMessage();
  for (const auto& v : calc.Variables().Items()) o.vars.push_back(v.Name + "=" + Show(v.value));
  all.push_back(std::move(o));
  return all;
}

TEST(Differential, WarmCachesMatchReReading) {
  for (const char* source : kScripts) {
    std::vector<Outcome> cached = ThreeRuns(source, true);
    std::vector<Outcome> fresh = ThreeRuns(source, false);
    ASSERT_EQ(cached.size(), fresh.size());
    for (size_t i = 0; i < cached.size(); ++i)
      EXPECT_EQ(cached[i], fresh[i]) << "run " << i << " of: " << source << "\n--- on:\n"
                                     << cached[i] << "--- off:\n"
                                     << fresh[i];
  }
}

// One prepared script run on interpreters that take turns (as the pool's
// entries do for nested runs) gives the same results as separate copies.
TEST(Differential, SharedScriptAcrossInterpreters) {
  TPasCalc a, b;
  RegisterTestNatives(a, nullptr);
  RegisterTestNatives(b, nullptr);
  b.RegisterFunction("Extra", [](TPasCalc&, script::TVarList&, script::TVar&) { return true; });
  auto script = a.PrepareScript(
      "FUNCTION F(N); BEGIN IF N < 2 THEN RESULT := 1 ELSE RESULT := N * F(N - 1) END;"
      " I := 0; S := 0; FOR I := 1 TO 6 DO S := S + F(I); Y := EXTRA");
  for (int i = 0; i < 4; ++i) {
    TPasCalc& c = (i % 2) ? b : a;
    c.ClearVariables();
    ASSERT_TRUE(c.RunPrepared(script)) << c.ErrorMessage();
    EXPECT_EQ(c.Variables().Find("S")->value.i, 873);
    // EXTRA is an unknown name for a (the Byte 0), a function for b (Empty).
    EXPECT_EQ(c.Variables().Find("Y")->value.kind, &c == &a ? VKind::Byte : VKind::Empty);
  }
}

}  // namespace
}  // namespace script_test
