// The font archive reader and the font store: archives built in the test with zlib.

#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"
#include "render/font_store.h"
#include "font_test_util.h"
#include "support/test_support.h"

namespace {

using render::ArchiveError;
using render::FontArchive;
using render::FontStore;
using render_test::Archive;
using render_test::ArchiveRecordSpec;
using render_test::FontRecord;
using render_test::ImageStream;
using render_test::StreamSpec;
using testing_support::TempDir;
using testing_support::WriteFile;

// A one-glyph font whose glyph is `width` pixels wide.
std::string SmallFont(int32_t width) {
  StreamSpec s;
  s.pixels = std::string("\xFF\xFF\xFF\xFF", 4);
  return FontRecord('A', 0, {{width, 1}}, ImageStream(s));
}

render::FontLoadResult LoadBytes(FontStore& store, const std::string& bytes) {
  FontArchive archive;
  const ArchiveError error = archive.Parse(bytes);
  if (error != ArchiveError::kNone) {
    store.ReleaseFonts();
    render::FontLoadResult r;
    r.error = error;
    return r;
  }
  return store.LoadFontArchive(archive);
}

TEST(FontStore, LoadsKindThreeRecordsInOrderAndFindsIgnoringCase) {
  TempDir dir;
  // 0xD4 and 0xF4 are upper and lower case of the same Cyrillic letter in CP1251.
  WriteFile(dir / "fonts.dat",
            Archive({{"Arial", SmallFont(1)},
                     {"notes", "not a font at all", 7},
                     {"Big\xD4", SmallFont(2)},
                     {"arial", SmallFont(3)}}));
  FontStore store;
  const render::FontLoadResult r = store.LoadFontArchive((dir / "fonts.dat").string());
  EXPECT_EQ(r.error, ArchiveError::kNone);
  EXPECT_EQ(r.fontsLoaded, 3);
  ASSERT_EQ(store.Fonts().size(), 3u);
  EXPECT_EQ(store.Fonts()[1]->Name(), "Big\xD4");
  ASSERT_NE(store.FindFont("ARIAL"), nullptr);
  EXPECT_EQ(store.FindFont("ARIAL")->GlyphWidth(0), 1) << "first match";
  ASSERT_NE(store.FindFont("big\xF4"), nullptr);
  EXPECT_EQ(store.FindFont("big\xF4")->GlyphWidth(0), 2);
  EXPECT_EQ(store.FindFont("notes"), nullptr);
  EXPECT_EQ(store.FindFont("Aria"), nullptr);
  EXPECT_EQ(store.FindFont(""), nullptr);
}

TEST(FontStore, MissingOrForeignFiles) {
  TempDir dir;
  FontStore store;
  EXPECT_EQ(store.LoadFontArchive((dir / "none.dat").string()).error, ArchiveError::kCannotOpen);
  WriteFile(dir / "x.dat", "ASDc" + std::string(8, '\0'));
  EXPECT_EQ(store.LoadFontArchive((dir / "x.dat").string()).error, ArchiveError::kBadSignature);
  WriteFile(dir / "y.dat", "ASDb\x01");
  EXPECT_EQ(store.LoadFontArchive((dir / "y.dat").string()).error, ArchiveError::kTruncated);
  EXPECT_TRUE(store.Fonts().empty());
}

// Secured records are skipped and loading goes on; a record that does not inflate to exactly
// its stated size stops loading, keeping the fonts before it.
TEST(FontStore, SecuredSkippedBrokenRecordStops) {
  FontStore store;
  ArchiveRecordSpec secured{"Secret", SmallFont(5), 3, true};
  ArchiveRecordSpec shortBy1{"Short", SmallFont(6), 3, false,
                             static_cast<int32_t>(SmallFont(6).size()) + 1};
  ArchiveRecordSpec longBy1{"Long", SmallFont(6), 3, false,
                            static_cast<int32_t>(SmallFont(6).size()) - 1};
  auto r = LoadBytes(store, Archive({{"One", SmallFont(1)}, secured, {"Two", SmallFont(2)}}));
  EXPECT_EQ(r.fontsLoaded, 2);
  EXPECT_EQ(r.securedSkipped, 1);
  EXPECT_EQ(store.FindFont("Secret"), nullptr);
  for (const ArchiveRecordSpec& bad : {shortBy1, longBy1}) {
    r = LoadBytes(store, Archive({{"One", SmallFont(1)}, bad, {"Two", SmallFont(2)}}));
    EXPECT_EQ(r.error, ArchiveError::kBadPacking);
    EXPECT_EQ(r.fontsLoaded, 1);
    EXPECT_NE(store.FindFont("One"), nullptr);
    EXPECT_EQ(store.FindFont("Two"), nullptr);
  }
  // A font record whose data are not a font stops loading too.
  r = LoadBytes(store, Archive({{"One", SmallFont(1)}, {"Bad", "xx"}, {"Two", SmallFont(2)}}));
  EXPECT_EQ(r.error, ArchiveError::kBadRecord);
  EXPECT_EQ(r.fontsLoaded, 1);
  // A table entry pointing outside the file ends the table there.
  std::string bytes = Archive({{"One", SmallFont(1)}, {"Two", SmallFont(2)}});
  bytes[bytes.size() - 1] = '\x7F';  // last record offset's top byte
  r = LoadBytes(store, bytes);
  EXPECT_EQ(r.error, ArchiveError::kTruncated);
  EXPECT_EQ(r.fontsLoaded, 1);
}

// Fonts are emptied, not destroyed: a pointer kept across a reload works again afterwards.
TEST(FontStore, FontObjectsOutliveReleaseAndReload) {
  FontStore store;
  LoadBytes(store, Archive({{"Main", SmallFont(4)}}));
  render::RenderFont* kept = store.FindFont("main");
  ASSERT_NE(kept, nullptr);
  kept->SetScale(3);
  store.ReleaseFonts();
  EXPECT_FALSE(kept->Loaded());
  EXPECT_EQ(kept->TextWidth("A"), 0);
  EXPECT_EQ(store.FindFont("Main"), nullptr);
  LoadBytes(store, Archive({{"Other", SmallFont(1)}, {"MAIN", SmallFont(9)}}));
  EXPECT_EQ(store.FindFont("main"), kept);
  EXPECT_TRUE(kept->Loaded());
  EXPECT_EQ(kept->Scale(), 1.0) << "properties start from their defaults";
  EXPECT_DOUBLE_EQ(kept->TextWidth("A"), 9);
}

// Any bytes: the reader loads what it can and never reads out of bounds (the sanitizer
// build and the fuzz target check the latter).
TEST(FontStore, SurvivesCorruptArchives) {
  const std::string good =
      Archive({{"One", SmallFont(1)}, {"Two", SmallFont(2)}, {"Three", SmallFont(3)}});
  std::mt19937 rng(7);
  FontStore store;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = static_cast<char>(rng());
    if (round % 5 == 0) bytes.resize(rng() % bytes.size());
    const auto r = LoadBytes(store, bytes);
    EXPECT_LE(r.fontsLoaded, 3);
    for (render::RenderFont* f : store.Fonts()) f->TextWidth("ABC");
  }
}

