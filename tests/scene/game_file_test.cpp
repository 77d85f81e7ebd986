// Reading game files: values by type, P against T, children, refusals and
// damaged records.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "record_writer.h"
#include "scene/an_key.h"
#include "scene/anim.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/shape_element.h"
#include "scene/text_element.h"

namespace scene {
namespace {

using testrec::Common;
using testrec::Record;

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A root record with the given children and only the five common values.
Record Root(int32_t key = 100) {
  Record r("TQZDB", 5);
  Common(r, key, "Game", 0, 0, false);
  return r;
}

// A complete TQZImage record, every value given.
Record FullImage(int32_t key, const std::string& id) {
  Record r("TQZImage");
  Common(r, key, id, 7, 8);
  r.Str("pic.png")      // imImage
      .Int(0x104)       // hxDrawFx
      .Int(1)           // PosHor phCenter
      .Int(2)           // PosVert pvBottom
      .Dbl(1.0004)      // Scale
      .Dbl(45.0006)     // Angle
      .Int(0x123456)    // hxColor
      .Int(256)         // hxTrans: a byte keeps the low 8 bits
      .Int(1)           // MousedNotVis
      .Str("")          // exVarRS
      .Str("x := 1")    // exInit
      .Str("").Str("").Str("").Str("").Str("").Str("").Str("").Str("")
      .Int(0)           // MousedVis
      .Int(3)           // Anim
      .Int(1)           // NoMsQZDB
      .Int(4)           // Order
      .Dbl(2.5)         // rX
      .Dbl(-7.25)       // rY
      .Dbl(2.0)         // ScaleX
      .Dbl(0.5)         // ScaleY
      .Int(0)           // Interpol
      .Int(0)           // InterpolSc
      .Int(1)           // MsKeep
      .Str("tag")       // Tag
      .Str("T.ID")      // TextId
      .Int(1);          // NotSave
  return r;
}

TEST(GameFile, KeyRecordOfFiftyFourBytes) {
  // Key 7, Id K1, X 0, Y 0, Vis true, Count 5, Morph false, NotSave false, empty Tag.
  const uint8_t bytes[] = {0x08, 0, 0, 0, 'T', 'Q', 'Z', 'A', 'n', 'K', 'e', 'y', 0x09, 0, 0, 0,
                           0x07, 0, 0, 0, 0x02, 0, 0, 0, 'K', '1', 0, 0, 0, 0, 0, 0, 0, 0,
                           0x01, 0, 0, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(sizeof bytes, 54u);
  Record key("TQZAnKey");
  Common(key, 7, "K1").Int(5).Int(0).Int(0).Str("");
  EXPECT_EQ(key.Bytes(), std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));

  Record anim("TQZAnim", 5);
  Common(anim, 6, "A");
  anim.Child(key);
  std::string file = Root().Child(anim).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  ASSERT_EQ(root.ChildCount(), 1u);
  auto* k = dynamic_cast<TQZAnKey*>(root.Child(0)->Child(0));
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->Key, 7);
  EXPECT_EQ(k->Id, "K1");
  EXPECT_TRUE(k->Vis);
  EXPECT_EQ(k->Count, 5);
  EXPECT_FALSE(k->Morph);
}

TEST(GameFile, EveryValueOfAnImageReadBack) {
  Record screen("TQZScreen", 5);
  Common(screen, 1, "Hall");
  screen.Child(FullImage(2, "Door"));
  std::string file = Root().Child(screen).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  ASSERT_EQ(root.ChildCount(), 1u);
  auto* img = dynamic_cast<TQZImage*>(root.Child(0)->Child(0));
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->Key, 2);
  EXPECT_EQ(img->Id, "Door");
  EXPECT_EQ(img->GetImImage(), "pic.png");
  EXPECT_EQ(img->hxDrawFx, 0x104u);
  EXPECT_EQ(img->PosHor, TQZPosHor::phCenter);
  EXPECT_EQ(img->PosVert, TQZPosVert::pvBottom);
  EXPECT_DOUBLE_EQ(img->Scale(), 1.0);     // kept in thousandths
  EXPECT_DOUBLE_EQ(img->Angle(), 45.001);  // 45000.6 rounds to 45001
  EXPECT_EQ(img->Colour, 0x00123456u);     // hxTrans 256 assigned 0
  EXPECT_TRUE(img->MousedNotVis);
  EXPECT_EQ(img->Script(Ev::Init).Source, "x := 1");
  EXPECT_FALSE(img->MousedVis);
  EXPECT_EQ(img->Anim, 3);
  EXPECT_TRUE(img->NoMsQZDB);
  EXPECT_EQ(img->Order, 4);
  EXPECT_EQ(root.MaxOrder, 4);  // the Order writer widened the bounds
  // rX and rY come after X and Y in the file, so the exact values win.
  EXPECT_DOUBLE_EQ(img->rX, 2.5);
  EXPECT_DOUBLE_EQ(img->rY, -7.25);
  EXPECT_DOUBLE_EQ(img->ScaleX, 2.0);
  EXPECT_DOUBLE_EQ(img->ScaleY, 0.5);
  EXPECT_FALSE(img->Interpol);
  EXPECT_FALSE(img->InterpolSc);
  EXPECT_TRUE(img->MsKeep);
  EXPECT_EQ(img->Tag, "tag");
  EXPECT_EQ(img->TextId, "T.ID");
  EXPECT_TRUE(img->NotSave);
}

