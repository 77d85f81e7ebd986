// Game files after their links: a link that leaves the game's folder or the
// per-user folder reads as missing and cannot be written or deleted through;
// one whose target stays inside keeps working, written relative or absolute.
// Every case runs with the kernel's beneath-resolution and with the walk.

#include <gtest/gtest.h>

#include <functional>

#include "platform/confined_files.h"
#include "platform/file_io.h"
#include "platform/user_dirs.h"
#include "support/hostile_folders.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::HostileFolders;
using testing_support::ReadFile;
using testing_support::WriteFile;

enum class Op { Read, Append, Replace, Remove };

struct Case {
  const char* what;
  Op op;
  // Plants the links; returns the path the game opens.
  std::function<fs::path(HostileFolders&)> setUp;
  bool works;
};

const Case kCases[] = {
    {"a language file linked to a private file", Op::Read,
     [](HostileFolders& h) {
       HostileFolders::Link(h.Game() / "eng.lng", h.Victim("secret.txt"));
       return h.Game() / "eng.lng";
     },
     false},
    {"a relative link climbing out", Op::Read,
     [](HostileFolders& h) {
       h.Victim("secret.txt");
       HostileFolders::Link(h.Game() / "eng.lng",
                            fs::relative(h.Outside(), h.Game()) / "secret.txt");
       return h.Game() / "eng.lng";
     },
     false},
    {"a folder inside linked to one outside", Op::Read,
     [](HostileFolders& h) {
       h.Victim("secret.txt");
       HostileFolders::Link(h.Game() / "lang", h.Outside());
       return h.Game() / "lang" / "secret.txt";
     },
     false},
    {"the log linked to a shell start-up file", Op::Append,
     [](HostileFolders& h) {
       HostileFolders::Link(h.Game() / "qazmir.err", h.Victim(".bashrc"));
       return h.Game() / "qazmir.err";
     },
     false},
    {"a save through a folder link in the per-user folder", Op::Replace,
     [](HostileFolders& h) {
       h.Victim("save.dat");
       HostileFolders::Link(h.UserFolder("G") / "sub", h.Outside());
       return h.UserFolder("G") / "sub" / "save.dat";
     },
     false},
    {"a settings file linked outside", Op::Replace,
     [](HostileFolders& h) {
       HostileFolders::Link(h.UserFolder("G") / "set.ini", h.Victim("set.ini"));
       return h.UserFolder("G") / "set.ini";
     },
     false},
    {"a deletion through a folder link", Op::Remove,
     [](HostileFolders& h) {
       h.Victim("victim.txt");
       HostileFolders::Link(h.UserFolder("G") / "sub", h.Outside());
       return h.UserFolder("G") / "sub" / "victim.txt";
     },
     false},
    {"links that form a loop", Op::Read,
     [](HostileFolders& h) {
       HostileFolders::Link(h.Game() / "a", "b");
       HostileFolders::Link(h.Game() / "b", "a");
       return h.Game() / "a";
     },
     false},
    {"a relative link inside", Op::Read,
     [](HostileFolders& h) {
       WriteFile(h.Game() / "real" / "eng.lng", "inside");
       HostileFolders::Link(h.Game() / "eng.lng", "real/../real/eng.lng");
       return h.Game() / "eng.lng";
     },
     true},
    {"an absolute link inside", Op::Read,
     [](HostileFolders& h) {
       WriteFile(h.Game() / "real" / "eng.lng", "inside");
       HostileFolders::Link(h.Game() / "eng.lng", h.Game() / "real" / "eng.lng");
       return h.Game() / "eng.lng";
     },
     true},
    {"a folder link inside, absolute, written through", Op::Replace,
     [](HostileFolders& h) {
       fs::create_directories(h.UserFolder("G") / "saves");
       HostileFolders::Link(h.UserFolder("G") / "sub", h.UserFolder("G") / "saves");
       return h.UserFolder("G") / "sub" / "save.dat";
     },
     true},
    {"a link from the game's folder into the per-user folder", Op::Append,
     [](HostileFolders& h) {
       WriteFile(h.UserFolder("G") / "log.txt", "");
       HostileFolders::Link(h.Game() / "qazmir.err", h.UserFolder("G") / "log.txt");
       return h.Game() / "qazmir.err";
     },
     true},
    {"a link deleted, not its target", Op::Remove,
     [](HostileFolders& h) {
       HostileFolders::Link(h.UserFolder("G") / "gone.txt", h.Victim("kept.txt"));
       return h.UserFolder("G") / "gone.txt";
     },
     true},
};

