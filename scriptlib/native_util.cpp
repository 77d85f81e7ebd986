#include "scriptlib/native_util.h"

#include <cmath>

#include "scene/db.h"
#include "scene/script_runner.h"

namespace scriptlib {

namespace {

// Kind names in conversion error messages: a Real is named by its storage,
// Double, the other kinds by their own names.
const char* VariantName(script::VKind kind) {
  return kind == script::VKind::Real ? "Double" : script::KindName(kind);
}

[[noreturn]] void ConversionError(const Value& v, const char* target) {
  throw ScriptError(std::string("Could not convert variant of type (") + VariantName(v.kind) +
                    ") into type (" + target + ")");
}

}  // namespace

int32_t AsInteger(const Value& v) {
  int32_t out;
  if (!v.ToInteger(out)) ConversionError(v, "Integer");
  return out;
}

double AsReal(const Value& v) {
  double out;
  if (!v.ToDouble(out)) ConversionError(v, "Double");
  return out;
}

std::string AsText(const Value& v) { return v.IsString() ? v.s : v.ToText(); }

int32_t TruncToInt32(double v) {
  double t = std::trunc(v);
  if (!(t >= -2147483648.0 && t <= 2147483647.0)) throw ScriptError("Invalid floating point operation");
  return static_cast<int32_t>(t);
}

int64_t TruncToInt64(double v) {
  double t = std::trunc(v);
  // 2^63 itself is out of range; every double below it converts exactly.
  if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0))
    throw ScriptError("Invalid floating point operation");
  return static_cast<int64_t>(t);
}

int32_t AsTrunc(const Value& v) { return TruncToInt32(AsReal(v)); }

double CheckedReal(double result, const char* whenInfinite) {
  if (std::isnan(result)) throw ScriptError(kFloatInvalid);
  if (std::isinf(result)) throw ScriptError(whenInfinite);
  return result;
}

scene::TQZDB* GameRoot() {
  scene::ScriptRunner& runner = scene::ScriptRunner::Instance();
  if (scene::TQZElement* e = runner.CurrentElement())
    if (scene::TQZDB* root = e->Root()) return root;
  return runner.Root();
}

bool UnicodeModeOn() {
  scene::TQZDB* root = GameRoot();
  return root && root->UnicodeMode();
}

}  // namespace scriptlib
