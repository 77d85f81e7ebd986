#include "resources/store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/byte_reader.h"
#include "support/test_support.h"

namespace {

using resources::PackWriter;
using resources::StoreError;
using resources::TQZStore;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string MakePack(const std::vector<std::pair<std::string, std::string>>& entries) {
  PackWriter w;
  for (const auto& [name, bytes] : entries) EXPECT_TRUE(w.Add(name, bytes));
  return w.Finish();
}

// A pack written by hand, so that every field can be damaged.
struct RawEntry {
  std::string name;
  uint32_t offset;
  int32_t size;
  int32_t nameLength = -2;  // -2: the name's real length
};
std::string RawPack(const std::string& data, const std::vector<RawEntry>& entries,
                    int32_t count = -2, int64_t dirOffset = -2) {
  platform::ByteWriter w;
  w.Bytes(data);
  w.I32LE(count == -2 ? static_cast<int32_t>(entries.size()) : count);
  for (const auto& e : entries) {
    w.I32LE(e.nameLength == -2 ? static_cast<int32_t>(e.name.size()) : e.nameLength);
    w.Bytes(e.name);
    w.U32LE(e.offset);
    w.I32LE(e.size);
  }
  w.U32LE(static_cast<uint32_t>(dirOffset == -2 ? static_cast<int64_t>(data.size()) : dirOffset));
  return w.Take();
}

TEST(StoreTest, LookupUpperCasesTheRequestOnly) {
  TQZStore store;
  store.OpenBytes(MakePack({{"SOUNDS\\CLICK.WAV", "click"},
                            {"lower\\case.png", "lower"},
                            {"MENU.PNG", "first"},
                            {"MENU.PNG", "second"},
                            {"CYR\xC4\xE5.BMP", "cyr"}}));
  ASSERT_TRUE(store.ReadDirectory());
  ASSERT_EQ(store.Entries().size(), 5u);

  // A request in any ASCII case finds the upper-case stored name.
  EXPECT_EQ(store.IndexOf("sounds\\click.wav"), 0);
  EXPECT_EQ(store.IndexOf("Sounds\\Click.Wav"), 0);
  // Stored lower-case letters are never found, not even by the same spelling.
  EXPECT_EQ(store.IndexOf("lower\\case.png"), -1);
  EXPECT_EQ(store.IndexOf("LOWER\\CASE.PNG"), -1);
  // Duplicates: the first one in the directory wins.
  std::string bytes;
  ASSERT_TRUE(store.ReadEntry("menu.png", bytes));
  EXPECT_EQ(bytes, "first");
  // Only ASCII letters change case: a Cyrillic lower-case byte stays as it is.
  EXPECT_EQ(store.IndexOf("cyr\xC4\xE5.bmp"), 4);
  EXPECT_EQ(store.IndexOf("cyr\xC4\xC5.bmp"), -1);
  // Separators are not translated.
  EXPECT_EQ(store.IndexOf("sounds/click.wav"), -1);

  EXPECT_FALSE(store.ReadEntry("absent.png", bytes));
  EXPECT_EQ(store.LastError(), StoreError::NotFound);
  EXPECT_EQ(bytes, "first");  // untouched on failure
}

TEST(StoreTest, EmptyAndTinyPacks) {
  // N = 0: opens, finds nothing.
  TQZStore store;
  store.OpenBytes(MakePack({}));
  EXPECT_TRUE(store.ReadDirectory());
  EXPECT_TRUE(store.Entries().empty());
  EXPECT_EQ(store.IndexOf("A"), -1);

  // Fewer than 4 bytes: an empty directory, no failure.
  for (size_t n = 0; n < 4; ++n) {
    store.OpenBytes(std::string(n, '\x01'));
    EXPECT_TRUE(store.ReadDirectory()) << n;
    EXPECT_TRUE(store.Entries().empty()) << n;
  }

  // An empty entry reads as zero bytes.
  store.OpenBytes(MakePack({{"EMPTY.TXT", ""}, {"A.TXT", "a"}}));
  ASSERT_TRUE(store.ReadDirectory());
  std::string bytes = "x";
  EXPECT_TRUE(store.ReadEntry("empty.txt", bytes));
  EXPECT_EQ(bytes, "");
}

TEST(StoreTest, MissingPackBehavesAsEmpty) {
  TempDir dir;
  TQZStore store;
  EXPECT_FALSE(store.Open(dir / "absent.qst"));
  EXPECT_FALSE(store.HasStream());
  EXPECT_TRUE(store.ReadDirectory());
  EXPECT_EQ(store.IndexOf("A"), -1);
  std::string bytes;
  EXPECT_FALSE(store.ReadEntry("A", bytes));
  std::ostringstream out;
  EXPECT_FALSE(store.CopyEntryTo("A", out));
  // A folder is not a pack either.
  EXPECT_FALSE(store.Open(dir.Path()));
  EXPECT_TRUE(store.ReadDirectory());
}

TEST(StoreTest, FileRoundTripAndCopy) {
  TempDir dir;
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + 3);
  WriteFile(dir / "game.qst", MakePack({{"A.BIN", "alpha"}, {"BIG.BIN", big}}));
  TQZStore store;
  ASSERT_TRUE(store.Open(dir / "game.qst"));
  ASSERT_TRUE(store.ReadDirectory());
  std::string bytes;
  ASSERT_TRUE(store.ReadEntry("big.bin", bytes));
  EXPECT_EQ(bytes, big);
  // The copy goes to the stream's current position, after what is already there.
  std::ostringstream out;
  out << "head:";
  ASSERT_TRUE(store.CopyEntryTo("BIG.BIN", out));
  EXPECT_EQ(out.str(), "head:" + big);
  // Re-opening closes the previous pack and forgets its directory.
  EXPECT_FALSE(store.Open(dir / "nothing.qst"));
  EXPECT_EQ(store.IndexOf("A.BIN"), -1);
}

