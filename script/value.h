#pragma once
// The script value: a tagged value of one of eleven kinds.
//
// Integer kinds and Boolean keep their content in `i` (Boolean as 0/1),
// Real and Date in `d`, String in `s`. Element references are LongWord handles.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace script {

enum class VKind : uint8_t {
  Empty,
  Byte,
  ShortInt,
  Word,
  Integer,
  LongWord,
  Int64,
  Real,
  Date,
  Boolean,
  String,
};

const char* KindName(VKind kind);

struct Value {
  VKind kind = VKind::Empty;
  union {
    int64_t i = 0;
    double d;
  };
  std::string s;

  Value() = default;
  // Copies move the text only for String values: the text of every other kind
  // is always empty, which keeps numeric copies cheap on the hot paths.
  Value(const Value& o) : kind(o.kind) {
    CopyScalar(o);
    if (o.kind == VKind::String) s = o.s;
  }
  Value(Value&& o) noexcept : kind(o.kind), s(std::move(o.s)) { CopyScalar(o); }
  Value& operator=(const Value& o) {
    if (this == &o) return *this;
    if (kind == VKind::String || o.kind == VKind::String) s = o.s;
    kind = o.kind;
    CopyScalar(o);
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (kind == VKind::String || o.kind == VKind::String) s = std::move(o.s);
    kind = o.kind;
    CopyScalar(o);
    return *this;
  }
  ~Value() = default;

  static Value Byte(uint8_t v) { return MakeInt(VKind::Byte, v); }
  static Value ShortInt(int8_t v) { return MakeInt(VKind::ShortInt, v); }
  static Value Word(uint16_t v) { return MakeInt(VKind::Word, v); }
  static Value Integer(int32_t v) { return MakeInt(VKind::Integer, v); }
  static Value LongWord(uint32_t v) { return MakeInt(VKind::LongWord, v); }
  static Value Int64(int64_t v) { return MakeInt(VKind::Int64, v); }
  static Value Boolean(bool v) { return MakeInt(VKind::Boolean, v ? 1 : 0); }
  static Value Real(double v) {
    Value r;
    r.kind = VKind::Real;
    r.d = v;
    return r;
  }
  static Value Date(double v) {
    Value r;
    r.kind = VKind::Date;
    r.d = v;
    return r;
  }
  static Value String(std::string v) {
    Value r;
    r.kind = VKind::String;
    r.s = std::move(v);
    return r;
  }
  // An element reference (0 is none).
  static Value Ref(uint32_t handle) { return LongWord(handle); }

  bool IsEmpty() const { return kind == VKind::Empty; }
  bool IsString() const { return kind == VKind::String; }
  bool IsLongWord() const { return kind == VKind::LongWord; }
  bool IsBoolean() const { return kind == VKind::Boolean; }
  bool IsFloat() const { return kind == VKind::Real || kind == VKind::Date; }
  // Byte, ShortInt, Word, Integer, LongWord or Int64.
  bool IsIntegerKind() const { return kind >= VKind::Byte && kind <= VKind::Int64; }

  void Clear() {
    kind = VKind::Empty;
    i = 0;
    s.clear();
  }

  // Conversion to Integer: integer kinds unchanged (a LongWord of 2^31 or more
  // and an Int64 outside 32 bits fail), Real and Date rounded half to even and
  // failing outside the 32-bit range, Boolean 0/-1, Empty 0, a String read as a
  // number. Returns false when the value does not convert.
  bool ToInteger(int32_t& out) const;
  // The same in 64 bits (LongWord always converts).
  bool ToInt64(int64_t& out) const;
  // Conversion to double: integer kinds, Boolean 0/-1, Empty 0, a String read as
  // a number; false when it does not convert.
  bool ToDouble(double& out) const;
  // Conditions: a Boolean unchanged, a number true when not 0, a String holding
  // a number likewise ("True"/"False" in any case are accepted as well).
  bool ToBoolean(bool& out) const;
  // The value as text (numbers in decimal, reals in the general 15-digit form,
  // Booleans "True"/"False", dates as "dd.mm.yyyy hh:nn:ss", Empty as "").
  std::string ToText() const;

  // Exact equality of kind and content (for tests and caches).
  bool SameAs(const Value& o) const;

 private:
  static Value MakeInt(VKind k, int64_t v) {
    Value r;
    r.kind = k;
    r.i = v;
    return r;
  }
  // The eight bytes of the number, whichever member holds them.
  void CopyScalar(const Value& o) { std::memcpy(static_cast<void*>(&i), &o.i, sizeof i); }
};

// Date text in the player's fixed formats: "dd.mm.yyyy", "hh:nn:ss", and both
// joined by a blank (the time omitted when it is midnight).
std::string FormatDateText(double dateTime);
std::string FormatTimeText(double dateTime);
std::string FormatDateTimeText(double dateTime);

}  // namespace script
