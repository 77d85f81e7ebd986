// TVarList: first match by exact name (with and without the hash index),
// Add/AddQuiet name checks and the Add-var line, arrays, snapshots.

#include <gtest/gtest.h>

#include "harness.h"
#include "script/names.h"
#include "script/var_list.h"

namespace script {
namespace {

TEST(VarNames, Validity) {
  for (const char* ok :
       {"COUNT", "SCREEN1.IMAGE2.X", "A[3]", "A[-1,2]", "_", ".X", "@1.X", "A", "\xc0\xe1", "A[]"})
    EXPECT_TRUE(IsValidVarName(ok)) << ok;
  for (const char* bad : {"1A", "A[B]", "A[1]X", "", "A B", "$X", "A[1]]", "A-B"})
    EXPECT_FALSE(IsValidVarName(bad)) << bad;
}

TEST(VarList, FirstMatchAndIndex) {
  // Long enough for the hash index; argument lists may hold duplicates.
  TVarList list;
  for (int i = 0; i < 20; ++i) list.Append(TVar("V" + std::to_string(i), Value::Integer(i)));
  list.Append(TVar("V3", Value::Integer(99)));
  EXPECT_EQ(list.IndexOf("V3"), 3);
  EXPECT_EQ(list.IndexOf("v3"), -1);
  EXPECT_EQ(list.Find("V3")->value.i, 3);
  EXPECT_TRUE(list.Remove("V3"));
  EXPECT_EQ(list.IndexOf("V3"), 19);  // the duplicate is first now
  EXPECT_EQ(list.IndexOf("V4"), 3);
  EXPECT_TRUE(list.SetExisting("V4", Value::Integer(-4)));
  EXPECT_FALSE(list.SetExisting("NOPE", Value::Integer(1)));
  EXPECT_EQ(list.Count(), 20u);

  TVar out;
  EXPECT_FALSE(list.GetLocal("NOPE", out));
  EXPECT_EQ(out.Name, "NOPE");
  EXPECT_TRUE(list.GetLocal("V4", out));
  EXPECT_EQ(out.value.i, -4);
  TVarList::Hint hint;
  EXPECT_EQ(list.IndexOfHinted("V5", hint), 4);
  EXPECT_EQ(hint.index, 4u);
  EXPECT_EQ(list.IndexOfHinted("V5", hint), 4);
  // A removal moves the record: the hint is checked again.
  EXPECT_TRUE(list.Remove("V0"));
  EXPECT_EQ(list.IndexOfHinted("V5", hint), 3);
  // A record popped by a rollback and another appended in its place.
  TVarList::Hint last;
  list.OpenSnapshot();
  list.Append(TVar("TEMP", Value()));
  EXPECT_EQ(list.IndexOfHinted("TEMP", last), 19);
  list.RollBack();
  list.Append(TVar("OTHER", Value()));
  EXPECT_EQ(list.IndexOfHinted("TEMP", last), -1);
}

// A hint that found its name absent answers "absent" only while the list has
// the records it had then: a rollback that removes what a call added brings
// the shape back, anything else that adds or removes a record does not.
TEST(VarList, AbsentHintsFollowTheShape) {
  TVarList list;
  list.Append(TVar("N", Value::Integer(1)));
  TVarList::Hint result;
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), -1);
  const uint64_t before = list.Shape();
  list.OpenSnapshot();
  list.SetValueAt(0, Value::Integer(2));
  list.Append(TVar("RESULT", Value::Integer(5)));
  EXPECT_NE(list.Shape(), before);
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), 1);
  list.RemoveAt(1);
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), -1);
  list.Append(TVar("RESULT", Value::Integer(6)));
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), 1);
  list.RollBack();
  EXPECT_EQ(list.Shape(), before);
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), -1);
  EXPECT_EQ(list.At(0).value.i, 1);
  // A record of the name made outside any snapshot is found again.
  list.Append(TVar("RESULT", Value::Integer(7)));
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), 1);
  // A rollback with nothing added keeps the shape; a cleared list gets a
  // new one and its records back.
  const uint64_t two = list.Shape();
  list.OpenSnapshot();
  list.SetValueAt(1, Value::Integer(8));
  list.RollBack();
  EXPECT_EQ(list.Shape(), two);
  list.OpenSnapshot();
  list.Clear();
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), -1);
  list.Append(TVar("RESULT", Value::Integer(9)));
  list.RollBack();
  EXPECT_EQ(list.Shape(), two);
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), 1);
  EXPECT_EQ(list.At(1).value.i, 7);
  list.Remove("RESULT");
  EXPECT_EQ(list.IndexOfHinted("RESULT", result), -1);
}