// Damaged directories: every field that points somewhere is checked against the
// file; entries read whole before the damage stay usable.
TEST(StoreTest, DamagedDirectoryNeverReadsOutsideTheFile) {
  TQZStore store;
  const std::string data = "0123456789";

  // Directory offset negative, past the end, or leaving no room for the count.
  const int64_t packSize = static_cast<int64_t>(RawPack(data, {{"A", 0, 1}}).size());
  for (int64_t off : {int64_t{-1}, int64_t{-2147483647}, int64_t{1000}, int64_t{0x7FFFFFFF},
                      packSize - 3, packSize}) {
    std::string pack = RawPack(data, {{"A", 0, 1}}, -2, off);
    store.OpenBytes(pack);
    EXPECT_FALSE(store.ReadDirectory()) << off;
    EXPECT_TRUE(store.Entries().empty()) << off;
    EXPECT_EQ(store.IndexOf("A"), -1);
  }

  // Count larger than the records present, or negative: nothing beyond the
  // complete records.
  store.OpenBytes(RawPack(data, {{"A", 0, 2}, {"B", 2, 2}}, 0x7FFFFFFF));
  EXPECT_FALSE(store.ReadDirectory());
  EXPECT_EQ(store.Entries().size(), 2u);
  std::string bytes;
  EXPECT_TRUE(store.ReadEntry("B", bytes));
  EXPECT_EQ(bytes, "23");
  store.OpenBytes(RawPack(data, {{"A", 0, 2}}, -5));
  EXPECT_FALSE(store.ReadDirectory());
  EXPECT_TRUE(store.Entries().empty());

  // A name length past the end of the file, or negative, ends the directory.
  store.OpenBytes(RawPack(data, {{"A", 0, 2}, {"B", 2, 2, 0x7FFFFFF0}}));
  EXPECT_FALSE(store.ReadDirectory());
  EXPECT_EQ(store.Entries().size(), 1u);
  store.OpenBytes(RawPack(data, {{"A", 0, 2, -1}}));
  EXPECT_FALSE(store.ReadDirectory());
  EXPECT_TRUE(store.Entries().empty());
}

TEST(StoreTest, EntryRangesOutsideTheFileFailThatEntryOnly) {
  const std::string data = "0123456789";
  std::string pack =
      RawPack(data, {{"NEG.BIN", 0, -1},
                     {"PAST.BIN", 8, 1000},
                     {"FAR.BIN", 0xFFFFFFF0u, 4},
                     {"HUGE.BIN", 0, 0x7FFFFFFF},
                     {"EDGE.BIN", 6, 4},
                     {"INDIR.BIN", 8, 6}});  // runs into the directory: still inside the file
  TQZStore store;
  store.OpenBytes(pack);
  ASSERT_TRUE(store.ReadDirectory());
  std::string bytes;
  for (const char* name : {"NEG.BIN", "PAST.BIN", "FAR.BIN", "HUGE.BIN"}) {
    EXPECT_FALSE(store.ReadEntry(name, bytes)) << name;
    EXPECT_EQ(store.LastError(), StoreError::BadRange) << name;
    std::ostringstream out;
    EXPECT_FALSE(store.CopyEntryTo(name, out)) << name;
    EXPECT_TRUE(out.str().empty()) << name;
  }
  ASSERT_TRUE(store.ReadEntry("EDGE.BIN", bytes));
  EXPECT_EQ(bytes, "6789");
  ASSERT_TRUE(store.ReadEntry("INDIR.BIN", bytes));
  EXPECT_EQ(bytes.substr(0, 2), "89");

  // The same checks hold for a pack read from disk.
  TempDir dir;
  WriteFile(dir / "bad.qst", pack);
  TQZStore onDisk;
  ASSERT_TRUE(onDisk.Open(dir / "bad.qst"));
  ASSERT_TRUE(onDisk.ReadDirectory());
  EXPECT_FALSE(onDisk.ReadEntry("HUGE.BIN", bytes));
  EXPECT_TRUE(onDisk.ReadEntry("EDGE.BIN", bytes));
}

TEST(StoreTest, CopyReportsAFailingStream) {
  TQZStore store;
  store.OpenBytes(MakePack({{"A.BIN", std::string(100, 'a')}}));
  ASSERT_TRUE(store.ReadDirectory());
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  EXPECT_FALSE(store.CopyEntryTo("A.BIN", out));
  EXPECT_EQ(store.LastError(), StoreError::WriteFailed);
}

}  // namespace
