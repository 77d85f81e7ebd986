// Sessions: what stops a replay before the game starts, headless runs that
// repeat to the byte whatever the wall clock and the time zone, and a
// recorded session that replays to the same saved state.

#include <gtest/gtest.h>

#include "app_test_util.h"
#include "support/test_support.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using testing_support::CommandResult;
using testing_support::FindProgram;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;

// The root counts its steps, keys typed add to K, and at step 40 it keeps the
// date natives' readings, a random number and K in its save.
const char* kClockGame = R"J({"class": "TQZDB",
  "props": {"Id": "Clock", "FileRS": "save.dat", "SaveErr": true, "SoundFile": "sounds.ini",
            "InitScreen": 1, "exInit": "N := 0; K := ''; T1 := 0; T2 := 0; S := ''; R := 0; PlaySnd('click'); X := 1 / 0",
            "exKeyDown": "K := K + IntToStr(KEYDOWNED)",
            "exProcess": "N := N + 1; IF N = 10 THEN T1 := Now; IF N = 40 THEN BEGIN T2 := Now; S := FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + DateToStr(Date) + ' ' + TimeToStr(Time) + ' ' + IntToStr(Round((T2 - T1) * 86400000)); R := Random(1000000); SaveState END"},
  "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}}]})J";

class Sessions : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::BuildGame(game_.Path(), "clock", kClockGame);
    WriteFile(game_ / "sounds.ini", "[Default]\r\nclick=click.wav\r\n");
    fs::create_directories(game_ / "sounds");
    haveSox_ = testing_support::Sox({"-n", "-r", "44100", "-c", "2", (game_ / "sounds" / "click.wav").string(),
                                     "synth", "0.2", "sine", "440"});
  }
  // The player on a copy of the game with its own per-user folder, under env.
  CommandResult Play(const fs::path& run, const std::vector<std::string>& env,
                     std::vector<std::string> args) {
    fs::create_directories(run);
    fs::copy(game_.Path(), run / "game", fs::copy_options::recursive);
    std::vector<std::string> argv = {FindProgram("env")};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back((testing_support::BinDir() / "qazmir").string());
    argv.insert(argv.end(), {"--headless", "--user-dir", (run / "users").string()});
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back((run / "game").string());
    return RunCommand(argv);
  }
  static std::string Save(const fs::path& run) {
    return ReadFile(run / "users" / "Qazmir" / "Clock" / "save.dat");
  }

  TempDir game_, runs_;
  bool haveSox_ = false;
};

// Nothing is loaded or written when the session cannot be replayed.
TEST_F(Sessions, BadSessionsStopBeforeTheGameStarts) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"1 move 1 2\n3 tap 4 5\n", "line 2: unknown event \"tap\""},
      {"2 key 65\n1 key 66\n", "line 2: pass 1 comes after pass 2"},
      {"volume 3\n", "line 1: unknown directive \"volume\""},
      {"game Other\n1 key 65\n", "is a session of the game \"Other\", not of \"Clock\""},
  };
  int n = 0;
  for (const Case& c : cases) {
    const fs::path run = runs_ / std::to_string(n++);
    WriteFile(run / "in.rec", c.text);
    CommandResult r = Play(run, {}, {"--steps", "5", "--input", (run / "in.rec").string()});
    EXPECT_EQ(r.status, 2) << c.text;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(run / "users")) << c.text;
  }
}

// The same game, seed, start time and input give the same bytes in the save,
// the screenshot, the log and the sound, in any time zone at any hour; the
// clock moves exactly 1/30 s a step from the start time.
TEST_F(Sessions, HeadlessRunsRepeatToTheByte) {
  if (!haveSox_) GTEST_SKIP() << "sox is not installed";
  WriteFile(runs_ / "in.rec", "5 key 65\n7 key 66\n");
  auto run = [&](const std::string& name, const std::string& tz) {
    const fs::path dir = runs_ / name;
    CommandResult r = Play(dir, {"TZ=" + tz},
                           {"--steps", "60", "--seed", "5", "--start-time", "2026-12-07 09:30:00",
                            "--input", (runs_ / "in.rec").string(), "--screenshot",
                            "45:" + (dir / "shot.png").string(), "--audio-out",
                            (dir / "sound.wav").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    return dir;
  };
  const fs::path a = run("utc", "UTC"), b = run("tokyo", "Asia/Tokyo");
  const std::string save = Save(a);
  // Step 40 of normal play is the 42nd step; from step 10 to 40 a second passed.
  EXPECT_NE(save.find("2026-12-07 09:30:01 07.12.2026 09:30:01 1000"), std::string::npos) << save;
  EXPECT_EQ(save, Save(b));
  for (const char* file : {"shot.png", "sound.wav", "game/qazmir.err"}) {
    EXPECT_FALSE(ReadFile(a / file).empty()) << file;
    EXPECT_EQ(ReadFile(a / file), ReadFile(b / file)) << file;
  }
}

// A session recorded without a seed replays to the same save, its seed and
// start time taken from the recording.
TEST_F(Sessions, RecordedSessionReplaysToTheSameSave) {
  WriteFile(runs_ / "in.rec", "3 key 65\n12 key 66\n12 key 67\n30 activate 0\n33 activate 1\n");
  const fs::path rec = runs_ / "session.rec";
  CommandResult r = Play(runs_ / "first", {},
                         {"--steps", "60", "--start-time", "2031-05-06 07:08:09", "--input",
                          (runs_ / "in.rec").string(), "--record", rec.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = ReadFile(rec);
  EXPECT_NE(text.find("\nseed "), std::string::npos) << text;
  EXPECT_NE(text.find("\nstart-time 2031-05-06 07:08:09\ndesktop 1920 1080\ngame Clock\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n30 steps 0\n"), std::string::npos) << text;
  r = Play(runs_ / "again", {}, {"--steps", "60", "--input", rec.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Save(runs_ / "first").empty());
  EXPECT_EQ(Save(runs_ / "first"), Save(runs_ / "again"));
}

}  // namespace
}  // namespace app
