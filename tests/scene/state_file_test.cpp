// The state file: record bytes, tags, skipped names, references, NotSave and
// damaged files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <limits>

#include "platform/byte_reader.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/state_file.h"
#include "support/test_support.h"

namespace scene {
namespace {

using script::Value;
using script::VKind;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

struct Game {
  TQZDB root;
  TQZScreen* screen;
  TQZImage* image;
  Game() {
    root.SetKey(1);
    screen = static_cast<TQZScreen*>(root.CreateChild("TQZScreen"));
    screen->SetKey(12);
    image = static_cast<TQZImage*>(screen->CreateChild("TQZImage"));
    image->SetKey(13);
  }
  std::vector<StateRecord> RecordsOf(int32_t key) {
    std::vector<StateRecord> out;
    for (auto& r : ParseState(BuildState(root)))
      if (r.key == key) out.push_back(r);
    return out;
  }
};

TEST(StateFile, VisRecordByteForByte) {
  Game g;
  std::string out;
  AppendStateValue(out, *g.screen, "VIS");
  EXPECT_EQ(out, Bytes({0x0C, 0, 0, 0, 3, 0, 0, 0, 'V', 'I', 'S', 0x49, 1, 0, 0, 0}));
}

TEST(StateFile, SkippedNamesAndExactPositionsOfImages) {
  Game g;
  g.image->rX = 10.25;
  std::vector<std::string> names;
  for (auto& r : g.RecordsOf(13)) names.push_back(r.name);
  for (const char* skipped : {"KEY", "ID", "NOTSAVE", "INTERPOL", "INTERPOLSC", "MSKEEP", "X", "Y",
                              "EXINIT", "EXMOUSEDOWN"})
    EXPECT_EQ(std::count(names.begin(), names.end(), skipped), 0) << skipped;
  EXPECT_EQ(std::count(names.begin(), names.end(), "RX"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "IMIMAGE"), 1);
  // Screens have no rX: their X and Y are written.
  std::vector<std::string> screenNames;
  for (auto& r : g.RecordsOf(12)) screenNames.push_back(r.name);
  EXPECT_EQ(std::count(screenNames.begin(), screenNames.end(), "X"), 1);
  std::vector<std::string> rootNames;
  for (auto& r : g.RecordsOf(1)) rootNames.push_back(r.name);
  EXPECT_EQ(std::count(rootNames.begin(), rootNames.end(), "CURKEY"), 0);
  EXPECT_EQ(std::count(rootNames.begin(), rootNames.end(), "FILERS"), 0);
  for (auto& r : g.RecordsOf(13)) {
    if (r.name == "RX") {
      EXPECT_EQ(r.tag, 'E');
      EXPECT_DOUBLE_EQ(r.value.d, 10.25);
    }
  }
}

TEST(StateFile, VariablesByKindAndElementReferences) {
  Game g;
  g.image->Vars = std::make_unique<script::TVarList>();
  auto& vars = *g.image->Vars;
  vars.Append({"FLAG", Value::Boolean(true)});
  vars.Append({"W", Value::Word(65535)});
  vars.Append({"TARGET", Value::Ref(g.screen->Handle())});
  vars.Append({"NOBODY", Value::Ref(0)});
  vars.Append({"NAME", Value::String("Ann")});
  vars.Append({"EMPTY", Value()});
  vars.Append({"BIG", Value::Int64(1)});
  vars.Append({"WHEN", Value::Date(1.5)});
  vars.Append({"R", Value::Real(0.1)});
  std::string bytes = BuildState(g.root);

  // Only values with an encoding are written; the file stays readable.
  bool complete = false;
  auto records = ParseState(bytes, &complete);
  EXPECT_TRUE(complete);
  std::map<std::string, StateRecord> byName;
  for (auto& r : records)
    if (r.key == 13) byName[r.name] = r;
  EXPECT_EQ(byName["FLAG"].tag, 'I');
  EXPECT_EQ(byName["FLAG"].value.i, -1);
  EXPECT_EQ(byName["W"].tag, 'W');
  EXPECT_EQ(byName["TARGET"].tag, 'O');
  EXPECT_EQ(byName["TARGET"].value.i, 12);
  EXPECT_EQ(byName["NOBODY"].value.i, 0);
  EXPECT_EQ(byName["NAME"].tag, 'S');
  EXPECT_EQ(byName.count("EMPTY"), 0u);
  EXPECT_EQ(byName.count("BIG"), 0u);
  EXPECT_EQ(byName.count("WHEN"), 0u);

  // Restore into a fresh tree with the same keys.
  Game h;
  h.image->Vars = std::make_unique<script::TVarList>();
  for (const char* n : {"FLAG", "W", "TARGET", "NOBODY", "NAME", "R"})
    h.image->Vars->Append({n, Value()});
  int afterLoad = 0;
  bool loadNow = true;
  StateHooks hooks;
  hooks.SetLoadNow = [&](bool on) { loadNow = on; };
  hooks.ResetClock = [&] { ++afterLoad; };
  ApplyState(h.root, bytes, hooks);
  auto* flag = h.image->Vars->Find("FLAG");
  EXPECT_EQ(flag->value.kind, VKind::Integer);  // true comes back as the integer -1
  EXPECT_EQ(flag->value.i, -1);
  EXPECT_EQ(h.image->Vars->Find("W")->value.kind, VKind::Word);
  auto* target = h.image->Vars->Find("TARGET");
  EXPECT_EQ(TQZElement::FromHandle(static_cast<uint32_t>(target->value.i)), h.screen);
  EXPECT_EQ(h.image->Vars->Find("NOBODY")->value.i, 0);
  EXPECT_EQ(h.image->Vars->Find("NAME")->value.s, "Ann");
  EXPECT_DOUBLE_EQ(h.image->Vars->Find("R")->value.d, 0.1);
  EXPECT_EQ(afterLoad, 1);
  EXPECT_TRUE(loadNow);
  EXPECT_FALSE(IsLoading());
}

TEST(StateFile, PropertiesRoundTrip) {
  Game g;
  g.image->rX = 3.75;
  g.image->SetScale(2.5);
  g.image->Colour = 0x80102030;
  g.image->SetImImage("door.png");
  g.screen->Vis = false;
  std::string bytes = BuildState(g.root);
  Game h;
  ApplyState(h.root, bytes, {});
  EXPECT_DOUBLE_EQ(h.image->rX, 3.75);
  EXPECT_DOUBLE_EQ(h.image->Scale(), 2.5);
  EXPECT_EQ(h.image->Colour, 0x80102030u);
  EXPECT_EQ(h.image->GetImImage(), "door.png");
  EXPECT_FALSE(h.screen->Vis);
}

TEST(StateFile, NotSaveSkipsTheElementButNotItsChildren) {
  Game g;
  g.screen->NotSave = true;
  std::string bytes = BuildState(g.root);
  bool any12 = false, any13 = false;
  for (auto& r : ParseState(bytes)) {
    any12 |= r.key == 12;
    any13 |= r.key == 13;
  }
  EXPECT_FALSE(any12);
  EXPECT_TRUE(any13);
  // Records for an element that now has NotSave are not applied.
  Game h;
  h.image->NotSave = true;
  h.image->Anim = 0;
  g.image->Anim = 5;
  ApplyState(h.root, BuildState(g.root), {});
  EXPECT_EQ(h.image->Anim, 0);
}

TEST(StateFile, SavingTwiceKeepsOnlyTheSecondSave) {
  testing_support::TempDir dir;
  Game g;
  auto path = dir / "save.dat";
  g.image->Anim = 1;
  ASSERT_TRUE(WriteState(g.root, path, {}));
  g.image->Anim = 2;
  ASSERT_TRUE(WriteState(g.root, path, {}));
  EXPECT_EQ(testing_support::ReadFile(path), BuildState(g.root));
  Game h;
  ASSERT_TRUE(ReadState(h.root, path, {}));
  EXPECT_EQ(h.image->Anim, 2);
  // Nothing but the state file is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  Game missing;
  EXPECT_FALSE(ReadState(missing.root, dir / "none.dat", {}));
}

TEST(StateFile, TruncatedOrUnknownTagEndsReadingWithoutPartialValues) {
  Game g;
  std::string good;
  AppendStateValue(good, *g.image, "ANIM");  // Anim 0
  g.image->Anim = 7;
  std::string seven;
  AppendStateValue(seven, *g.image, "ANIM");
  std::string nameRecord;
  g.image->SetImImage("picture.png");
  AppendStateValue(nameRecord, *g.image, "IMIMAGE");

  for (size_t cut = 1; cut < nameRecord.size(); ++cut) {
    Game h;
    h.image->Anim = 3;
    h.image->SetImImage("old.png");
    int done = 0;
    StateHooks hooks;
    hooks.ResetClock = [&] { ++done; };
    ApplyState(h.root, seven + nameRecord.substr(0, cut), hooks);
    EXPECT_EQ(h.image->Anim, 7);
    EXPECT_EQ(h.image->GetImImage(), "old.png") << cut;
    EXPECT_EQ(done, 1);  // the load finishes as at the end of the file
    EXPECT_FALSE(IsLoading());
  }
  std::string unknown = seven;
  unknown[unknown.size() - 5] = 'Z';  // the tag byte
  Game h;
  h.image->Anim = 3;
  ApplyState(h.root, unknown + good, {});
  EXPECT_EQ(h.image->Anim, 3);
  bool complete = true;
  ParseState(unknown, &complete);
  EXPECT_FALSE(complete);
}

TEST(StateFile, RecordsForMissingElementsAndUnknownNamesAreSkipped) {
  Game g;
  std::string bytes;
  AppendStateValue(bytes, *g.image, "ANIM");
  std::string missing = bytes;
  missing[0] = 99;  // key 99 does not exist
  std::string unknownName;
  platform::ByteWriter w;
  w.I32LE(13);
  w.LString("NOSUCHNAME");
  w.U8('I');
  w.I32LE(5);
  g.image->Anim = 4;
  std::string four;
  AppendStateValue(four, *g.image, "ANIM");
  Game h;
  ApplyState(h.root, missing + w.Data() + four, {});
  EXPECT_EQ(h.image->Anim, 4);
}

TEST(Extended, ConversionsRoundTrip) {
  const double values[] = {0.0,  -0.0, 1.0,   -1.5,  0.1,  1e300, -1e-300, 4.9e-324,
                           1e20, 3.5,  12345.678, std::numeric_limits<double>::infinity()};
  for (double v : values) {
    uint8_t ext[10];
    DoubleToExtended(v, ext);
    double back = ExtendedToDouble(ext);
    EXPECT_EQ(back, v) << v;
    EXPECT_EQ(std::signbit(back), std::signbit(v)) << v;
  }
  uint8_t one[10];
  DoubleToExtended(1.0, one);
  // 1.0 is 3FFF 8000000000000000.
  EXPECT_EQ(one[7], 0x80);
  EXPECT_EQ(one[8], 0xFF);
  EXPECT_EQ(one[9], 0x3F);
  uint8_t nan[10];
  DoubleToExtended(std::nan(""), nan);
  EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

}  // namespace
}  // namespace scene
