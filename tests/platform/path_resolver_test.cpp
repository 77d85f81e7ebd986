// Game file names on the Linux file system: letter case in the code page,
// separators, the listing cache, and the containment of per-user names.

#include "platform/path_resolver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

namespace platform {
namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

namespace fs = std::filesystem;

// "Звуки\Шаг.WAV" and friends in CP1251.
const std::string kSoundsUpper = "\xC7\xE2\xF3\xEA\xE8";  // Звуки
const std::string kStepUpper = "\xD8\xE0\xE3.WAV";        // Шаг.WAV
const std::string kSoundsUpperAll = "\xC7\xC2\xD3\xCA\xC8";  // ЗВУКИ

class PathResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "Sounds" / "Step.wav", "riff");
    WriteFile(dir_ / "звуки" / "шаг.wav", "riff");
    WriteFile(dir_ / "Data" / "Sub Folder" / "Image.PNG", "png");
    WriteFile(dir_ / "game.qzf", "game");
  }
  fs::path Base() const { return fs::canonical(dir_.Path()); }

  TempDir dir_;
};

// Each component matches without regard to letter case; "\" and "/" both
// separate; doubled separators and "." are ignored.
TEST_F(PathResolverTest, LetterCaseAndSeparators) {
  PathResolver r(dir_.Path());
  EXPECT_EQ(r.Resolve("SOUNDS\\step.WAV"), Base() / "Sounds" / "Step.wav");
  EXPECT_EQ(r.Resolve("sounds/STEP.wav"), Base() / "Sounds" / "Step.wav");
  EXPECT_EQ(r.Resolve("data\\\\SUB FOLDER\\.\\image.png"), Base() / "Data" / "Sub Folder" / "Image.PNG");
  EXPECT_EQ(r.Resolve("Sounds"), Base() / "Sounds");
  EXPECT_EQ(r.Resolve("Sounds\\"), Base() / "Sounds");
  EXPECT_EQ(r.Resolve("GAME.QZF"), Base() / "game.qzf");
  EXPECT_FALSE(r.Resolve("Sounds\\Missing.wav"));
  EXPECT_FALSE(r.Resolve("Missing\\Step.wav"));
  EXPECT_FALSE(r.Resolve("game.qzf\\x"));  // a file is not a folder
  EXPECT_TRUE(r.Exists("sounds\\step.wav"));
  EXPECT_FALSE(r.Exists(""));
}

// Cyrillic names match in any case in the code page and are converted to
// UTF-8 for the file system.
TEST_F(PathResolverTest, CyrillicNames) {
  PathResolver r(dir_.Path());
  const fs::path want = Base() / "звуки" / "шаг.wav";
  EXPECT_EQ(r.Resolve(kSoundsUpper + "\\" + kStepUpper), want);
  EXPECT_EQ(r.Resolve(kSoundsUpperAll + "/" + kStepUpper), want);
  // Another code page reads the same bytes as other letters: no match.
  PathResolver latin(dir_.Path(), *CodePage::Find("CP1252"));
  EXPECT_FALSE(latin.Resolve(kSoundsUpper + "\\" + kStepUpper));
  // A name that does not exist yet is created in UTF-8.
  EXPECT_EQ(r.ResolveForWrite(kSoundsUpperAll + "\\\xCD\xEE\xE2\xFB\xE9.wav"),  // Новый.wav
            Base() / "звуки" / "Новый.wav");
}

// Names on disk that are not UTF-8 (unpacked without conversion) match by
// their raw bytes in the code page.
TEST_F(PathResolverTest, RawCodePageNamesOnDisk) {
  WriteFile(dir_ / "\xCF\xF0\xE8.txt", "x");  // "При.txt" as CP1251 bytes
  PathResolver r(dir_.Path());
  EXPECT_EQ(r.Resolve("\xEF\xD0\xC8.TXT"), Base() / "\xCF\xF0\xE8.txt");
}

