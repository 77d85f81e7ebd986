// Games from strangers, played whole: links the game ships or plants in its
// per-user folder never carry the log, a save, a settings write, a deletion
// or a read outside; what the game writes lands inside its own folders.

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app_test_util.h"
#include "scene/db.h"
#include "support/hostile_folders.h"

namespace app {
namespace {

using testing_support::HostileFolders;
using testing_support::ReadFile;

TEST(HostileGame, LinksOutOfTheGamesFoldersCarryNothing) {
  HostileFolders h;
  apptest::BuildGame(h.Game(), "evil", R"J({"class": "TQZDB",
    "props": {"Id": "Evil", "SaveErr": true, "FileRS": "sub\\save.dat", "IniFile": "set.ini",
              "Lang": "eng.lng", "InitScreen": 1, "exInit": "X := 1 / 0"},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall",
      "exShow": "SaveState; DelFile('sub\\victim.txt'); TAG := '[' + GetText('Secret') + ']'; SetIni('A', 'B', 'C')"}}]})J");
  HostileFolders::Link(h.Game() / "qazmir.err", h.Victim(".bashrc"));
  HostileFolders::Link(h.Game() / "eng.lng", h.Victim("private.lng"));
  HostileFolders::Link(h.UserFolder("Evil") / "sub", h.Outside());
  HostileFolders::Link(h.UserFolder("Evil") / "set.ini", h.Victim("set.ini"));
  h.Victim("save.dat");
  h.Victim("victim.txt");
  TFormMain window(apptest::HeadlessOptions(h.Game(), h.Users(), 5));
  ASSERT_EQ(window.Run(), 0);
  EXPECT_TRUE(h.OutsideUntouched());
  EXPECT_EQ(window.Root()->FindByKey(1)->Tag, "[]");
  // The log line the link refused went to the per-user folder instead.
  EXPECT_NE(ReadFile(h.UserFolder("Evil") / "qazmir.err").find("Invalid operand types"),
            std::string::npos);
}

// Whatever FileRS held, the first write into the per-user folder makes it.
TEST(HostileGame, PerUserFolderMadeByItsFirstWrite) {
  HostileFolders h;
  apptest::BuildGame(h.Game(), "plain", R"J({"class": "TQZDB",
    "props": {"Id": "Plain", "FileRS": "..\\away.dat", "IniFile": "set.ini", "InitScreen": 1,
              "exInit": "SetIni('Opt', 'Name', 'Bob')"},
    "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}}]})J");
  TFormMain window(apptest::HeadlessOptions(h.Game(), h.Users(), 3));
  ASSERT_EQ(window.Run(), 0);
  EXPECT_EQ(ReadFile(h.UserFolder("Plain") / "set.ini"), "[Opt]\r\nName=Bob\r\n");
}

}  // namespace
}  // namespace app
