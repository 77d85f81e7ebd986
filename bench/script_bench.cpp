// Interpreter goals, each against Lua 5.4 in the same process (see
// side_by_side.h for how rounds are taken). Our scripts run as element event
// scripts through RunScript with the runtime library registered, as in the
// player; the Lua programs do the same work with global variables, as the
// scripts' variables are, and nested tables for the element tree.
//
//   loop     WHILE loop over two variables, N = 10,000,000        target 1.2x
//   fields   QZDB.PANEL.BUTTON.X := QZDB.PANEL.BUTTON.X + 1       target 1x
//   strcat   'Score: ' + IntToStr(I) + ' of ' + IntToStr(N) into
//            an accumulator flushed at 4 KiB, 1,000,000 lines      target 1x
//   fib      recursive FUNCTION FIB(N), N = 27                    target 3x
//   prepare  100,000 event scripts prepared / Lua load()          target 0.3x
//
// Options: --quick (a tenth of the work, 3 rounds; for trying changes),
// --only NAME.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/script_corpus.h"
#include "bench/side_by_side.h"
#include "scene/db.h"
#include "scene/element.h"
#include "scene/script_runner.h"
#include "scriptlib/natives.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

namespace {

int g_scale = 1;  // divides the work (--quick)
int g_rounds = bench::kDefaultRounds;
const char* g_only = nullptr;

bool Wanted(const char* name) { return g_only == nullptr || std::strcmp(g_only, name) == 0; }

// ---- our side: an element tree whose image runs the script on mouse down ----

struct Game {
  scene::TQZDB root;
  scene::TQZElement* image = nullptr;
  scene::TQZElement* button = nullptr;

