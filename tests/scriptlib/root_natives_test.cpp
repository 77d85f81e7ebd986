// Natives that reach the game root, in small games: the settings file in both
// modes, the state file, the clock and exit requests, DelFile inside the
// per-user folder only, GoToURL, Print, GetText, and element scripts run
// through the interpreter pool (GetVar, SetVar and Exec over elements).

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "harness.h"
#include "platform/codepage.h"
#include "platform/path_resolver.h"
#include "platform/user_dirs.h"
#include "resources/audio/audio_library.h"
#include "resources/audio/sound_system.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/script_runner.h"
#include "script/element_path.h"
#include "scriptlib/natives.h"
#include "support/process_state.h"
#include "support/test_support.h"

namespace scriptlib_test {
namespace {

using scene::Ev;
using testing_support::FindProgram;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;


class CountingHost : public scene::GameHost {
 public:
  int clockResets = 0;
  int64_t steps = 0;
  void ResetClock() override { ++clockResets; }
  int64_t Steps() const override { return steps; }
};

class RootNatives : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetUserDataHomeOverride(users_.Path());
    platform::GameFiles().Reset(game_.Path(), platform::CodePage::Default());
    root_.SetServices({&host_, nullptr, nullptr, nullptr, nullptr});
    root_.SetId("G");
    root_.SetKey(1);
    Runner().SetRoot(&root_);
    scriptlib::RegisterNativesInPool();
  }
  void TearDown() override {
    Runner().SetRoot(nullptr);
    Runner().Host().SetLogPath("qazmir.err");
    platform::SetUserDataHomeOverride({});
    platform::GameFiles().Reset(".", platform::CodePage::Default());
    testing_support::ResetProcessStates();
  }
  static scene::ScriptRunner& Runner() { return scene::ScriptRunner::Instance(); }
  std::filesystem::path UserFolder() const { return users_.Path() / "Qazmir" / "G"; }

  // A screen Hall holding an image Door at x 3.
  void BuildTree() {
    hall_ = static_cast<scene::TQZScreen*>(root_.CreateChild("TQZScreen"));
    hall_->SetId("Hall");
    hall_->SetKey(12);
    door_ = static_cast<scene::TQZImage*>(hall_->CreateChild("TQZImage"));
    door_->SetId("Door");
    door_->SetKey(13);
    door_->rX = 3;
  }
  // Runs a script as the root's process event; the error of the run, if any.
  std::string RunAsRoot(const std::string& text) {
    root_.SetScriptText(root_.Script(Ev::Process), text);
    root_.DoProcess();
    return Runner().Interpreter(1).ErrorMessage();
  }
  std::string RunAsDoor(const std::string& text) {
    door_->SetScriptText(door_->Script(Ev::MouseDown), text);
    door_->DoMouseDown();
    return Runner().Interpreter(1).ErrorMessage();
  }

  TempDir game_, users_;
  CountingHost host_;
  scene::TQZDB root_;
  scene::TQZScreen* hall_ = nullptr;
  scene::TQZImage* door_ = nullptr;
};

TEST_F(RootNatives, SettingsFileOutsideUnicodeMode) {
  root_.SetFileRS("save.dat");
  root_.SetIniFile("player.ini");
  Outcome o = RunSnippet(
      "R := SetIni('Opt', 'Name', 'Bob'); A := GetIni('Opt', 'Name', 'x');"
      " B := GetIni('Opt', 'Missing', 'dflt'); C := GetIni('OPT', 'NAME', '')");
  ASSERT_TRUE(o.ok) << o.message;
  EXPECT_EQ(o.Var("R"), "Byte:0");
  EXPECT_EQ(o.Var("A"), "String:Bob");
  EXPECT_EQ(o.Var("B"), "String:dflt");
  EXPECT_EQ(o.Var("C"), "String:Bob");
  EXPECT_NE(ReadFile(UserFolder() / "player.ini").find("Name=Bob"), std::string::npos);
  // A write the file refuses fails the call with a message.
  Outcome bad = RunSnippet("SetIni('', 'k', 'v')");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.message.rfind("Invalid parameters, function SETINI : Unable to write to ", 0), 0u)
      << bad.message;
  // Without a settings file both fail.
  root_.SetIniFile("");
  CheckErrors({
      {"X := GetIni('Opt', 'Name', 'x')", "Invalid parameters, function GETINI"},
      {"SetIni('Opt', 'Name', 'x')", "Invalid parameters, function SETINI"},
      {"X := GetIni('Opt', 'Name')", "Invalid parameters, function GETINI"},
  });
}