TEST(FontArchive, WriterKeepsRecordsAndReplacesByName) {
  FontArchive original;
  ASSERT_EQ(original.Parse(Archive({{"One", SmallFont(1)}, {"data", "xyz", 9}})),
            ArchiveError::kNone);
  render::FontArchiveWriter writer;
  ASSERT_TRUE(writer.LoadExisting(original));
  const std::string font = SmallFont(7);
  writer.AddRecord("ONE", 3, {reinterpret_cast<const uint8_t*>(font.data()), font.size()});
  writer.AddRecord("New", 3, {reinterpret_cast<const uint8_t*>(font.data()), font.size()});
  FontArchive rebuilt;
  ASSERT_EQ(rebuilt.Parse(writer.Build()), ArchiveError::kNone);
  ASSERT_EQ(rebuilt.Entries().size(), 3u);
  EXPECT_EQ(rebuilt.Entries()[0].name, "ONE");
  EXPECT_EQ(rebuilt.Entries()[1].kind, 9);
  EXPECT_EQ(*render::UnpackRecord(rebuilt.Entries()[1]), "xyz");
  EXPECT_EQ(rebuilt.Find("new"), 2);
  FontStore store;
  EXPECT_EQ(store.LoadFontArchive(rebuilt).fontsLoaded, 2);
  EXPECT_EQ(store.FindFont("one")->GlyphWidth(0), 7);
  // A file that is not an archive is not taken as one.
  FontArchive broken;
  broken.Parse(Archive({{"One", SmallFont(1)}}).substr(0, 30));
  EXPECT_FALSE(render::FontArchiveWriter().LoadExisting(broken));
}

}  // namespace
