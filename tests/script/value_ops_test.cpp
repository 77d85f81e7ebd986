// The value rules on kinds that script literals cannot produce directly:
// the wide integers (Word, LongWord, Int64), Date, Empty and ShortInt.

#include <gtest/gtest.h>

#include <cmath>

#include "script/value_ops.h"

namespace script {
namespace {

std::string Show(const Value& v) {
  return std::string(KindName(v.kind)) + ":" + v.ToText();
}

std::string Apply(Op op, const Value& a, const Value& b) {
  Value r;
  if (!ApplyBinary(op, a, b, r)) return "fail";
  return Show(r);
}

TEST(ValueOps, WideIntegers) {
  Value lw = Value::LongWord(4000000000u), w = Value::Word(65535), i64 = Value::Int64(INT64_MAX);
  EXPECT_EQ(Apply(Op::Add, lw, Value::Integer(1)), "Int64:4000000001");
  EXPECT_EQ(Apply(Op::Add, Value::Integer(1), lw), "Int64:4000000001");
  EXPECT_EQ(Apply(Op::Mul, w, w), "Int64:4294836225");
  EXPECT_EQ(Apply(Op::Gt, lw, Value::Integer(-1)), "Boolean:True");
  EXPECT_EQ(Apply(Op::Add, i64, Value::Integer(1)), "Real:9.22337203685478E18");
  EXPECT_EQ(Apply(Op::Add, lw, Value::Boolean(true)), "Int64:3999999999");
  EXPECT_EQ(Apply(Op::Shl, Value::Int64(1), Value::Integer(40)), "Int64:1099511627776");
  EXPECT_EQ(Apply(Op::Div, lw, Value::Integer(2)), "Real:2000000000");
  EXPECT_EQ(Apply(Op::And, lw, Value::Integer(255)), "Int64:0");
  EXPECT_EQ(Apply(Op::Eq, Value::Ref(5), Value::Ref(5)), "Boolean:True");
  EXPECT_EQ(Apply(Op::Add, Value::ShortInt(-5), Value::Byte(200)), "Integer:195");
  EXPECT_EQ(Apply(Op::Add, lw, Value::String("1")), "Real:4000000001");
}

TEST(ValueOps, ConversionsToInteger) {
  int32_t n;
  EXPECT_FALSE(Value::LongWord(2147483648u).ToInteger(n));
  EXPECT_TRUE(Value::LongWord(2147483647u).ToInteger(n));
  EXPECT_TRUE(Value::Real(2.5).ToInteger(n));
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(Value::Real(3.5).ToInteger(n));
  EXPECT_EQ(n, 4);
  EXPECT_FALSE(Value::Real(3e9).ToInteger(n));
  EXPECT_TRUE(Value::Boolean(true).ToInteger(n));
  EXPECT_EQ(n, -1);
  EXPECT_TRUE(Value().ToInteger(n));
  EXPECT_EQ(n, 0);
  EXPECT_FALSE(Value::String("x").ToInteger(n));
  bool b;
  EXPECT_TRUE(Value::Real(0.5).ToBoolean(b));
  EXPECT_TRUE(b);
  EXPECT_FALSE(Value::String("maybe").ToBoolean(b));
}

// Dates: a date plus or minus a number stays a date, the difference of two
// dates is a number of days; other operations work on the day count.
TEST(ValueOps, Dates) {
  Value d = Value::Date(45000.5), e = Value::Date(44999.0);
  EXPECT_EQ(Apply(Op::Add, d, Value::Integer(1)), Show(Value::Date(45001.5)));
  EXPECT_EQ(Apply(Op::Add, Value::Integer(1), d), Show(Value::Date(45001.5)));
  EXPECT_EQ(Apply(Op::Sub, d, e), "Real:1.5");
  EXPECT_EQ(Apply(Op::Sub, d, Value::Real(0.5)), Show(Value::Date(45000)));
  EXPECT_EQ(Apply(Op::Mul, d, Value::Integer(2)), "Real:90001");
  EXPECT_EQ(Apply(Op::Gt, d, e), "Boolean:True");
  EXPECT_EQ(Apply(Op::Lt, d, Value::Real(45001)), "Boolean:True");
  EXPECT_EQ(Apply(Op::Add, d, Value::String("x")), "fail");
}

// Empty takes part as the zero of the other operand's kind; two Empty values
// act as two Integer zeros.
TEST(ValueOps, Empty) {
  Value empty;
  EXPECT_EQ(Apply(Op::Add, empty, Value::Integer(5)), "Integer:5");
  EXPECT_EQ(Apply(Op::Add, empty, Value::String("ab")), "String:ab");
  EXPECT_EQ(Apply(Op::Add, Value::String("ab"), empty), "String:ab");
  EXPECT_EQ(Apply(Op::And, empty, Value::Boolean(true)), "Boolean:False");
  EXPECT_EQ(Apply(Op::Add, empty, Value::LongWord(3)), "Int64:3");
  EXPECT_EQ(Apply(Op::Add, empty, empty), "Integer:0");
  EXPECT_EQ(Apply(Op::Eq, empty, empty), "Boolean:True");
  EXPECT_EQ(Apply(Op::Div, empty, empty), "fail");
  EXPECT_EQ(Apply(Op::Lt, empty, Value::Real(0.5)), "Boolean:True");
  Value r;
  ASSERT_TRUE(ApplyNot(empty, r));
  EXPECT_EQ(Show(r), "Byte:1");
  ASSERT_TRUE(ApplyNegate(empty, r));
  EXPECT_EQ(Show(r), "Integer:0");
}

TEST(ValueOps, PowerAndRealFailures) {
  EXPECT_EQ(Apply(Op::Pow, Value::Integer(2), Value::Real(0.5)),
            Show(Value::Real(std::pow(2.0, 0.5))));
  EXPECT_EQ(Apply(Op::Pow, Value::Real(0.1), Value::Integer(1)),
            Show(Value::Real(static_cast<double>(0.1f))));
  EXPECT_EQ(Apply(Op::Pow, Value::Integer(10), Value::Integer(400)), "fail");  // overflow
  EXPECT_EQ(Apply(Op::Pow, Value::Integer(-8), Value::Real(0.5)), "fail");
  EXPECT_EQ(Apply(Op::Mul, Value::Real(1e300), Value::Real(1e300)), "fail");
  EXPECT_EQ(Apply(Op::Div, Value::Integer(0), Value::Integer(0)), "fail");
  Value r;
  EXPECT_TRUE(ApplyNegate(Value::Int64(INT64_MIN), r));
  EXPECT_EQ(r.kind, VKind::Real);
  EXPECT_TRUE(ApplyNegate(Value::Word(5), r));
  EXPECT_EQ(Show(r), "Int64:-5");
  EXPECT_TRUE(ApplyNegate(Value::Date(2), r));
  EXPECT_EQ(r.kind, VKind::Date);
}

// Concatenation refuses texts beyond the size limit instead of growing forever.
TEST(ValueOps, TextLengthLimit) {
  Value big = Value::String(std::string(kMaxTextLength / 2 + 1, 'a'));
  EXPECT_EQ(Apply(Op::Add, big, big), "fail");
  Value r;
  EXPECT_TRUE(ApplyBinary(Op::Add, big, Value::String("b"), r));
  EXPECT_EQ(r.s.size(), kMaxTextLength / 2 + 2);
}

TEST(ValueOps, CompareValues) {
  bool r;
  EXPECT_TRUE(CompareValues(Op::Le, Value::String("a"), Value::String("b"), r));
  EXPECT_TRUE(r);
  EXPECT_FALSE(CompareValues(Op::Le, Value::String("a"), Value::Integer(1), r));
  EXPECT_FALSE(CompareValues(Op::Add, Value::Integer(1), Value::Integer(1), r));
  EXPECT_TRUE(CompareValues(Op::Ge, Value::Boolean(true), Value::String("FALSE"), r));
  EXPECT_TRUE(r);
}

}  // namespace
}  // namespace script