// In unicode mode values travel as "#$#$" + hex UTF-8, in the file of the
// settings file's name in the game's folder; the default is not used.
TEST_F(RootNatives, SettingsFileInUnicodeMode) {
  WriteFile(game_ / "unicode" / "unicode.fnt", "0\nFace\n");
  WriteFile(game_ / "g.qzf", "");
  root_.SetGameFileName("g.qzf");
  root_.LoadGame();
  ASSERT_TRUE(root_.UnicodeMode());
  root_.SetFileRS("save.dat");
  root_.SetIniFile("cfg\\Player.ini");
  Outcome o = RunSnippet(
      "SetIni('S', 'K', 'ab'); SetIni('S', 'E', Char(1) + Char(233) + Char(0));"
      " SetIni('S', 'J', 'x' + Char(1) + Char(22) + Char(4));"
      " A := GetIni('S', 'K', 'dflt'); E := GetIni('S', 'E', ''); J := GetIni('S', 'J', '');"
      " M := GetIni('S', 'Missing', 'dflt'); L := Length(J); D := DelLastChar(J);"
      " U := Length('A' + Char(1) + Char(16) + Char(4)); V := DelLastChar('A' + Char(1) + Char(16) + Char(4))");
  ASSERT_TRUE(o.ok) << o.message;
  std::string file = ReadFile(game_ / "Player.ini");
  EXPECT_NE(file.find("K=#$#$6162"), std::string::npos) << file;
  EXPECT_NE(file.find("E=#$#$C3A9"), std::string::npos) << file;
  EXPECT_NE(file.find("J=#$#$78D096"), std::string::npos) << file;
  EXPECT_FALSE(std::filesystem::exists(UserFolder() / "cfg" / "Player.ini"));
  EXPECT_EQ(o.Var("A"), "String:ab");
  EXPECT_EQ(o.Var("E"), "String:" + std::string("\x01\xE9\x00", 3));
  EXPECT_EQ(o.Var("J"), "String:x\x01\x16\x04");
  EXPECT_EQ(o.Var("M"), "String:");
  EXPECT_EQ(o.Var("L"), "Integer:2");
  EXPECT_EQ(o.Var("D"), "String:x");
  EXPECT_EQ(o.Var("U"), "Integer:2");
  EXPECT_EQ(o.Var("V"), "String:A");

  // Values not written by SetIni: the text as it stands; a hex form stops at
  // the first pair that is not hexadecimal.
  WriteFile(game_ / "Player.ini", "[S]\r\nP=plain\r\nH=#$#$41zz42\r\n");
  o = RunSnippet("P := GetIni('S', 'P', ''); H := GetIni('S', 'H', '')");
  EXPECT_EQ(o.Var("P"), "String:plain");
  EXPECT_EQ(o.Var("H"), "String:A");

  // 497 UTF-8 bytes fit the read buffer; one more is cut off.
  o = RunSnippet(
      "S := ''; I := 0; FOR I := 1 TO 497 DO S := S + 'a'; SetIni('S', 'L', S); N := Length(GetIni('S', 'L', ''));"
      " SetIni('S', 'L', S + 'b'); M := Length(GetIni('S', 'L', ''))");
  ASSERT_TRUE(o.ok) << o.message;
  EXPECT_EQ(o.Var("N"), "Integer:497");
  EXPECT_EQ(o.Var("M"), "Integer:497");

  // Print writes escape text as the characters it stands for.
  testing::internal::CaptureStdout();
  scriptlib::SetConsoleOutput(true);
  RunSnippet("Print('x' + Char(1) + Char(22) + Char(4))");
  scriptlib::SetConsoleOutput(false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "x\xD0\x96\n");
}

// A small game saving and restoring its state from a script.
TEST_F(RootNatives, StateFileThroughScripts) {
  BuildTree();
  // No FileRS: nothing is written, and the calls succeed.
  root_.SetFileRS("");
  EXPECT_EQ(RunAsRoot("SaveState(); LoadState(); OK := 1"), "");
  EXPECT_EQ(host_.clockResets, 0);
  EXPECT_FALSE(std::filesystem::exists(UserFolder()));

  root_.SetFileRS("state.dat");
  EXPECT_EQ(RunAsRoot("QZDB.HALL.DOOR.X := 30; SaveState(1, 'x'); QZDB.HALL.DOOR.X := 5;"
                      " LoadState(2); TAG := QZDB.HALL.DOOR.X"),
            "");
  EXPECT_EQ(door_->X(), 30);
  EXPECT_EQ(root_.Tag, "30");
  EXPECT_GT(std::filesystem::file_size(UserFolder() / "state.dat"), 0u);
  EXPECT_GE(host_.clockResets, 1);  // the save restarts the clock
}