bool Perform(Op op, const fs::path& path) {
  switch (op) {
    case Op::Read: return ReadWholeFile(path).has_value();
    case Op::Append: return AppendToFile(path, "line\r\n");
    case Op::Replace: return WriteFileAtomically(path, "new");
    case Op::Remove: return RemoveConfined(path);
  }
  return false;
}

TEST(ConfinedFiles, LinksThatLeaveAreRefusedLinksInsideWork) {
  for (bool kernel : {true, false}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(c.what) + (kernel ? " (openat2)" : " (walk)"));
      HostileFolders h;
      const fs::path path = c.setUp(h);
      ConfineToFolders(h.Game(), h.UserFolder("G"));
      UseKernelBeneathResolution(kernel);
      testing::internal::CaptureStderr();
      EXPECT_EQ(Perform(c.op, path), c.works);
      const std::string warned = testing::internal::GetCapturedStderr();
      EXPECT_TRUE(h.OutsideUntouched());
      // A refused path is named once on stderr, however often it is asked for.
      if (!c.works) {
        EXPECT_NE(warned.find(path.string() + " is refused"), std::string::npos) << warned;
        testing::internal::CaptureStderr();
        Perform(c.op, path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
      }
      ClearConfinement();
      UseKernelBeneathResolution(true);
    }
  }
}

// What a link inside leads to is what is read and written.
TEST(ConfinedFiles, ContentThroughLinksInside) {
  HostileFolders h;
  WriteFile(h.Game() / "real.lng", "words");
  HostileFolders::Link(h.Game() / "eng.lng", "real.lng");
  HostileFolders::Link(h.UserFolder("G") / "save.dat", h.UserFolder("G") / "slot1.dat");
  ConfineToFolders(h.Game(), h.UserFolder("G"));
  EXPECT_EQ(ReadWholeFile(h.Game() / "eng.lng"), "words");
  ASSERT_TRUE(WriteFileAtomically(h.UserFolder("G") / "save.dat", "state"));
  EXPECT_EQ(ReadFile(h.UserFolder("G") / "slot1.dat"), "state");
  EXPECT_TRUE(fs::is_symlink(h.UserFolder("G") / "save.dat"));
  ClearConfinement();
}

// The per-user folder appears with the first file written into it, and a
// game folder reached through a link of its own (kept on another disk) works.
TEST(ConfinedFiles, FoldersThemselves) {
  HostileFolders h;
  WriteFile(h.Outside() / "disk" / "Game.lng", "words");
  HostileFolders::Link(h.Game() / "linked", h.Outside() / "disk");
  ConfineToFolders(h.Game() / "linked", h.UserFolder("New"));
  EXPECT_EQ(ReadWholeFile(h.Game() / "linked" / "Game.lng"), "words");
  EXPECT_FALSE(fs::exists(h.UserFolder("New")));
  EXPECT_FALSE(WriteFileAtomically(h.UserFolder("New") / "sub" / "x.ini", "x"));
  EXPECT_FALSE(fs::exists(h.UserFolder("New") / "sub"));
  ASSERT_TRUE(WriteFileAtomically(h.UserFolder("New") / "x.ini", "x"));
  EXPECT_EQ(ReadFile(h.UserFolder("New") / "x.ini"), "x");
  EXPECT_TRUE(EnsureFolder(h.UserFolder("New") / "a" / "b"));
  ClearConfinement();
}

}  // namespace
}  // namespace platform
