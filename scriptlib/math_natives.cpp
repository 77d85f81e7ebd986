// Arithmetic: Abs, Int, Frac, Round, Ceil, Floor, Trunc, the trigonometric
// and exponential functions, Sign, IntPower, Sqr, Sqrt, Mod, Div, Min, Max,
// Inc, Dec, Random.
//
// Floating-point results that are not finite become errors (invalid
// operation, overflow, division by zero) with fixed messages, so a script
// stops at the faulty call instead of carrying NaN on; games' error handlers
// and logs see those messages.

#include <cmath>

#include "platform/numeric.h"
#include "platform/random.h"
#include "script/value_ops.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

// One Real argument in, one Real out.
bool RealFunction(TVarList& args, TVar& result, double (*f)(double), const char* whenInfinite) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::Real(CheckedReal(f(AsReal(Arg(args, 0))), whenInfinite));
  return true;
}

// One Real argument in, a 32-bit integer out.
bool IntegerFunction(TVarList& args, TVar& result, double (*f)(double)) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::Integer(TruncToInt32(f(AsReal(Arg(args, 0)))));
  return true;
}

double Identity(double v) { return v; }

// Min and Max: the first argument is the candidate; every argument must have
// its kind; a later one replaces it only when strictly beyond it.
bool Extreme(TVarList& args, TVar& result, script::Op beyond) {
  if (!CountAtLeast(args, 1)) return false;
  size_t best = 0;
  for (size_t i = 0; i < args.Count(); ++i) {
    if (Arg(args, i).kind != Arg(args, best).kind) return false;
    bool replace = false;
    if (!script::CompareValues(beyond, Arg(args, i), Arg(args, best), replace)) return false;
    if (replace) best = i;
  }
  result.value = Arg(args, best);
  return true;
}

// Inc and Dec write their first argument without asking for the VAR marker:
// with an expression there, the new value is simply not copied anywhere.
bool Step(TVarList& args, script::Op op) {
  if (!CountIn(args, 1, 2)) return false;
  Value step = args.Count() == 2 ? Arg(args, 1) : Value::Byte(1);
  Value out;
  if (!script::ApplyBinary(op, Arg(args, 0), step, out)) return false;
  args.At(0).value = std::move(out);
  return true;
}

// Mod and Div on 32-bit integers, raising as the processor's division did.
void CheckDivision(int32_t a, int32_t b) {
  if (b == 0) throw ScriptError("Division by zero");
  if (a == INT32_MIN && b == -1) throw ScriptError("Integer overflow");
}

}  // namespace

namespace natives {

bool Abs(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::fabs(v); }, kFloatOverflow);
}

bool Int(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::Int64(TruncToInt64(AsReal(Arg(args, 0))));
  return true;
}

bool Frac(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return v - std::trunc(v); }, kFloatInvalid);
}

bool Round(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  auto v = platform::RoundHalfEvenI32(AsReal(Arg(args, 0)));
  if (!v) throw ScriptError(kFloatInvalid);
  result.value = Value::Integer(*v);
  return true;
}

bool Ceil(TPasCalc&, TVarList& args, TVar& result) {
  return IntegerFunction(args, result, [](double v) { return std::ceil(v); });
}

bool Floor(TPasCalc&, TVarList& args, TVar& result) {
  return IntegerFunction(args, result, [](double v) { return std::floor(v); });
}

bool Trunc(TPasCalc&, TVarList& args, TVar& result) {
  return IntegerFunction(args, result, &Identity);
}

bool Sin(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::sin(v); }, kFloatInvalid);
}

bool Cos(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::cos(v); }, kFloatInvalid);
}

bool Tan(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::tan(v); }, kFloatOverflow);
}

bool ArcSin(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::asin(v); }, kFloatInvalid);
}

bool ArcCos(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::acos(v); }, kFloatInvalid);
}

bool ArcTan(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::atan(v); }, kFloatInvalid);
}

bool Exp(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::exp(v); }, kFloatOverflow);
}

bool Ln(TPasCalc&, TVarList& args, TVar& result) {
  // Ln(0) is the only infinite result, and it reads as a division by zero.
  return RealFunction(args, result, [](double v) { return std::log(v); }, kFloatZeroDivide);
}

bool Sqr(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return v * v; }, kFloatOverflow);
}

bool Sqrt(TPasCalc&, TVarList& args, TVar& result) {
  return RealFunction(args, result, [](double v) { return std::sqrt(v); }, kFloatInvalid);
}

bool Sign(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  int32_t v = AsInteger(Arg(args, 0));
  result.value = Value::ShortInt(static_cast<int8_t>(v > 0 ? 1 : (v < 0 ? -1 : 0)));
  return true;
}

bool IntPower(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  double base = AsReal(Arg(args, 0));
  int32_t exponent = AsTrunc(Arg(args, 1));
  double v = std::pow(base, static_cast<double>(exponent));
  result.value = Value::Real(CheckedReal(v, base == 0 && exponent < 0 ? kFloatZeroDivide : kFloatOverflow));
  return true;
}

bool Mod(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  int32_t a = AsInteger(Arg(args, 0));
  int32_t b = AsInteger(Arg(args, 1));
  CheckDivision(a, b);
  result.value = Value::Integer(a % b);
  return true;
}

bool Div(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  int32_t a = AsInteger(Arg(args, 0));
  int32_t b = AsInteger(Arg(args, 1));
  CheckDivision(a, b);
  result.value = Value::Integer(a / b);
  return true;
}

bool Min(TPasCalc&, TVarList& args, TVar& result) { return Extreme(args, result, script::Op::Lt); }

bool Max(TPasCalc&, TVarList& args, TVar& result) { return Extreme(args, result, script::Op::Gt); }

bool Inc(TPasCalc&, TVarList& args, TVar&) { return Step(args, script::Op::Add); }

bool Dec(TPasCalc&, TVarList& args, TVar&) { return Step(args, script::Op::Sub); }

// Random(n): 0 <= r < n from the program's one seeded source; 0 when n <= 0.
bool Random(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::Integer(platform::GlobalRandom().NextInt(AsInteger(Arg(args, 0))));
  return true;
}

}  // namespace natives
}  // namespace scriptlib
