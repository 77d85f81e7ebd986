#include "script/value_ops.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace script {

namespace {

enum class VClass : uint8_t { Int, Wide, Real, Str, Bool, Date, Empty };

VClass ClassOf(VKind k) {
  switch (k) {
    case VKind::Byte:
    case VKind::ShortInt:
    case VKind::Integer:
      return VClass::Int;
    case VKind::Word:
    case VKind::LongWord:
    case VKind::Int64:
      return VClass::Wide;
    case VKind::Real:
      return VClass::Real;
    case VKind::String:
      return VClass::Str;
    case VKind::Boolean:
      return VClass::Bool;
    case VKind::Date:
      return VClass::Date;
    case VKind::Empty:
      return VClass::Empty;
  }
  return VClass::Empty;
}

bool IsArith(Op op) {
  return op == Op::Add || op == Op::Sub || op == Op::Mul || op == Op::Div;
}
bool IsLogic(Op op) {
  return op == Op::And || op == Op::Or || op == Op::Xor;
}

// Empty taking part with a value of kind K reads as the zero of K.
Value ZeroOf(VKind k) {
  switch (ClassOf(k)) {
    case VClass::Str:
      return Value::String(std::string());
    case VClass::Bool:
      return Value::Boolean(false);
    case VClass::Real:
      return Value::Real(0);
    case VClass::Date:
      return Value::Date(0);
    case VClass::Wide:
      return Value::Int64(0);
    default:
      return Value::Integer(0);
  }
}

bool RealOp(Op op, const Value& a, const Value& b, Value& out) {
  double x, y;
  if (!a.ToDouble(x) || !b.ToDouble(y)) return false;
  double r;
  if (op == Op::Div) {
    if (y == 0) return false;
    r = x / y;
  } else if (!AddSubMul(op, x, y, r)) {
    return false;
  }
  // An overflow of finite operands is a failure, as the floating-point unit reports it.
  if (!std::isfinite(r) && std::isfinite(x) && std::isfinite(y)) return false;
  out = Value::Real(r);
  return true;
}

// Conversions to, and results of, the two integer widths.
bool ToWidth(const Value& v, int32_t& out) {
  return v.ToInteger(out);
}
bool ToWidth(const Value& v, int64_t& out) {
  return v.ToInt64(out);
}
Value OfWidth(int32_t r) {
  return Value::Integer(r);
}
Value OfWidth(int64_t r) {
  return Value::Int64(r);
}

// The integer operations in one width: Integer results in 32 bits, Int64
// in 64. A + - * that overflows, and every /, is the real operation; shift
// counts wrap at the width.
template <class T>
bool IntOp(Op op, const Value& a, const Value& b, Value& out) {
  using U = std::make_unsigned_t<T>;
  constexpr T kShiftMask = sizeof(T) * 8 - 1;
  T x, y, r;
  if (!ToWidth(a, x) || !ToWidth(b, y)) return false;
  switch (op) {
    case Op::Add:
      if (__builtin_add_overflow(x, y, &r)) return RealOp(op, a, b, out);
      break;
    case Op::Sub:
      if (__builtin_sub_overflow(x, y, &r)) return RealOp(op, a, b, out);
      break;
    case Op::Mul:
      if (__builtin_mul_overflow(x, y, &r)) return RealOp(op, a, b, out);
      break;
    case Op::Div:
      return RealOp(op, a, b, out);
    case Op::And:
      r = x & y;
      break;
    case Op::Or:
      r = x | y;
      break;
    case Op::Xor:
      r = x ^ y;
      break;
    case Op::Shl:
      r = static_cast<T>(static_cast<U>(x) << (y & kShiftMask));
      break;
    case Op::Shr:
      r = static_cast<T>(static_cast<U>(x) >> (y & kShiftMask));
      break;
    default:
      if (IsComparison(op)) {
        out = Value::Boolean(Compare(op, x, y));
        return true;
      }
      return false;
  }
  out = OfWidth(r);
  return true;
}

// Real with anything but Date, and String with an integer of either width.
bool RealRow(Op op, const Value& a, const Value& b, Value& out) {
  if (IsArith(op)) return RealOp(op, a, b, out);
  if (IsComparison(op)) {
    double x, y;
    if (!a.ToDouble(x) || !b.ToDouble(y)) return false;
    out = Value::Boolean(Compare(op, x, y));
    return true;
  }
  return IntOp<int32_t>(op, a, b, out);
}

bool StringRow(Op op, const Value& a, const Value& b, Value& out) {
  if (op == Op::Add) {
    if (a.s.size() + b.s.size() > kMaxTextLength) return false;
    std::string r;
    r.reserve(a.s.size() + b.s.size());
    r += a.s;
    r += b.s;
    out = Value::String(std::move(r));
    return true;
  }
  if (IsArith(op)) return RealOp(op, a, b, out);
  if (IsComparison(op)) {
    // Byte-wise order: char_traits<char>::compare compares as unsigned bytes.
    int c = a.s.compare(b.s);
    out = Value::Boolean(Compare(op, c, 0));
    return true;
  }
  return IntOp<int32_t>(op, a, b, out);
}

// Boolean with Boolean or with String.
bool BooleanRow(Op op, const Value& a, const Value& b, Value& out) {
  if (IsLogic(op) || IsComparison(op)) {
    bool x, y;
    if (!a.ToBoolean(x) || !b.ToBoolean(y)) return false;
    bool r;
    switch (op) {
      case Op::And:
        r = x && y;
        break;
      case Op::Or:
        r = x || y;
        break;
      case Op::Xor:
        r = x != y;
        break;
      default:
        r = Compare(op, x ? 1 : 0, y ? 1 : 0);
        break;
    }
    out = Value::Boolean(r);
    return true;
  }
  if (IsArith(op)) return RealOp(op, a, b, out);
  return IntOp<int32_t>(op, a, b, out);
}

// Dates: a date plus or minus a number stays a date, the difference of two
// dates is a number of days; other arithmetic is the real operation.
bool DateRow(Op op, const Value& a, const Value& b, Value& out) {
  if (op == Op::Add || op == Op::Sub) {
    double x, y;
    if (!a.ToDouble(x) || !b.ToDouble(y)) return false;
    double r = op == Op::Add ? x + y : x - y;
    if (!std::isfinite(r) && std::isfinite(x) && std::isfinite(y)) return false;
    bool bothDates = a.kind == VKind::Date && b.kind == VKind::Date;
    out = (op == Op::Sub && bothDates) ? Value::Real(r) : Value::Date(r);
    return true;
  }
  return RealRow(op, a, b, out);
}

bool PowOp(const Value& a, const Value& b, Value& out) {
  double x, y;
  if (!a.ToDouble(x) || !b.ToDouble(y)) return false;
  // Both operands are narrowed to single precision first; the power itself
  // is kept in double precision.
  float fx = static_cast<float>(x);
  float fy = static_cast<float>(y);
  double r = std::pow(static_cast<double>(fx), static_cast<double>(fy));
  if (!std::isfinite(r)) return false;
  out = Value::Real(r);
  return true;
}

bool Dispatch(Op op, const Value& a, const Value& b, Value& out) {
  VClass ca = ClassOf(a.kind);
  VClass cb = ClassOf(b.kind);
  if (ca == VClass::Empty || cb == VClass::Empty) {
    if (ca == VClass::Empty && cb == VClass::Empty)
      return IntOp<int32_t>(op, Value::Integer(0), Value::Integer(0), out);
    if (ca == VClass::Empty) return Dispatch(op, ZeroOf(b.kind), b, out);
    return Dispatch(op, a, ZeroOf(a.kind), out);
  }
  if (ca == VClass::Date || cb == VClass::Date) return DateRow(op, a, b, out);
  if (ca == VClass::Real || cb == VClass::Real) return RealRow(op, a, b, out);
  bool aNum = ca == VClass::Int || ca == VClass::Wide;
  bool bNum = cb == VClass::Int || cb == VClass::Wide;
  if ((ca == VClass::Str && bNum) || (cb == VClass::Str && aNum)) return RealRow(op, a, b, out);
  if (ca == VClass::Str && cb == VClass::Str) return StringRow(op, a, b, out);
  if (ca == VClass::Bool || cb == VClass::Bool) {
    // Boolean with Boolean or String; Boolean with an integer falls through.
    if (!aNum && !bNum) return BooleanRow(op, a, b, out);
  }
  if (ca == VClass::Wide || cb == VClass::Wide) return IntOp<int64_t>(op, a, b, out);
  return IntOp<int32_t>(op, a, b, out);
}

}  // namespace

