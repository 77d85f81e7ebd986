// User folders, opening addresses and file search.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "platform/file_search.h"
#include "platform/shell.h"
#include "platform/user_dirs.h"
#include "support/test_support.h"

namespace platform {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace fs = std::filesystem;

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// ---- User folders ----

// XDG variables when set to absolute paths, else under $HOME; --user-dir wins.
TEST(UserDirsTest, XdgVariablesAndOverride) {
  ScopedEnv home("HOME", "/home/player");
  {
    ScopedEnv data("XDG_DATA_HOME", "/xdg/data");
    ScopedEnv config("XDG_CONFIG_HOME", "/xdg/config");
    EXPECT_EQ(UserDataHome(), "/xdg/data");
    EXPECT_EQ(UserConfigHome(), "/xdg/config");
    EXPECT_EQ(EditorSettingsFile(), "/xdg/config/ZARarar.ini");
    SetUserDataHomeOverride("/games/user");
    EXPECT_EQ(UserDataHome(), "/games/user");
    EXPECT_EQ(UserConfigHome(), "/xdg/config");  // the override is for data only
    SetUserDataHomeOverride({});
    EXPECT_EQ(UserDataHome(), "/xdg/data");
  }
  for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
    ScopedEnv data("XDG_DATA_HOME", ignored);
    ScopedEnv config("XDG_CONFIG_HOME", ignored);
    EXPECT_EQ(UserDataHome(), "/home/player/.local/share");
    EXPECT_EQ(UserConfigHome(), "/home/player/.config");
  }
}

TEST(UserDirsTest, PerUserFolderHoldsTheIdAsOneFolder) {
  TempDir dir;
  SetUserDataHomeOverride(dir.Path());
  EXPECT_EQ(PerUserFolder("MyGame"), dir.Path() / "Qazmir" / "MyGame" / "");
  EXPECT_EQ(PerUserFolder("../x"), dir.Path() / "Qazmir" / ".._x" / "");
  EXPECT_EQ(PerUserFolder("a/b\\c"), dir.Path() / "Qazmir" / "a_b_c" / "");
  EXPECT_EQ(PerUserFolder(".."), dir.Path() / "Qazmir" / "__" / "");
  EXPECT_EQ(PerUserFolder(""), dir.Path() / "Qazmir" / "");
  EXPECT_EQ(PerUserFolder("\xC8\xE3\xF0\xE0"), dir.Path() / "Qazmir" / "Игра" / "");
  // An Id too long for a file name is cut at a whole character (2 UTF-8 bytes each).
  std::string longId(200, '\xC8');
  fs::path cut = PerUserFolder(longId).parent_path().filename();
  EXPECT_EQ(cut.string().size(), 254u);
  std::string want;
  for (int i = 0; i < 127; ++i) want += "И";
  EXPECT_EQ(cut.string(), want);
  ASSERT_TRUE(EnsureFolder(PerUserFolder(longId)));
  ASSERT_TRUE(EnsureFolder(PerUserFolder("Deep")));
  EXPECT_TRUE(fs::is_directory(dir / "Qazmir" / "Deep"));
  EXPECT_TRUE(EnsureFolder(PerUserFolder("Deep")));  // already there
  WriteFile(dir / "file", "x");
  EXPECT_FALSE(EnsureFolder(dir / "file"));
  EXPECT_FALSE(EnsureFolder(""));
  SetUserDataHomeOverride({});
}

TEST(UserDirsTest, ExecutablePathIsThisTestProgram) {
  fs::path exe = ExecutablePath();
  EXPECT_TRUE(exe.is_absolute());
  EXPECT_EQ(exe.filename(), "platform_tests");
}

// ---- Opening addresses ----