  Game() {
    auto* screen = root.CreateChild("TQZScreen");
    screen->SetId("Screen");
    auto* panel = root.CreateChild("TQZScreen");
    panel->SetId("Panel");
    button = panel->CreateChild("TQZImage");
    button->SetId("Button");
    image = screen->CreateChild("TQZImage");
    image->SetId("Image");
  }
  void SetScript(const std::string& text) {
    image->SetScriptText(image->Script(scene::Ev::MouseDown), text);
  }
  // Runs the event; the script's variables land in `vars`. False on a script error.
  bool Run(script::TVarList& vars) {
    vars.Clear();
    image->RunScript(image->Script(scene::Ev::MouseDown), "exMouseDown", &vars);
    return scene::ScriptRunner::Instance().Interpreter(1).ErrorCode() == 0;
  }
};

double VarNumber(const script::TVarList& vars, const char* name) {
  const script::TVar* v = vars.Find(name);
  double d = -1;
  if (!v || !v->value.ToDouble(d)) return -1;
  return d;
}

// ---- Lua ----------------------------------------------------------------------

struct Lua {
  lua_State* L = luaL_newstate();
  int chunk = LUA_NOREF;
  Lua() { luaL_openlibs(L); }
  ~Lua() { lua_close(L); }
  bool Load(const std::string& program) {
    if (luaL_loadstring(L, program.c_str()) != LUA_OK) {
      std::printf("lua: %s\n", lua_tostring(L, -1));
      return false;
    }
    chunk = luaL_ref(L, LUA_REGISTRYINDEX);
    return true;
  }
  bool Run() {
    lua_rawgeti(L, LUA_REGISTRYINDEX, chunk);
    if (lua_pcall(L, 0, 0, 0) != LUA_OK) {
      std::printf("lua: %s\n", lua_tostring(L, -1));
      lua_pop(L, 1);
      return false;
    }
    return true;
  }
  double Global(const char* name) {
    lua_getglobal(L, name);
    const double d = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return d;
  }
};

// One interpreter goal: both sides run once and must agree on `checkVar`
// (or the Lua expression's value), then the alternating rounds.
// `checkVar` names our variable holding the result; "BUTTON.X" stands for
// the button element's position.
void InterpreterGoal(const char* name, double target, const std::string& ours,
                     const std::string& lua, const char* checkVar, const char* luaCheck) {
  if (!Wanted(name)) return;
  Game game;
  game.SetScript(ours);
  script::TVarList vars;
  Lua peer;
  if (!peer.Load(lua)) return bench::ReportFailure(name, target, "Lua program does not load");
  if (!game.Run(vars)) {
    return bench::ReportFailure(
        name, target, "script failed: " + scene::ScriptRunner::Instance().Interpreter(1).ErrorMessage());
  }
  if (!peer.Run()) return bench::ReportFailure(name, target, "Lua program failed");
  const bool button = std::strcmp(checkVar, "BUTTON.X") == 0;
  const double mine = button ? game.button->rX : VarNumber(vars, checkVar);
  const double theirs = peer.Global(luaCheck);
  if (mine != theirs) {
    return bench::ReportFailure(name, target,
                                "results differ: ours " + std::to_string(mine) + ", Lua " +
                                    std::to_string(theirs));
  }
  std::printf("%-26s both sides computed %.17g\n", name, mine);
  bool ok = true;
  const bench::Outcome o = bench::Alternate(
      [&] {
        game.button->rX = 0;
        ok = game.Run(vars) && ok;
      },
      [&] { ok = peer.Run() && ok; }, g_rounds);
  if (!ok) return bench::ReportFailure(name, target, "a timed run failed");
  bench::Report(name, o, target, "Lua");
}

// ---- prepare ----------------------------------------------------------------------

void PrepareGoal() {
  const char* name = "prepare";
  const double target = 0.3;
  if (!Wanted(name)) return;
  const int count = 100'000 / g_scale;
  std::vector<std::string> pascal, lua;
  size_t bytes = 0, luaBytes = 0;
  for (int i = 0; i < count; ++i) {
    bench::EventScriptPair p = bench::EventScript(i);
    bytes += p.pascal.size();
    luaBytes += p.lua.size();
    pascal.push_back(std::move(p.pascal));
    lua.push_back(std::move(p.lua));
  }
  std::printf("%-26s %d scripts, %.1f MB of event code (Lua %.1f MB)\n", name, count,
              static_cast<double>(bytes) / 1e6, static_cast<double>(luaBytes) / 1e6);
  scene::ScriptRunner& runner = scene::ScriptRunner::Instance();
  script::TPasCalc& calc = runner.Interpreter(0);
  std::vector<script::ScriptSlot> slots;
  int oursPrepared = 0;
  auto ours = [&] {
    oursPrepared = 0;
    for (int i = 0; i < count; ++i) {
      script::ScriptSlot& slot = slots[static_cast<size_t>(i)];
      slot.Source = pascal[static_cast<size_t>(i)];
      calc.PrepareSlot(slot);
      if (calc.ErrorCode() == 0 && !slot.Empty()) ++oursPrepared;
    }
  };
  Lua peer;
  int luaLoaded = 0;
  auto theirs = [&] {
    // The chunks are kept, as the elements keep their prepared scripts.
    lua_createtable(peer.L, count, 0);
    luaLoaded = 0;
    for (int i = 0; i < count; ++i) {
      const std::string& s = lua[static_cast<size_t>(i)];
      if (luaL_loadbuffer(peer.L, s.data(), s.size(), "event") == LUA_OK) {
        lua_rawseti(peer.L, -2, i + 1);
        ++luaLoaded;
      } else {
        lua_pop(peer.L, 1);
      }
    }
    lua_pop(peer.L, 1);
  };
  auto clearOurs = [&] { slots.assign(static_cast<size_t>(count), script::ScriptSlot()); };
  auto clearLua = [&] { lua_gc(peer.L, LUA_GCCOLLECT); };
  clearOurs();
  ours();
  theirs();
  if (oursPrepared != count || luaLoaded != count) {
    return bench::ReportFailure(name, target,
                                "prepared " + std::to_string(oursPrepared) + ", Lua loaded " +
                                    std::to_string(luaLoaded) + " of " + std::to_string(count));
  }
  // What the previous round left behind is freed outside the timed runs.
  const bench::Outcome o = bench::Alternate(
      [&] {
        ours();
      },
      [&] {
        theirs();
      },
      g_rounds, {clearOurs, clearLua});
  slots.clear();
  lua_gc(peer.L, LUA_GCCOLLECT);
  bench::Report(name, o, target, "Lua load()");
}

std::string Num(long long n) { return std::to_string(n); }

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      g_scale = 10;
      g_rounds = 3;
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      g_only = argv[++i];
    }
  }
  scriptlib::RegisterNativesInPool();
  scene::ScriptRunner& runner = scene::ScriptRunner::Instance();
  runner.SetStatementBudget(0);

  const long long n = 10'000'000 / g_scale;
  InterpreterGoal("loop", 1.2,
                  "I := 0; S := 0; WHILE I < " + Num(n) + " DO BEGIN I := I + 1; S := S + I END",
                  "I = 0 S = 0 while I < " + Num(n) + " do I = I + 1 S = S + I end", "S", "S");
  InterpreterGoal("fields", 1.0,
                  "I := 0; FOR I := 1 TO " + Num(n) +
                      " DO QZDB.PANEL.BUTTON.X := QZDB.PANEL.BUTTON.X + 1",
                  "QZDB = {PANEL = {BUTTON = {X = 0}}} for I = 1, " + Num(n) +
                      " do QZDB.PANEL.BUTTON.X = QZDB.PANEL.BUTTON.X + 1 end "
                      "BX = QZDB.PANEL.BUTTON.X",
                  "BUTTON.X", "BX");
  const long long lines = 1'000'000 / g_scale;
  InterpreterGoal("strcat", 1.0,
                  "A := ''; T := 0; I := 0; FOR I := 1 TO " + Num(lines) +
                      " DO BEGIN A := A + 'Score: ' + IntToStr(I) + ' of ' + IntToStr(" +
                      Num(lines) +
                      "); IF Length(A) >= 4096 THEN BEGIN T := T + Length(A); A := '' END "
                      "END; T := T + Length(A)",
                  "A = '' T = 0 for I = 1, " + Num(lines) +
                      " do A = A .. 'Score: ' .. tostring(I) .. ' of ' .. tostring(" + Num(lines) +
                      ") if #A >= 4096 then T = T + #A A = '' end end T = T + #A",
                  "T", "T");
  const int fibN = g_scale == 1 ? 27 : 22;
  InterpreterGoal("fib", 3.0,
                  "FUNCTION FIB(N); BEGIN IF N < 2 THEN RESULT := N ELSE RESULT := FIB(N - 1) + "
                  "FIB(N - 2) END; R := FIB(" +
                      Num(fibN) + ")",
                  "function FIB(N) if N < 2 then return N else return FIB(N - 1) + FIB(N - 2) end "
                  "end R = FIB(" +
                      Num(fibN) + ")",
                  "R", "R");
  PrepareGoal();
  return 0;
}
