// qazmir-tool dump, build and state, run as the user runs them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../scene/record_writer.h"
#include "platform/codepage.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/state_file.h"
#include "support/test_support.h"

namespace {

using testing_support::BinDir;
using testing_support::FixturesDir;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;
using Json = nlohmann::ordered_json;

std::string Tool() { return (BinDir() / "qazmir-tool").string(); }

TEST(ToolBuildDump, RoundTripGivesTheSameBytes) {
  for (const char* game : {"hello", "allclasses"}) {
    TempDir dir;
    auto scene = FixturesDir() / "games" / game / "scene.json";
    auto first = dir / "first.qzf";
    auto r = RunCommand({Tool(), "build", scene.string(), "-o", first.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    auto dumped = RunCommand({Tool(), "dump", first.string()});
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.err, "");
    WriteFile(dir / "dumped.json", dumped.out);
    auto second = dir / "second.qzf";
    r = RunCommand({Tool(), "build", (dir / "dumped.json").string(), "-o", second.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(first), ReadFile(second)) << game;
    // And the dump of the second file is the same text.
    EXPECT_EQ(RunCommand({Tool(), "dump", second.string()}).out, dumped.out);
  }
}

TEST(ToolBuild, KeysCountsScriptsAndCodePage) {
  TempDir dir;
  auto out = dir / "g.qzf";
  auto scene = FixturesDir() / "games" / "allclasses" / "scene.json";
  ASSERT_EQ(RunCommand({Tool(), "build", scene.string(), "-o", out.string()}).status, 0);
  Json j = Json::parse(RunCommand({Tool(), "dump", out.string()}).out);
  // Given keys stay; the others follow the largest given (30) in pre-order.
  EXPECT_EQ(j["props"]["Key"], 31);
  EXPECT_EQ(j["props"]["CurKey"], 41);
  EXPECT_EQ(j["children"][0]["children"][0]["props"]["Key"], 32);
  // The script file is inlined as code page text.
  EXPECT_EQ(j["props"]["exInit"], "var n: integer;\nn := 5; // a comment\n");
  // "count" writes only the first values and survives the dump.
  auto key2 = j["children"][2]["children"][1];
  EXPECT_EQ(key2["count"], 7);
  EXPECT_EQ(key2["props"].size(), 7u);
  // Cyrillic text and enumerations.
  auto door = j["children"][0]["children"][0];
  EXPECT_EQ(door["children"][0]["props"]["Text"], "Дверь");
  EXPECT_EQ(door["props"]["PosHor"], 1);
  EXPECT_EQ(door["props"]["Interpol"], 0);
  EXPECT_EQ(j["children"][0]["children"][5]["props"]["hxColor"], 4294967295u);
  // The player reads the same file.
  auto bytes = ReadFile(out);
  scene::TQZDB root;
  root.LoadGameData({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  auto* d = dynamic_cast<scene::TQZImage*>(root.FindByKey(32));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Id, "Door");
  EXPECT_DOUBLE_EQ(d->Angle(), 30.5);
  EXPECT_EQ(d->Colour, 0xC8FF0000u);
  EXPECT_EQ(d->Child(0)->Id, "Label");
  EXPECT_EQ(dynamic_cast<scene::TQZElement*>(d->Child(0))->Class().ClassName, "TQZText");
}

TEST(ToolBuild, KeyRecordIsTheDocumentedFiftyFourBytes) {
  TempDir dir;
  WriteFile(dir / "k.json", R"({"class": "TQZDB", "props": {"Key": 1},
    "children": [{"class": "TQZAnim", "props": {"Key": 2},
      "children": [{"class": "TQZAnKey", "props": {"Key": 7, "Id": "K1", "Count": 5}}]}]})");
  ASSERT_EQ(RunCommand({Tool(), "build", (dir / "k.json").string(), "-o", (dir / "k.qzf").string()})
                .status,
            0);
  std::string file = ReadFile(dir / "k.qzf");
  const uint8_t record[] = {0x36, 0, 0, 0,    0x08, 0, 0, 0, 'T', 'Q', 'Z', 'A', 'n', 'K', 'e',
                            'y',  9, 0, 0,    0,    7, 0, 0, 0, 2,   0,   0,   0,   'K', '1', 0,
                            0,    0, 0, 0,    0,    0, 0, 1, 0, 0,   0,   5,   0,   0,   0,   0,
                            0,    0, 0, 0,    0,    0, 0, 0, 0, 0,   0};
  ASSERT_GE(file.size(), sizeof record);
  EXPECT_EQ(file.substr(file.size() - sizeof record),
            std::string(reinterpret_cast<const char*>(record), sizeof record));
}

TEST(ToolBuild, ClearMessagesForBadInput) {
  TempDir dir;
  struct Case {
    const char* json;
    const char* message;
  } cases[] = {
      {R"({"class": "TQZDB", )", "is not valid JSON"},
      {R"({"class": "TQZDB", "children": [{"class": "TQZBogus"}]})", "unknown class \"TQZBogus\""},
      {R"({"class": "TQZDB", "props": {"Colour": 1}})", "has no property \"Colour\""},
      {R"({"class": "TQZScreen"})", "root element must be of class TQZDB"},
      {R"({"class": "TQZDB", "props": {"Id": 5}})", "Id must be a string"},
      {R"({"class": "TQZDB", "props": {"MaxMem": 99999999999}})", "does not fit 32 bits"},
      {R"({"class": "TQZDB", "props": {"Id": "中"}})", "cannot hold"},
      {R"({"class": "TQZDB", "children": [{"class": "TQZScreen", "props": {"exInit": {"file": "no.pas"}}}]})",
       "cannot read"},
  };
  for (const auto& c : cases) {
    WriteFile(dir / "bad.json", c.json);
    auto r = RunCommand({Tool(), "build", (dir / "bad.json").string(), "-o", (dir / "x.qzf").string()});
    EXPECT_EQ(r.status, 1) << c.json;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.qzf"));
  }
  auto r = RunCommand({Tool(), "dump", (dir / "missing.qzf").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot read"), std::string::npos);
  r = RunCommand({Tool(), "frobnicate"});
  EXPECT_EQ(r.status, 2);
}

TEST(ToolDump, FileFromAnIndependentWriterGivesBackEveryValue) {
  using testrec::Common;
  using testrec::Record;
  Record image("TQZImage");
  Common(image, 2, "Door", 5, 6);
  image.Str("door.png").Int(0x504).Int(2).Int(1).Dbl(1.5).Dbl(-90).Int(0xABCDEF).Int(77).Int(1);
  for (int i = 0; i < 10; ++i) image.Str(i == 6 ? "X := 1" : "");
  image.Int(1).Int(9).Int(0).Int(3).Dbl(5.5).Dbl(6.5).Dbl(1).Dbl(2).Int(1).Int(0).Int(1)
      .Str("t").Str("tid").Int(0);
  Record screen("TQZScreen", 5);
  Common(screen, 1, "Hall");
  screen.Child(image);
  Record root("TQZDB", 5);
  Common(root, 3, "G", 0, 0, false);
  root.Child(screen);
  TempDir dir;
  WriteFile(dir / "g.qzf", root.Bytes());
  auto r = RunCommand({Tool(), "dump", (dir / "g.qzf").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  Json j = Json::parse(r.out);
  EXPECT_EQ(j["count"], 5);
  EXPECT_EQ(j["children"][0]["count"], 5);
  Json p = j["children"][0]["children"][0]["props"];
  EXPECT_FALSE(j["children"][0]["children"][0].contains("count"));
  EXPECT_EQ(p["imImage"], "door.png");
  EXPECT_EQ(p["PosHor"], 2);
  EXPECT_EQ(p["Scale"], 1.5);
  EXPECT_EQ(p["Angle"], -90.0);
  EXPECT_EQ(p["hxColor"], 0xABCDEF);
  EXPECT_EQ(p["hxTrans"], 77);
  EXPECT_EQ(p["exMouseDown"], "X := 1");
  EXPECT_EQ(p["Anim"], 9);
  EXPECT_EQ(p["Order"], 3);
  EXPECT_EQ(p["rX"], 5.5);
  EXPECT_EQ(p["ScaleY"], 2.0);
  EXPECT_EQ(p["TextId"], "tid");
  EXPECT_EQ(p.size(), 38u);
  // The dump builds back to the same bytes.
  WriteFile(dir / "g.json", r.out);
  ASSERT_EQ(RunCommand({Tool(), "build", (dir / "g.json").string(), "-o", (dir / "h.qzf").string()})
                .status,
            0);
  EXPECT_EQ(ReadFile(dir / "h.qzf"), root.Bytes());
}

TEST(ToolDump, DamagedFilesWarnButShowWhatIsThere) {
  TempDir dir;
  auto scene = FixturesDir() / "games" / "hello" / "scene.json";
  ASSERT_EQ(RunCommand({Tool(), "build", scene.string(), "-o", (dir / "g.qzf").string()}).status, 0);
  std::string bytes = ReadFile(dir / "g.qzf");
  WriteFile(dir / "cut.qzf", bytes.substr(0, bytes.size() - 20));
  auto r = RunCommand({Tool(), "dump", (dir / "cut.qzf").string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("warning"), std::string::npos);
  EXPECT_EQ(Json::parse(r.out)["props"]["Id"], "Hello");
  WriteFile(dir / "junk.qzf", "\xff\xff\xff\xff junk");
  EXPECT_EQ(RunCommand({Tool(), "dump", (dir / "junk.qzf").string()}).status, 1);
}

TEST(ToolState, RecordsAsJson) {
  scene::TQZDB root;
  root.SetKey(4);
  auto* s = root.CreateChild("TQZScreen");
  s->SetKey(12);
  s->Vars = std::make_unique<script::TVarList>();
  s->Vars->Append({"NAME", script::Value::String(platform::CodePage::Default().FromUtf8("Иван"))});
  s->Vars->Append({"R", script::Value::Real(2.5)});
  TempDir dir;
  WriteFile(dir / "s.dat", scene::BuildState(root));
  auto r = RunCommand({Tool(), "state", (dir / "s.dat").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  Json j = Json::parse(r.out);
  bool sawName = false, sawVis = false, sawR = false;
  for (auto& rec : j) {
    if (rec["key"] == 12 && rec["name"] == "NAME") sawName = rec["value"] == "Иван" && rec["tag"] == "S";
    if (rec["key"] == 12 && rec["name"] == "VIS") sawVis = rec["value"] == 1 && rec["tag"] == "I";
    if (rec["key"] == 12 && rec["name"] == "R") sawR = rec["value"] == 2.5 && rec["tag"] == "E";
  }
  EXPECT_TRUE(sawName);
  EXPECT_TRUE(sawVis);
  EXPECT_TRUE(sawR);
}

}  // namespace

namespace {

TEST(ToolBuild, PositionGivenAsXAndYAlonePlacesTheElement) {
  TempDir dir;
  WriteFile(dir / "p.json", R"({"class": "TQZDB", "children": [{"class": "TQZScreen",
    "children": [{"class": "TQZImage", "props": {"Key": 5, "X": 120, "Y": -7}},
                 {"class": "TQZShape", "props": {"Key": 6, "X": 3, "rX": 40.5}}]}]})");
  ASSERT_EQ(RunCommand({Tool(), "build", (dir / "p.json").string(), "-o", (dir / "p.qzf").string()})
                .status,
            0);
  auto bytes = ReadFile(dir / "p.qzf");
  scene::TQZDB root;
  root.LoadGameData({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  EXPECT_DOUBLE_EQ(root.FindByKey(5)->rX, 120);
  EXPECT_DOUBLE_EQ(root.FindByKey(5)->rY, -7);
  EXPECT_DOUBLE_EQ(root.FindByKey(6)->rX, 40.5);  // the exact value given wins
}

}  // namespace