TEST(ShellTest, OnlyWebAndMailAddressesAreOpened) {
  for (const char* ok : {"http://example.org", "https://example.org/a?b=c&d", "HTTPS://X.ORG",
                         "mailto:someone@example.org", "  http://padded.org  "})
    EXPECT_TRUE(IsOpenableAddress(ok)) << ok;
  for (const char* refused :
       {"", "http://", "https://", "mailto:", "file:///etc/passwd", "/usr/bin/xterm",
        "C:\\game\\readme.txt", "readme.txt", "javascript:alert(1)", "ftp://example.org",
        "-e http://x", "--help", "http:/x", "http://a\nb", "https://a\tb", "smb://host/share"})
    EXPECT_FALSE(IsOpenableAddress(refused)) << refused;
  EXPECT_FALSE(IsOpenableAddress("http://" + std::string(9000, 'a')));
}

TEST(ShellTest, OpenAddressHandsTheAddressToXdgOpen) {
  std::vector<std::vector<std::string>> calls;
  SpawnFunction spy = [&](const std::vector<std::string>& argv) {
    calls.push_back(argv);
    return true;
  };
  EXPECT_TRUE(OpenAddress(" https://example.org/x y ", spy));
  EXPECT_FALSE(OpenAddress("file:///etc/passwd", spy));
  EXPECT_FALSE(OpenAddress("/bin/sh", spy));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], (std::vector<std::string>{"xdg-open", "https://example.org/x y"}));
  EXPECT_FALSE(OpenAddress("http://x.org", [](const std::vector<std::string>&) { return false; }));
}

// The real spawn starts the program without a shell and returns at once.
TEST(ShellTest, SpawnDetachedRunsAProgram) {
  TempDir dir;
  fs::path out = dir / "out.txt";
  fs::path done = dir / "done";
  // The program writes its arguments verbatim: no shell ever reads them.
  ASSERT_TRUE(SpawnDetached({"sh", "-c", "printf '%s' \"$1\" > \"$2\"; touch \"$3\"", "sh",
                             "a b;$(x)", out.string(), done.string()}));
  for (int i = 0; i < 1000 && !fs::exists(done); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(done));
  EXPECT_EQ(ReadFile(out), "a b;$(x)");
  EXPECT_FALSE(SpawnDetached({"qazmir-no-such-program-here"}));
  EXPECT_FALSE(SpawnDetached({}));
}

// ---- File search ----

TEST(FileSearchTest, MatchesInNameOrder) {
  TempDir dir;
  for (const char* name : {"b.QZF", "a.qzf", "C.qzf", "a.qzf.bak", "x.txt", "qzf", "\xD0\x98.qzf"})
    WriteFile(dir / name, "x");
  fs::create_directory(dir / "d.qzf");  // folders never match
  fs::create_symlink(dir / "a.qzf", dir / "link.qzf");
  EXPECT_EQ(FindFiles(dir.Path(), "*.qzf"),
            (std::vector<std::string>{"C.qzf", "a.qzf", "b.QZF", "link.qzf", "\xD0\x98.qzf"}));
  EXPECT_EQ(FindFiles(dir.Path(), "\xE8.QZF"), (std::vector<std::string>{"\xD0\x98.qzf"}));  // и.QZF
  EXPECT_EQ(FindFiles(dir.Path(), "?.qzf").size(), 4u);
  EXPECT_EQ(FindFiles(dir.Path(), "*.*").size(), 8u);
  EXPECT_TRUE(FindFiles(dir / "missing", "*").empty());
}

TEST(FileSearchTest, MaskRules) {
  EXPECT_TRUE(MatchesMask("Game.QZF", "*.qzf"));
  EXPECT_TRUE(MatchesMask("noext", "*.*"));
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
  EXPECT_FALSE(MatchesMask("abc", "a?"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
  EXPECT_FALSE(MatchesMask("a.qzfx", "*.qzf"));
  EXPECT_TRUE(MatchesMask("\xC0\xC1", "\xE0*"));  // Аб against а*
  // Many stars against a long name that almost matches: no blow-up.
  EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
}  // namespace platform
