// Interpreter benchmarks: loop-heavy scripts with the cache on and off,
// reported as statements per second, and the same programs in Lua 5.4 (when
// its library is present) for comparison.
//
//   while      I := I + 1 in a WHILE loop
//   fib        recursive FUNCTION FIB(N), fib(27) (fib(20) without the cache)
//   concat     S := S + IntToStr(I)
//   dotted     QZDB.PANEL.BUTTON.X := QZDB.PANEL.BUTTON.X + 1 over real elements

#include <benchmark/benchmark.h>

#include <string>

#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/script_runner.h"
#include "script/pascalc.h"

#ifdef QZ_HAVE_LUA
extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
#endif

namespace {

using script::TPasCalc;
using script::TVar;
using script::TVarList;
using script::Value;

void RegisterIntToStr(TPasCalc& calc) {
  calc.RegisterFunction("IntToStr", [](TPasCalc&, TVarList& args, TVar& r) {
    int32_t n;
    if (args.Count() != 1 || !args.At(0).value.ToInteger(n)) return false;
    r.value = Value::String(std::to_string(n));
    return true;
  });
}

// Runs source once per iteration and reports statements per second.
void RunScript(benchmark::State& state, const std::string& source, bool cache) {
  TPasCalc calc;
  calc.SetCacheEnabled(cache);
  calc.SetStatementBudget(0);
  RegisterIntToStr(calc);
  auto script = calc.PrepareScript(source);
  uint64_t statements = 0;
  for (auto _ : state) {
    calc.ClearVariables();
    if (!calc.RunPrepared(script)) state.SkipWithError(calc.ErrorMessage().c_str());
    statements += calc.StatementsExecuted();
  }
  state.counters["stmts/s"] =
      benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}

std::string WhileLoop(int64_t n) {
  return "I := 0; WHILE I < " + std::to_string(n) + " DO I := I + 1";
}
std::string Fib(int64_t n) {
  return "FUNCTION FIB(N); BEGIN IF N < 2 THEN RESULT := N ELSE RESULT := FIB(N - 1) + "
         "FIB(N - 2) END; X := FIB(" +
         std::to_string(n) + ")";
}
std::string Concat(int64_t n) {
  return "S := ''; I := 0; FOR I := 1 TO " + std::to_string(n) + " DO S := S + IntToStr(I)";
}

void BM_While(benchmark::State& s) {
  RunScript(s, WhileLoop(s.range(0)), s.range(1) != 0);
}
void BM_Fib(benchmark::State& s) {
  RunScript(s, Fib(s.range(0)), s.range(1) != 0);
}
void BM_Concat(benchmark::State& s) {
  RunScript(s, Concat(s.range(0)), s.range(1) != 0);
}

// The dotted benchmark runs as an element event through the interpreter pool.
void BM_Dotted(benchmark::State& state) {
  scene::ScriptRunner& runner = scene::ScriptRunner::Instance();
  runner.SetCacheEnabled(state.range(1) != 0);
  runner.SetStatementBudget(0);
  scene::TQZDB root;
  auto* screen = root.CreateChild("TQZScreen");
  screen->SetId("Screen");
  auto* panel = root.CreateChild("TQZScreen");
  panel->SetId("Panel");
  auto* button = panel->CreateChild("TQZImage");
  button->SetId("Button");
  auto* image = screen->CreateChild("TQZImage");
  image->SetId("Image");
  image->SetScriptText(image->Script(scene::Ev::MouseDown),
                       "I := 0; FOR I := 1 TO " + std::to_string(state.range(0)) +
                           " DO QZDB.PANEL.BUTTON.X := QZDB.PANEL.BUTTON.X + 1");
  uint64_t statements = 0;
  for (auto _ : state) {
    image->DoMouseDown();
    statements += runner.Interpreter(1).StatementsExecuted();
  }
  state.counters["stmts/s"] =
      benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
  runner.SetCacheEnabled(true);
  runner.SetStatementBudget(script::kDefaultStatementBudget);
}

BENCHMARK(BM_While)->Args({10'000'000, 1})->Args({1'000'000, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fib)->Args({27, 1})->Args({20, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Concat)->Args({100'000, 1})->Args({100'000, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dotted)->Args({1'000'000, 1})->Args({100'000, 0})->Unit(benchmark::kMillisecond);

#ifdef QZ_HAVE_LUA
// The same programs in Lua, with global variables as the scripts' variables
// are, and nested tables for the element tree.
void RunLua(benchmark::State& state, const std::string& program) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (luaL_loadstring(L, program.c_str()) != LUA_OK) {
    state.SkipWithError(lua_tostring(L, -1));
    lua_close(L);
    return;
  }
  int ref = luaL_ref(L, LUA_REGISTRYINDEX);
  for (auto _ : state) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, ref);
    if (lua_pcall(L, 0, 0, 0) != LUA_OK) state.SkipWithError(lua_tostring(L, -1));
  }
  lua_close(L);
}

void BM_LuaWhile(benchmark::State& s) {
  RunLua(s, "I = 0 while I < " + std::to_string(s.range(0)) + " do I = I + 1 end");
}
void BM_LuaFib(benchmark::State& s) {
  RunLua(s,
         "function FIB(N) if N < 2 then return N else return FIB(N - 1) + FIB(N - 2) end end "
         "X = FIB(" +
             std::to_string(s.range(0)) + ")");
}
void BM_LuaConcat(benchmark::State& s) {
  RunLua(s, "S = '' for I = 1, " + std::to_string(s.range(0)) + " do S = S .. tostring(I) end");
}
void BM_LuaDotted(benchmark::State& s) {
  RunLua(s, "QZDB = {PANEL = {BUTTON = {X = 0}}} for I = 1, " + std::to_string(s.range(0)) +
                " do QZDB.PANEL.BUTTON.X = QZDB.PANEL.BUTTON.X + 1 end");
}
BENCHMARK(BM_LuaWhile)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaFib)->Arg(27)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaConcat)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaDotted)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