TEST(VarList, AddAndAddQuiet) {
  script_test::FakeHost host;
  TVarList list;
  EXPECT_TRUE(list.AddQuiet(TVar("A", Value::Integer(1))));
  EXPECT_TRUE(list.AddQuiet(TVar("A", Value::Integer(2))));  // exists: unchanged
  EXPECT_EQ(list.Find("A")->value.i, 1);
  EXPECT_FALSE(list.AddQuiet(TVar("1A", Value())));
  EXPECT_TRUE(list.Add(TVar("B.C", Value()), &host));
  EXPECT_TRUE(list.Add(TVar("B.C", Value()), &host));  // exists: no second line
  EXPECT_TRUE(list.Add(TVar("D", Value()), &host));
  EXPECT_EQ(host.log, (std::vector<std::string>{"Add var B.C (in  Test"}));
  TVarList copy;
  list.CopyInto(copy, &host);
  EXPECT_EQ(copy.Count(), 3u);
}

TEST(VarList, Arrays) {
  TVarList list;
  EXPECT_FALSE(list.NamesArray("A"));
  list.Append(TVar("A[1]", Value()));
  list.Append(TVar("AB[1]", Value()));
  EXPECT_TRUE(list.NamesArray("A"));
  EXPECT_TRUE(list.NamesArray("AB"));
  EXPECT_FALSE(list.NamesArray("B"));
  EXPECT_FALSE(list.NamesArray("A[1"));
  list.Append(TVar("S[1][2]", Value()));
  EXPECT_TRUE(list.NamesArray("S[1]"));
  EXPECT_TRUE(list.Remove("A[1]"));
  EXPECT_FALSE(list.NamesArray("A"));
  list.OpenSnapshot();
  list.Append(TVar("Q[2]", Value()));
  EXPECT_TRUE(list.NamesArray("Q"));
  list.RollBack();
  EXPECT_FALSE(list.NamesArray("Q"));
}

// A snapshot restores values, appended and removed records and a clear,
// nested any number of times, and only saves a record once per level.
TEST(VarList, Snapshots) {
  TVarList list;
  for (int i = 0; i < 12; ++i) list.Append(TVar("V" + std::to_string(i), Value::Integer(i)));
  TVarList before = list;
  list.OpenSnapshot();
  for (int k = 0; k < 1000; ++k) list.SetValueAt(2, Value::Integer(k));
  list.Append(TVar("NEW", Value::String("x")));
  EXPECT_TRUE(list.Remove("V5"));
  list.OpenSnapshot();
  list.SetValueAt(2, Value::Integer(-1));
  list.Clear();
  list.Append(TVar("ONLY", Value()));
  list.RollBack();
  EXPECT_EQ(list.Find("V2")->value.i, 999);
  EXPECT_EQ(list.IndexOf("NEW"), 11);
  EXPECT_EQ(list.IndexOf("V5"), -1);
  list.RollBack();
  ASSERT_EQ(list.Count(), before.Count());
  for (size_t i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.At(i).Name, before.At(i).Name);
    EXPECT_TRUE(list.At(i).value.SameAs(before.At(i).value));
  }
  EXPECT_EQ(list.IndexOf("V11"), 11);
  EXPECT_FALSE(list.SnapshotOpen());
  list.RollBack();  // nothing open: no change
  EXPECT_EQ(list.Count(), 12u);
}

}  // namespace
}  // namespace script