bool IsComparison(Op op) {
  return op == Op::Eq || op == Op::Ne || op == Op::Gt || op == Op::Lt || op == Op::Ge ||
         op == Op::Le;
}

bool ApplyBinary(Op op, const Value& a, const Value& b, Value& out) {
  if (op == Op::Pow) return PowOp(a, b, out);
  if (FastIntegerOp(op, a, b, out)) return true;
  return Dispatch(op, a, b, out);
}

bool ApplyBinaryGeneral(Op op, const Value& a, const Value& b, Value& out) {
  if (op == Op::Pow) return PowOp(a, b, out);
  return Dispatch(op, a, b, out);
}

bool CompareValues(Op op, const Value& a, const Value& b, bool& result) {
  Value r;
  if (!IsComparison(op) || !Dispatch(op, a, b, r)) return false;
  result = r.i != 0;
  return true;
}

bool ApplyNegate(const Value& a, Value& out) {
  switch (ClassOf(a.kind)) {
    case VClass::Int: {
      int32_t x = static_cast<int32_t>(a.i), r;
      if (__builtin_sub_overflow(0, x, &r)) return out = Value::Real(-static_cast<double>(x)), true;
      out = Value::Integer(r);
      return true;
    }
    case VClass::Wide: {
      int64_t r;
      if (__builtin_sub_overflow(int64_t{0}, a.i, &r))
        return out = Value::Real(-static_cast<double>(a.i)), true;
      out = Value::Int64(r);
      return true;
    }
    case VClass::Real:
      out = Value::Real(-a.d);
      return true;
    case VClass::Date:
      out = Value::Date(-a.d);
      return true;
    case VClass::Bool:
      out = Value::Integer(a.i ? 1 : 0);
      return true;
    case VClass::Str: {
      double x;
      if (!a.ToDouble(x)) return false;
      out = Value::Real(-x);
      return true;
    }
    case VClass::Empty:
      out = Value::Integer(0);
      return true;
  }
  return false;
}

bool ApplyNot(const Value& a, Value& out) {
  bool isZero;
  if (!CompareValues(Op::Eq, a, Value::Integer(0), isZero)) return false;
  out = Value::Byte(isZero ? 1 : 0);
  return true;
}

}  // namespace script