TEST_F(RootNatives, TimerResetAndExitGame) {
  Outcome o = RunSnippet("TimerReset(); TimerReset(1, 2); ExitGame(1, 2); X := 1");
  ASSERT_TRUE(o.ok) << o.message;
  EXPECT_EQ(host_.clockResets, 2);
  EXPECT_TRUE(root_.ExitRequested());
  EXPECT_EQ(o.Var("X"), "Integer:1");  // the script ran on
}

// DelFile deletes files of the per-user folder only: names that are absolute
// or climb out delete nothing, and every call succeeds.
TEST_F(RootNatives, DelFileStaysInsideThePerUserFolder) {
  root_.SetFileRS("save.dat");
  TempDir elsewhere;
  WriteFile(UserFolder() / "a.sav", "1");
  WriteFile(UserFolder() / "sub" / "b.sav", "2");
  std::filesystem::create_directories(UserFolder() / "dir");
  WriteFile(users_.Path() / "Qazmir" / "x", "outside");
  WriteFile(elsewhere / "abs.txt", "absolute");
  std::string absolute = (elsewhere / "abs.txt").string();
  Outcome o = RunSnippet("DelFile('a.sav'); DelFile('SUB\\B.SAV'); DelFile('../x'); DelFile('..\\x');"
                         " DelFile('sub\\..\\..\\x'); DelFile('" + absolute + "'); DelFile('dir');"
                         " DelFile('missing'); X := DelFile('')");
  ASSERT_TRUE(o.ok) << o.message;
  EXPECT_EQ(o.Var("X"), "Byte:0");
  EXPECT_FALSE(std::filesystem::exists(UserFolder() / "a.sav"));
  EXPECT_FALSE(std::filesystem::exists(UserFolder() / "sub" / "b.sav"));
  EXPECT_TRUE(std::filesystem::exists(users_.Path() / "Qazmir" / "x"));
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "abs.txt"));
  EXPECT_TRUE(std::filesystem::is_directory(UserFolder() / "dir"));
  CheckErrors({{"DelFile()", "Invalid parameters, function DELFILE"}});
}

// Only web and mail addresses reach the desktop's handler, without a shell,
// and at most once in 30 steps of game time; the other calls do nothing and
// succeed.
TEST_F(RootNatives, GoToURLOpensOnlyWebAndMailAddressesOnceASecond) {
  std::vector<std::vector<std::string>> started;
  scriptlib::SetAddressSpawner([&](const std::vector<std::string>& argv) {
    started.push_back(argv);
    return true;
  });
  struct Call {
    int64_t step;
    const char* script;
  } calls[] = {
      {0, "GoToURL('file:///etc/passwd'); GoToURL('calc'); GoToURL('-e x'); GoToURL('ftp://x')"},
      {0, "GoToURL('http://example.com/a b'); GoToURL('http://example.com/again')"},
      {29, "GoToURL('MAILTO:me@example.com')"},
      {30, "GoToURL('MAILTO:me@example.com')"},
      {100, "X := GoToURL('https://example.com/\xE6')"},
  };
  Outcome o;
  for (const Call& c : calls) {
    host_.steps = c.step;
    o = RunSnippet(c.script);
    ASSERT_TRUE(o.ok) << o.message;
  }
  scriptlib::SetAddressSpawner({});
  EXPECT_EQ(o.Var("X"), "Byte:0");
  std::vector<std::vector<std::string>> expected = {
      {"xdg-open", "http://example.com/a b"},
      {"xdg-open", "MAILTO:me@example.com"},
      {"xdg-open", "https://example.com/\xD0\xB6"},  // the code page text as UTF-8
  };
  EXPECT_EQ(started, expected);
}

TEST_F(RootNatives, PrintWritesOnlyWithTheConsoleSwitch) {
  EXPECT_FALSE(scriptlib::ConsoleOutput());  // off unless the player asks
  testing::internal::CaptureStdout();
  scriptlib::SetConsoleOutput(true);
  Outcome on = RunSnippet("Print('hello'); X := Print(5); Print('\xE6')");
  scriptlib::SetConsoleOutput(false);
  Outcome off = RunSnippet("Print('quiet')");
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(on.ok) << on.message;
  ASSERT_TRUE(off.ok) << off.message;
  EXPECT_EQ(on.Var("X"), "Byte:0");
  EXPECT_EQ(out, "hello\n5\n\xD0\xB6\n");
  CheckErrors({{"Print('a', 'b')", "Invalid parameters, function PRINT"}});
}

TEST_F(RootNatives, GetTextReadsTheLanguageFile) {
  WriteFile(game_ / "eng.lng", "[Default]\r\nTitle=Hi\r\n[Menu]\r\nStart=Go\r\n");
  root_.SetLang("eng.lng");
  CheckValues({
      {"X := GetText('Title')", "X", "String:Hi"},
      {"X := GetText(' Menu . Start ')", "X", "String:Go"},
      {"X := GetText('Nope')", "X", "String:"},
      {"X := GetText('')", "X", "String:"},
  });
  CheckErrors({{"X := GetText()", "Invalid parameters, function GETTEXT"}});
}

