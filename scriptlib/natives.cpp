#include "scriptlib/natives.h"

#include <array>

#include "scene/script_runner.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

struct NativeEntry {
  std::string_view name;
  bool (*handler)(TPasCalc&, TVarList&, TVar&);
};

#define QZ_NATIVE_ENTRY(name) NativeEntry{#name, &natives::name},
constexpr std::array kNatives = {QZ_NATIVE_TABLE(QZ_NATIVE_ENTRY)};
#undef QZ_NATIVE_ENTRY

static_assert(kNatives.size() == kNativeCount, "the runtime library has 102 natives");

}  // namespace

std::string_view NativeName(size_t index) {
  return index < kNatives.size() ? kNatives[index].name : std::string_view();
}

void RegisterNatives(script::TPasCalc& calc) {
  for (const NativeEntry& e : kNatives) calc.RegisterFunction(e.name, e.handler);
  RegisterTitleNatives(calc);
}

void RegisterNativesInPool() {
  scene::ScriptRunner::Instance().ForEachInterpreter(
      [](script::TPasCalc& calc) { RegisterNatives(calc); });
}

}  // namespace scriptlib