// When entries differ only in case, the exact spelling wins, then byte order.
TEST_F(PathResolverTest, AmbiguousCase) {
  WriteFile(dir_ / "dup" / "a.txt", "1");
  WriteFile(dir_ / "dup" / "A.TXT", "2");
  WriteFile(dir_ / "dup" / "A.txt", "3");
  PathResolver r(dir_.Path());
  EXPECT_EQ(r.Resolve("dup\\a.txt"), Base() / "dup" / "a.txt");
  EXPECT_EQ(r.Resolve("dup\\A.TXT"), Base() / "dup" / "A.TXT");
  EXPECT_EQ(r.Resolve("dup\\a.TXT"), Base() / "dup" / "A.TXT");  // "A.TXT" < "A.txt" < "a.txt"
}

// Windows drops trailing dots and spaces of each component.
TEST_F(PathResolverTest, TrailingDotsAndSpaces) {
  PathResolver r(dir_.Path());
  EXPECT_EQ(r.Resolve("sounds.\\step.wav  "), Base() / "Sounds" / "Step.wav");
  EXPECT_EQ(r.Resolve("sounds \\step.wav."), Base() / "Sounds" / "Step.wav");
}

// Parent references apply to the name itself; climbing above the game's
// folder, absolute names and NUL are refused.
TEST_F(PathResolverTest, ParentReferencesAndAbsoluteNames) {
  PathResolver r(dir_ / "Sounds");
  EXPECT_EQ(r.Resolve("missing\\..\\step.wav"), Base() / "Sounds" / "Step.wav");
  for (const char* refused : {"..\\game.qzf", "a\\..\\..\\game.qzf", "...\\game.qzf", ". .\\game.qzf",
                              "\\etc\\passwd", "/etc/passwd", "C:\\game.qzf", "c:game.qzf", "..",
                              "x\\.."}) {
    EXPECT_FALSE(r.Resolve(refused)) << refused;
    EXPECT_FALSE(r.ResolveForWrite(refused)) << refused;
  }
  EXPECT_FALSE(r.Resolve(std::string("step.wav\0.png", 13)));
}

TEST_F(PathResolverTest, ResolveForWriteMatchesExistingFolders) {
  PathResolver r(dir_.Path());
  EXPECT_EQ(r.ResolveForWrite("SOUNDS\\New.wav"), Base() / "Sounds" / "New.wav");
  EXPECT_EQ(r.ResolveForWrite("sounds\\STEP.WAV"), Base() / "Sounds" / "Step.wav");
  EXPECT_EQ(r.ResolveForWrite("New\\Deeper\\f.txt"), Base() / "New" / "Deeper" / "f.txt");
}

// Files made or removed after a listing was cached are seen.
TEST_F(PathResolverTest, CacheFollowsTheFileSystem) {
  PathResolver r(dir_.Path());
  EXPECT_FALSE(r.Resolve("sounds\\later.wav"));
  WriteFile(dir_ / "Sounds" / "Later.WAV", "x");
  EXPECT_EQ(r.Resolve("sounds\\later.wav"), Base() / "Sounds" / "Later.WAV");

  fs::remove(dir_ / "Sounds" / "Later.WAV");
  EXPECT_FALSE(r.Resolve("sounds\\later.wav"));
  WriteFile(dir_ / "Sounds" / "later.wav", "x");
  EXPECT_EQ(r.Resolve("SOUNDS\\LATER.WAV"), Base() / "Sounds" / "later.wav");

  // A folder renamed to another case.
  fs::rename(dir_ / "Sounds", dir_ / "SOUNDS");
  EXPECT_EQ(r.Resolve("sounds\\step.wav"), Base() / "SOUNDS" / "Step.wav");

  WriteFile(dir_ / "SOUNDS" / "x.wav", "x");
  r.Invalidate(Base() / "SOUNDS");
  EXPECT_TRUE(r.Exists("sounds\\X.WAV"));
  r.Invalidate();
  EXPECT_TRUE(r.Exists("sounds\\X.WAV"));
}