// The sound natives look the address up in the sound table and hand file and
// volume to the sound system; a volume that is not an integer plays at 100.
TEST_F(RootNatives, SoundAndMusicThroughTheSoundTable) {
  std::filesystem::create_directories(game_ / "sounds");
  for (const char* name : {"click.wav", "theme.wav"}) {
    auto r = testing_support::RunCommand({FindProgram("sox"), "-n", "-r", "44100", "-c", "1",
                                          (game_ / "sounds" / name).string(), "synth", "0.2",
                                          "sine", "440"});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  WriteFile(game_ / "snd.ini",
            "[Default]\r\nclick=50:click.wav\r\ntheme=80:theme.wav\r\nodd=loud:theme.wav\r\n"
            "[Music]\r\nmain=40:theme.wav\r\n");
  // Without a sound system the calls do nothing and succeed.
  root_.SetSoundFile("snd.ini");
  CheckValues({{"PlaySnd('click'); PlayMuz('theme'); StopMuz(0); X := 1", "X", "Integer:1"}});

  resources::AudioLibrary audio(resources::MakeWavFileOutput(game_ / "out.wav"));
  ASSERT_TRUE(audio.Init(resources::kDefaultDevice, 44100, 0, nullptr));
  resources::SoundSystem sound(audio);
  sound.SetLookup(resources::MakeSoundLookup(platform::GameFiles(), root_.Pack()));
  root_.SetServices({&host_, nullptr, &sound, nullptr, nullptr});

  Outcome o = RunSnippet("PlayMuz('theme')");
  ASSERT_TRUE(o.ok) << o.message;
  ASSERT_EQ(sound.Music().size(), 1u);
  EXPECT_EQ(sound.Music()[0].name, "THEME.WAV");
  EXPECT_DOUBLE_EQ(sound.Music()[0].target, 0.8);
  RunSnippet("PlayMuz('odd')");
  EXPECT_DOUBLE_EQ(sound.Music()[0].target, 1.0);
  RunSnippet("PlayMuz('Music.main')");
  EXPECT_DOUBLE_EQ(sound.Music()[0].target, 0.4);
  for (int i = 0; i < 60; ++i) sound.FadeStep();
  RunSnippet("StopMuz(0)");
  EXPECT_DOUBLE_EQ(sound.Music()[0].target, 0.0);
  EXPECT_LT(sound.Music()[0].step, 0.0);

  RunSnippet("PlaySnd('click'); PlaySnd('missing'); PlaySnd('')");
  ASSERT_EQ(sound.Samples().size(), 1u);
  EXPECT_EQ(sound.Samples()[0].name, "CLICK.WAV");
  EXPECT_NE(sound.Samples()[0].sample, 0u);
  CheckErrors({
      {"StopMuz()", "Invalid parameters, function STOPMUZ"},
      {"StopMuz(1, 2)", "Invalid parameters, function STOPMUZ"},
      {"PlaySnd()", "Invalid parameters, function PLAYSND"},
      {"PlayMuz('a', 'b')", "Invalid parameters, function PLAYMUZ"},
  });
  root_.SetServices({&host_, nullptr, nullptr, nullptr, nullptr});
}

// Element scripts through the pool: GetVar reads element names, SetVar never
// writes them, Exec shares the element's context.
TEST_F(RootNatives, InterpreterAccessInElementScripts) {
  BuildTree();
  root_.SaveErr = true;
  Runner().Host().SetLogPath(game_ / "qazmir.err");
  EXPECT_EQ(RunAsDoor("V := GetVar('X'); W := GetVar('PARENT.DOOR.X'); TAG := V + W"), "");
  EXPECT_EQ(door_->Tag, "6");

  EXPECT_EQ(RunAsDoor("SetVar('X', 50)"), "Invalid parameters, function SETVAR");
  EXPECT_EQ(door_->X(), 3);

  EXPECT_EQ(RunAsDoor("Exec('X := 40')"), "");
  EXPECT_EQ(door_->X(), 40);
  script::SetQuietLookup(false);

  // An unknown name through GetVar leaves no line in the log; a plain read does.
  EXPECT_EQ(RunAsDoor("V := GetVar('NOSUCH1'); W := NOSUCH2"), "");
  std::string log = std::filesystem::exists(game_ / "qazmir.err") ? ReadFile(game_ / "qazmir.err") : "";
  EXPECT_EQ(log.find("NOSUCH1"), std::string::npos) << log;
  EXPECT_NE(log.find("NOSUCH2"), std::string::npos) << log;
}

}  // namespace
}  // namespace scriptlib_test
