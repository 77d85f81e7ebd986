#pragma once
// What every native handler shares: argument-count checks, the VAR marker,
// the standard conversions of argument values, and the game root.
//
// The conversions raise script::ScriptError with a message when a value does
// not convert; the interpreter turns that into "Invalid parameters, function
// NAME : message".

#include <cstddef>
#include <cstdint>
#include <string>

#include "script/func_list.h"
#include "script/pascalc.h"
#include "script/value.h"
#include "script/var_list.h"

namespace scene {
class TQZDB;
}

namespace scriptlib {

using script::ScriptError;
using script::TPasCalc;
using script::TVar;
using script::TVarList;
using script::Value;

inline bool CountIs(const TVarList& args, size_t n) { return args.Count() == n; }
inline bool CountIn(const TVarList& args, size_t lo, size_t hi) {
  return args.Count() >= lo && args.Count() <= hi;
}
inline bool CountAtLeast(const TVarList& args, size_t n) { return args.Count() >= n; }

// The argument was written as a plain variable of the caller: whatever the
// handler stores in it is copied back into that variable after the call.
inline bool IsVarArg(const TVarList& args, size_t i) {
  return i < args.Count() && args.At(i).Name == "VAR";
}

inline const Value& Arg(const TVarList& args, size_t i) { return args.At(i).value; }

// The interpreter's standard conversions.
int32_t AsInteger(const Value& v);
double AsReal(const Value& v);
std::string AsText(const Value& v);
// As Real, then truncated toward zero to a 32-bit integer.
int32_t AsTrunc(const Value& v);
// A real truncated toward zero; raises when it does not fit.
int32_t TruncToInt32(double v);
int64_t TruncToInt64(double v);

// A floating-point result that is not finite becomes an error: NaN is an
// invalid operation, an infinity the error named by whenInfinite.
double CheckedReal(double result, const char* whenInfinite);
inline constexpr const char* kFloatOverflow = "Floating point overflow";
inline constexpr const char* kFloatZeroDivide = "Floating point division by zero";
inline constexpr const char* kFloatInvalid = "Invalid floating point operation";

// The root of the game whose script is running: the current element's root,
// else the root the script runner saw last. Null in bare interpreter runs.
scene::TQZDB* GameRoot();
// The root's unicode mode (false without a root).
bool UnicodeModeOn();

}  // namespace scriptlib
