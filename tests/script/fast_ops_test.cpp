// The inline fast paths of the value rules (FastIntegerOp, FastRealOp,
// FastTextAppend) are a second copy of part of those rules, and the cached
// and the uncached interpreter both use them, so the differential runs cannot
// see them drift.
// Here every answer they give is compared with the general rules alone: all
// operand kinds, the boundary values (overflow, halves, mixed kinds, zero
// divisors, infinities), then random pairs from a fixed seed it prints.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "script/value_ops.h"

namespace script {
namespace {

constexpr uint32_t kSeed = 20261207;
constexpr int kRandomPairs = 200000;

const Op kOps[] = {Op::Eq,  Op::Ne,  Op::Gt,  Op::Lt,  Op::Ge, Op::Le,  Op::Add, Op::Sub,
                   Op::Mul, Op::Div, Op::Pow, Op::And, Op::Or, Op::Xor, Op::Shl, Op::Shr};

// Kind, text and, for the floating kinds, the exact bits.
std::string Describe(const Value& v) {
  std::string out = std::string(KindName(v.kind)) + ":" + v.ToText();
  if (v.IsFloat()) {
    uint64_t bits;
    std::memcpy(&bits, &v.d, sizeof bits);
    char hex[24];
    std::snprintf(hex, sizeof hex, " (0x%016llx)", static_cast<unsigned long long>(bits));
    out += hex;
  }
  return out;
}

// The same kind and content, a floating value to the bit (-0 is not 0).
bool Identical(const Value& a, const Value& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == VKind::String) return a.s == b.s;
  if (a.IsFloat()) {
    if (std::isnan(a.d) || std::isnan(b.d)) return std::isnan(a.d) && std::isnan(b.d);
    return std::memcmp(&a.d, &b.d, sizeof a.d) == 0;
  }
  return a.i == b.i;
}

std::vector<Value> BoundaryValues() {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<Value> v;
  for (int32_t i : {INT32_MIN, INT32_MIN + 1, -46341, -2, -1, 0, 1, 2, 3, 46340, 46341,
                    INT32_MAX - 1, INT32_MAX})
    v.push_back(Value::Integer(i));
  for (double d : {0.0,     -0.0,     0.5,          -0.5,          1.5,          -1.5,  2.5,
                   -2.5,    3.0,      2147483647.5, -2147483648.5, 2147483648.0, 1e308, -1e308,
                   DBL_MAX, -DBL_MAX, DBL_MIN,      DBL_TRUE_MIN,  inf,          -inf})
    v.push_back(Value::Real(d));
  v.push_back(Value::Byte(0));
  v.push_back(Value::Byte(255));
  v.push_back(Value::ShortInt(-128));
  v.push_back(Value::Word(65535));
  v.push_back(Value::LongWord(2147483648u));
  v.push_back(Value::LongWord(UINT32_MAX));
  v.push_back(Value::Int64(INT64_MIN));
  v.push_back(Value::Int64(INT64_MAX));
  v.push_back(Value::Int64(int64_t{1} << 40));
  v.push_back(Value::Date(0.5));
  v.push_back(Value::Date(45000.25));
  v.push_back(Value::Boolean(false));
  v.push_back(Value::Boolean(true));
  for (const char* s : {"", "1", "2.5", "-2147483648", "1e308", "x", "\"KEY\"", "a longer text than fits inline"})
    v.push_back(Value::String(s));
  v.push_back(Value());
  return v;
}

// A value of a random kind, with the kinds the fast paths take most often.
Value RandomValue(std::mt19937& rng) {
  auto bits = [&] { return (uint64_t{rng()} << 32) | rng(); };
  switch (rng() % 12) {
    case 0:
    case 1:
    case 2:
      return Value::Integer(static_cast<int32_t>(rng()));
    case 3:
      return Value::Integer(static_cast<int32_t>(rng() % 2001) - 1000);
    case 4:
    case 5:
      return Value::Real((static_cast<int32_t>(rng() % 20001) - 10000) / 2.0);
    case 6: {
      double d;
      const uint64_t b = bits();
      std::memcpy(&d, &b, sizeof d);
      return Value::Real(std::isnan(d) ? 0.0 : d);
    }
    case 7:
      return Value::Real(static_cast<double>(static_cast<int32_t>(rng())) * 1024.0);
    case 8:
      return Value::Int64(static_cast<int64_t>(bits()));
    case 9:
      return Value::LongWord(rng());
    case 10:
      return Value::Date((rng() % 100000) / 4.0);
    default:
      return Value::Boolean(rng() % 2 != 0);
  }
}

struct Tally {
  int integerAnswers = 0;
  int realAnswers = 0;
  int textAnswers = 0;
  int failures = 0;
};

// FastTextAppend in the shape of the others: the left operand copied, then
// extended in place; a refusal must leave it untouched.
bool TextAppendInto(Op op, const Value& a, const Value& b, Value& out) {
  out = a;
  if (FastTextAppend(op, out, b)) return true;
  if (!Identical(out, a)) ADD_FAILURE() << "FastTextAppend changed a refused operand";
  return false;
}

// Every answer of a fast path must be the general rules' answer.
void Compare(Op op, const Value& a, const Value& b, Tally& tally) {
  struct Path {
    const char* name;
    bool (*fn)(Op, const Value&, const Value&, Value&);
    int Tally::*count;
  };
  static const Path kPaths[] = {{"FastIntegerOp", &FastIntegerOp, &Tally::integerAnswers},
                                {"FastRealOp", &FastRealOp, &Tally::realAnswers},
                                {"FastTextAppend", &TextAppendInto, &Tally::textAnswers}};
  for (const Path& path : kPaths) {
    Value fast;
    if (!path.fn(op, a, b, fast)) continue;
    ++(tally.*path.count);
    Value general;
    const bool ok = ApplyBinaryGeneral(op, a, b, general);
    if (ok && Identical(fast, general)) continue;
    if (++tally.failures > 20) return;
    ADD_FAILURE() << path.name << " differs for op " << static_cast<int>(op) << " on "
                  << Describe(a) << " and " << Describe(b) << ": fast " << Describe(fast)
                  << ", general " << (ok ? Describe(general) : std::string("fails"));
  }
}

TEST(FastOps, AgreeWithTheGeneralRulesOnEveryBoundaryPair) {
  const std::vector<Value> values = BoundaryValues();
  Tally tally;
  for (const Value& a : values)
    for (const Value& b : values)
      for (Op op : kOps) Compare(op, a, b, tally);
  EXPECT_EQ(tally.failures, 0);
  // Both paths answered for a good part of the table (not a vacuous pass).
  EXPECT_GT(tally.integerAnswers, 1000);
  EXPECT_GT(tally.realAnswers, 5000);
  EXPECT_GT(tally.textAnswers, 30);
}

TEST(FastOps, AgreeWithTheGeneralRulesOnRandomPairs) {
  std::printf("FastOps random pairs: seed %u\n", kSeed);
  std::mt19937 rng(kSeed);
  Tally tally;
  for (int n = 0; n < kRandomPairs && tally.failures <= 20; ++n) {
    const Value a = RandomValue(rng);
    const Value b = RandomValue(rng);
    Compare(kOps[rng() % std::size(kOps)], a, b, tally);
  }
  EXPECT_EQ(tally.failures, 0) << "seed " << kSeed;
  EXPECT_GT(tally.integerAnswers, kRandomPairs / 100);
  EXPECT_GT(tally.realAnswers, kRandomPairs / 20);
}

}  // namespace
}  // namespace script