TEST(GameFile, FewerValuesKeepDefaultsAndZeroValuesStillReadChildren) {
  // A text written with 40 values: hxShadColor, Emboss, Shadow and Uni keep their defaults.
  Record text("TQZText");
  Common(text, 3, "T");
  text.Int(0x504).Int(0xFF0000).Int(255).Int(0x00FF00).Int(128).Int(0);
  for (int i = 0; i < 10; ++i) text.Str("");  // exVarRS .. exProcess
  text.Int(1).Int(0).Int(0).Dbl(1).Dbl(2).Int(300).Int(40).Str("Font").Int(0).Int(0).Str("")
      .Int(1).Int(1).Int(0).Dbl(0).Str("hello").Dbl(1.5).Str("").Int(0);
  ASSERT_EQ(text.Bytes().size() > 0, true);
  Record screen("TQZScreen", 0);  // P = 0: constructor defaults
  screen.Child(text);
  std::string file = Root().Child(screen).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  auto* s = dynamic_cast<TQZScreen*>(root.Child(0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Key, 0);
  EXPECT_EQ(s->hxDrawFx, 1u);
  ASSERT_EQ(s->ChildCount(), 1u);
  auto* t = dynamic_cast<TQZText*>(s->Child(0));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Text(), "hello");
  EXPECT_EQ(t->SizeX, 300);
  EXPECT_EQ(t->Colour2, 0x8000FF00u);
  EXPECT_DOUBLE_EQ(t->Scale, 1.5);
  EXPECT_EQ(t->hxShadColor, 0u);
  EXPECT_FALSE(t->Emboss);
  EXPECT_FALSE(t->Shadow);
  EXPECT_FALSE(t->Uni);
}

TEST(GameFile, RefusedChildSkippedWithItsSubtreeNextSiblingLoads) {
  Record inner("TQZImage", 5);
  Common(inner, 11, "Inner");
  Record refused("TQZImage", 5);  // an image under a text is not allowed
  Common(refused, 10, "Refused");
  refused.Child(inner);
  Record text("TQZText", 5);
  Common(text, 9, "Label");
  text.Child(refused);
  Record wrongCase("tqzshape", 5);
  Common(wrongCase, 12, "Lower");
  Record sibling("TQZShape", 5);
  Common(sibling, 13, "Box");
  Record screen("TQZScreen", 5);
  Common(screen, 1, "S");
  screen.Child(text).Child(wrongCase).Child(sibling);
  std::string file = Root().Child(screen).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  TQZElement* s = root.Child(0);
  ASSERT_EQ(s->ChildCount(), 2u);
  EXPECT_EQ(s->Child(0)->Id, "Label");
  EXPECT_EQ(s->Child(0)->ChildCount(), 0u);
  EXPECT_EQ(s->Child(1)->Id, "Box");
  EXPECT_EQ(root.FindByKey(11), nullptr);
}

