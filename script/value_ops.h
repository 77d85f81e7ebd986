#pragma once
// Arithmetic, logic and comparison of script values.
//
// Each operand falls into a class (integer, wide integer, Real, String,
// Boolean, Date, Empty); the pair of classes picks the operation whichever side
// each operand is on. Every function answers false when the operation cannot
// be applied (kinds that do not convert, division by zero, overflow); the
// caller turns that into "Invalid operand types for ...".

#include <cstddef>

#include "script/value.h"

namespace script {

// Operators, numbered as the token codes of the language.
enum class Op : unsigned char {
  Eq = 5,
  Or = 6,
  And = 7,
  Not = 8,
  Xor = 9,
  Ne = 12,
  Gt = 13,
  Lt = 14,
  Ge = 15,
  Le = 16,
  Add = 17,
  Sub = 18,
  Mul = 19,
  Div = 20,
  Pow = 21,
  Shl = 47,
  Shr = 48,
};

// Texts longer than this are refused by concatenation, so that a doubling loop
// fails instead of exhausting memory.
inline constexpr size_t kMaxTextLength = size_t{64} << 20;

bool IsComparison(Op op);

// The truth of x op y for a comparison operator; false for any other.
template <class T>
[[gnu::always_inline]] inline bool Compare(Op op, T x, T y) {
  switch (op) {
    case Op::Eq:
      return x == y;
    case Op::Ne:
      return x != y;
    case Op::Gt:
      return x > y;
    case Op::Lt:
      return x < y;
    case Op::Ge:
      return x >= y;
    case Op::Le:
      return x <= y;
    default:
      return false;
  }
}

// The comparison operators on two numbers of one type, inline; false for
// the other operators.
template <class T>
[[gnu::always_inline]] inline bool FastCompare(Op op, T x, T y, Value& out) {
  switch (op) {
    case Op::Eq:
    case Op::Ne:
    case Op::Gt:
    case Op::Lt:
    case Op::Ge:
    case Op::Le:
      out = Value::Boolean(Compare(op, x, y));
      return true;
    default:
      return false;
  }
}

// Two Integer operands without overflow: the result, inline. False when the
// general rules must decide (other kinds, overflow, other operators).
[[gnu::always_inline]] inline bool FastIntegerOp(Op op, const Value& a, const Value& b,
                                                 Value& out) {
  if (a.kind != VKind::Integer || b.kind != VKind::Integer) return false;
  const int32_t x = static_cast<int32_t>(a.i), y = static_cast<int32_t>(b.i);
  int32_t r;
  switch (op) {
    case Op::Add:
      if (__builtin_add_overflow(x, y, &r)) return false;
      out = Value::Integer(r);
      return true;
    case Op::Sub:
      if (__builtin_sub_overflow(x, y, &r)) return false;
      out = Value::Integer(r);
      return true;
    default:
      return FastCompare(op, x, y, out);
  }
}

// + - * of two doubles into r; false for the other operators. The one
// spelling of these for the general rules and the fast path.
[[gnu::always_inline]] inline bool AddSubMul(Op op, double x, double y, double& r) {
  switch (op) {
    case Op::Add:
      r = x + y;
      return true;
    case Op::Sub:
      r = x - y;
      return true;
    case Op::Mul:
      r = x * y;
      return true;
    default:
      return false;
  }
}

// A Real with a Real or an Integer, for + - * and the comparisons, as the
// general rules compute it, inline. False when they must decide (other kinds
// or operators, a result that is not finite).
[[gnu::always_inline]] inline bool FastRealOp(Op op, const Value& a, const Value& b, Value& out) {
  const bool aReal = a.kind == VKind::Real, bReal = b.kind == VKind::Real;
  if (!(aReal || bReal)) return false;
  if (!(aReal || a.kind == VKind::Integer) || !(bReal || b.kind == VKind::Integer)) return false;
  const double x = aReal ? a.d : static_cast<double>(a.i);
  const double y = bReal ? b.d : static_cast<double>(b.i);
  double r;
  if (!AddSubMul(op, x, y, r)) return FastCompare(op, x, y, out);
  if (!__builtin_isfinite(r)) return false;
  out = Value::Real(r);
  return true;
}

// String + String appended to the left operand where it stands, as the general
// rules join them. A text built up with "+" is otherwise copied whole for
// every operator. False when they must decide (other kinds or operators, a
// result longer than a text may be); left is then unchanged.
[[gnu::always_inline]] inline bool FastTextAppend(Op op, Value& left, const Value& right) {
  if (op != Op::Add || left.kind != VKind::String || right.kind != VKind::String) return false;
  if (left.s.size() + right.s.size() > kMaxTextLength) return false;
  left.s += right.s;
  return true;
}

// A binary operator. Comparisons give a Boolean.
bool ApplyBinary(Op op, const Value& a, const Value& b, Value& out);
// The same by the general rules alone, without the inline fast paths above:
// what those must agree with wherever they answer (tests compare them).
bool ApplyBinaryGeneral(Op op, const Value& a, const Value& b, Value& out);
// Prefix minus.
bool ApplyNegate(const Value& a, Value& out);
// Prefix NOT: the Byte 1 when the value equals 0 (false counts as 0), else the Byte 0.
bool ApplyNot(const Value& a, Value& out);
// The comparison operators alone, for CASE ranges: result is the truth of a op b.
bool CompareValues(Op op, const Value& a, const Value& b, bool& result);

}  // namespace script
