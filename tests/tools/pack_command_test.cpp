// qazmir-tool pack / unpack / ls.

#include <gtest/gtest.h>

#include <filesystem>

#include "resources/store.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinDir;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Tool() {
  return (BinDir() / "qazmir-tool").string();
}

TEST(PackCommandTest, FolderRoundTrip) {
  TempDir tmp;
  const fs::path src = tmp / "game";
  std::string binary(70000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 31);
  WriteFile(src / "Menu.png", "png bytes");
  WriteFile(src / "sounds" / "click.wav", "wav bytes");
  WriteFile(src / "deep" / "er" / "big.bin", binary);
  WriteFile(src / "\xD0\xB4\xD0\xBE\xD0\xBC.bmp", "cyrillic");  // "дом.bmp" in UTF-8
  WriteFile(src / "empty.an", "");

  auto r = RunCommand({Tool(), "pack", src.string(), "-o", (tmp / "game.qst").string()});
  ASSERT_EQ(r.status, 0) << r.err;

  // Names are upper-cased ASCII with "\" separators, in the game code page.
  resources::TQZStore store;
  ASSERT_TRUE(store.Open(tmp / "game.qst"));
  ASSERT_TRUE(store.ReadDirectory());
  EXPECT_GE(store.IndexOf("sounds\\click.wav"), 0);
  EXPECT_GE(store.IndexOf("deep\\er\\big.bin"), 0);
  EXPECT_GE(store.IndexOf("\xE4\xEE\xEC.bmp"), 0);  // CP1251, Cyrillic case kept
  std::string bytes;
  ASSERT_TRUE(store.ReadEntry("menu.png", bytes));
  EXPECT_EQ(bytes, "png bytes");

  r = RunCommand({Tool(), "ls", (tmp / "game.qst").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("SOUNDS\\CLICK.WAV"), std::string::npos);
  EXPECT_NE(r.out.find("\xD0\xB4\xD0\xBE\xD0\xBC.BMP"), std::string::npos) << r.out;

  const fs::path out = tmp / "out";
  r = RunCommand({Tool(), "unpack", (tmp / "game.qst").string(), "-o", out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(out / "MENU.PNG"), "png bytes");
  EXPECT_EQ(ReadFile(out / "SOUNDS" / "CLICK.WAV"), "wav bytes");
  EXPECT_EQ(ReadFile(out / "DEEP" / "ER" / "BIG.BIN"), binary);
  EXPECT_EQ(ReadFile(out / "\xD0\xB4\xD0\xBE\xD0\xBC.BMP"), "cyrillic");
  EXPECT_TRUE(fs::exists(out / "EMPTY.AN"));

  // Packing the unpacked folder gives the same pack.
  r = RunCommand({Tool(), "pack", out.string(), "-o", (tmp / "again.qst").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(tmp / "again.qst"), ReadFile(tmp / "game.qst"));
}

TEST(PackCommandTest, RefusesNamesThatCollideOrEscape) {
  TempDir tmp;
  // Two files that differ only in letter case would share one entry name.
  WriteFile(tmp / "src" / "a.png", "1");
  WriteFile(tmp / "src" / "A.PNG", "2");
  auto r = RunCommand({Tool(), "pack", (tmp / "src").string(), "-o", (tmp / "x.qst").string()});
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(fs::exists(tmp / "x.qst"));

  // Unpacking never writes outside the output folder.
  resources::PackWriter w;
  w.Add("..\\EVIL.TXT", "evil");
  w.Add("\\ABS.TXT", "abs");
  w.Add("OK\\..\\..\\UP.TXT", "up");
  w.Add("GOOD.TXT", "good");
  WriteFile(tmp / "evil.qst", w.Finish());
  r = RunCommand({Tool(), "unpack", (tmp / "evil.qst").string(), "-o", (tmp / "o" / "p").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(tmp / "o" / "p" / "GOOD.TXT"), "good");
  EXPECT_FALSE(fs::exists(tmp / "o" / "EVIL.TXT"));
  EXPECT_FALSE(fs::exists(tmp / "o" / "UP.TXT"));
  EXPECT_FALSE(fs::exists(tmp / "UP.TXT"));

  // A damaged pack is reported, not trusted.
  WriteFile(tmp / "bad.qst", std::string("\x01\x02\x03\x04\xFF\xFF\xFF\x7F", 8));
  r = RunCommand({Tool(), "ls", (tmp / "bad.qst").string()});
  EXPECT_EQ(r.status, 1);
  r = RunCommand({Tool(), "ls", (tmp / "absent.qst").string()});
  EXPECT_EQ(r.status, 1);
}

}  // namespace