TEST(GameFile, OverrunningChildEndsTheRecordAtItsEnd) {
  Record first("TQZShape", 5);
  Common(first, 2, "First");
  Record screen("TQZScreen", 5);
  Common(screen, 1, "S");
  screen.Child(first);
  std::string tail;
  Record::AppendU32(tail, 1000);  // claims far more bytes than remain
  tail += "\x08\0\0\0TQZShape";
  screen.RawTail(tail);
  Record after("TQZScreen", 5);
  Common(after, 3, "After");
  std::string file = Root().Child(screen).Child(after).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  ASSERT_EQ(root.ChildCount(), 2u);
  EXPECT_EQ(root.Child(0)->ChildCount(), 1u);
  EXPECT_EQ(root.Child(1)->Id, "After");
}

TEST(GameFile, StringLengthPastTheEndStopsTheRecord) {
  // A screen with six values whose sixth (ImBack) claims a huge length.
  Record screen("TQZScreen", 6);
  Common(screen, 1, "S");
  std::string tail;
  Record::AppendU32(tail, 0x7FFFFFFF);
  tail += "abc";
  screen.RawTail(tail);
  Record next("TQZScreen", 5);
  Common(next, 2, "Next");
  std::string file = Root().Child(screen).Child(next).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  ASSERT_EQ(root.ChildCount(), 2u);
  auto* s = dynamic_cast<TQZScreen*>(root.Child(0));
  EXPECT_EQ(s->Id, "S");
  EXPECT_EQ(s->GetImBack(), "");
  EXPECT_EQ(root.Child(1)->Id, "Next");
  EXPECT_FALSE(IsLoading());
}

// Every element of a tree as its place: the class names and child positions
// from the root down.
void TreePaths(TQZElement& e, const std::string& parent, std::set<std::string>& out) {
  const std::string path = parent + "/" + e.ClassName();
  out.insert(path);
  for (size_t i = 0; i < e.ChildCount(); ++i)
    TreePaths(*e.Child(i), path + "#" + std::to_string(i), out);
}

TEST(GameFile, AnyPrefixOrCorruptionLoadsQuietly) {
  Record screen("TQZScreen");
  Common(screen, 1, "Hall");
  screen.Str("bg.png").Int(1024).Int(768).Int(1).Int(0).Int(0);
  for (int i = 0; i < 4; ++i) screen.Str("");
  screen.Int(2).Str("").Str("").Str("").Int(0).Int(0).Str("").Int(1);
  screen.Child(FullImage(2, "Door"));
  const std::string file = Root().Child(screen).Bytes();
  std::set<std::string> full;
  {
    TQZDB root;
    root.LoadGameData(Span(file));
    TreePaths(root, "", full);
    ASSERT_EQ(full.size(), 3u);  // the root, the screen, the image
  }
  // A prefix reads the records it holds whole and stops: never an element
  // the full file does not have, never the loading flag left set.
  for (size_t len = 0; len <= file.size(); ++len) {
    TQZDB root;
    root.LoadGameData(Span(file.substr(0, len)));
    std::set<std::string> got;
    TreePaths(root, "", got);
    for (const std::string& path : got)
      EXPECT_TRUE(full.count(path)) << "prefix of " << len << " bytes made " << path;
    EXPECT_FALSE(IsLoading()) << "prefix of " << len << " bytes";
  }
  uint32_t seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string damaged = file;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1103515245 + 12345;
      damaged[(seed >> 8) % damaged.size()] = static_cast<char>(seed >> 24);
    }
    TQZDB root;
    root.LoadGameData(Span(damaged));
    EXPECT_FALSE(IsLoading()) << "round " << round;
  }
}

TEST(GameFile, NestingIsCutAtAFixedDepth) {
  Record deepest("TQZImage", 5);
  Common(deepest, 1, "Leaf");
  Record current = deepest;
  for (int i = 0; i < 400; ++i) {
    Record parent("TQZImage", 5);
    Common(parent, i + 2, "N");
    parent.Child(current);
    current = parent;
  }
  Record screen("TQZScreen", 5);
  Common(screen, 1000, "S");
  screen.Child(current);
  std::string file = Root().Child(screen).Bytes();
  TQZDB root;
  root.LoadGameData(Span(file));
  int depth = 0;
  for (TQZElement* e = &root; e->ChildCount() > 0; e = e->Child(0)) ++depth;
  EXPECT_GT(depth, 200);
  EXPECT_LT(depth, 400);
}

}  // namespace
}  // namespace scene