// Listings are cached: a folder whose modification time did not move is not
// read again on a miss (a coarse file-system clock can hide a new file that
// way), until Invalidate. Folder times are set into the past so that the
// listings count as settled.
TEST_F(PathResolverTest, SettledListingsStayCachedUntilInvalidated) {
  const fs::path sounds = dir_ / "Sounds";
  auto settle = [&] {
    timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, sounds.c_str(), times, 0), 0);
  };
  settle();
  PathResolver r(dir_.Path());
  EXPECT_FALSE(r.Resolve("sounds\\hidden.wav"));
  WriteFile(sounds / "hidden.wav", "x");
  settle();  // as if the creation fell in the same clock tick
  EXPECT_FALSE(r.Resolve("sounds\\hidden.wav"));
  r.Invalidate(sounds);
  EXPECT_EQ(r.Resolve("sounds\\HIDDEN.wav"), Base() / "Sounds" / "hidden.wav");

  // A modification time that moves is noticed without help.
  settle();
  r.Invalidate();
  EXPECT_FALSE(r.Resolve("sounds\\seen.wav"));
  WriteFile(sounds / "seen.wav", "x");
  EXPECT_TRUE(r.Exists("sounds\\SEEN.WAV"));
}

TEST_F(PathResolverTest, ProcessWideResolverFollowsReset) {
  PathResolver& r = GameFiles();
  r.Reset(dir_.Path(), CodePage::Default());
  EXPECT_EQ(r.Base(), dir_.Path());
  EXPECT_EQ(r.Resolve("Game.QZF"), Base() / "game.qzf");
  EXPECT_EQ(&r.Cp(), &CodePage::Default());
  r.Reset(fs::current_path(), CodePage::Default());
}

// Names from game data inside the per-user folder: matched in any case, never
// leaving the folder.
TEST(ResolveInsideTest, ContainmentAndCase) {
  TempDir dir;
  WriteFile(dir / "SAVE.DAT", "s");
  WriteFile(dir / "Sub" / "Opt.ini", "o");
  EXPECT_EQ(ResolveInside(dir.Path(), "save.dat"), dir.Path() / "SAVE.DAT");
  EXPECT_EQ(ResolveInside(dir.Path(), "sub\\OPT.INI"), dir.Path() / "Sub" / "Opt.ini");
  EXPECT_EQ(ResolveInside(dir.Path(), "sub/new.ini"), dir.Path() / "Sub" / "new.ini");
  EXPECT_EQ(ResolveInside(dir.Path(), "New\\" + kStepUpper), dir.Path() / "New" / "Шаг.WAV");
  EXPECT_EQ(ResolveInside(dir.Path(), "./x.ini"), dir.Path() / "x.ini");
  for (const char* refused : {"", ".", "\\", "..\\x.ini", "a\\..\\x.ini", "sub/../../x", "...\\x",
                              " ..\\x", "/etc/passwd", "\\x", "C:\\x.ini", "z:x"}) {
    EXPECT_FALSE(ResolveInside(dir.Path(), refused)) << refused;
  }
  EXPECT_FALSE(ResolveInside(dir.Path(), std::string("a\0b", 3)));
  EXPECT_EQ(ResolveInside(dir / "missing", "a\\b.ini"), dir.Path() / "missing" / "a" / "b.ini");
}

// The root Id is one folder name whatever it holds.
TEST(SanitizeFolderNameTest, IdIsOneFolderName) {
  EXPECT_EQ(SanitizeFolderName("My Game"), "My Game");
  EXPECT_EQ(SanitizeFolderName("../x"), ".._x");
  EXPECT_EQ(SanitizeFolderName("a/b"), "a_b");
  EXPECT_EQ(SanitizeFolderName("a\\b"), "a_b");
  EXPECT_EQ(SanitizeFolderName(".."), "__");
  EXPECT_EQ(SanitizeFolderName("."), "_");
  EXPECT_EQ(SanitizeFolderName("..."), "___");
  EXPECT_EQ(SanitizeFolderName(std::string("a\0b", 3)), "a_b");
  EXPECT_EQ(SanitizeFolderName(""), "");
  EXPECT_EQ(SanitizeFolderName(kSoundsUpper), kSoundsUpper);
}

}  // namespace
}  // namespace platform
