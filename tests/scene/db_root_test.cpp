// The game root: property setters and their order, languages, sound table,
// unicode font table, character input, cheats, pointer protocol and the
// screen-switch completion. Script runs are recorded by a stand-in runner.

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/path_resolver.h"
#include "platform/user_dirs.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/screen.h"
#include "scene/text_element.h"
#include "support/test_support.h"

namespace scene {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Records every script run as "<element Id>:<context>" (the root's own
// scripts as "QZDB:<context>").
struct RunLog {
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static void Run(TQZElement& e, const script::ScriptSlot& slot, const char* context,
                  script::TVarList*) {
    if (slot.Source.empty()) return;
    Lines().push_back((e.Root() == &e ? std::string("QZDB") : e.Id) + ":" + context + ":" +
                      slot.Source);
  }
};

class FakeHost : public GameHost {
 public:
  bool testMode = false;
  bool tooSmall = false;
  bool timer = true;
  int applied = 0;
  bool lastFullScreen = false;
  bool cursorShown = false;
  int renders = 0, presents = 0, clockResets = 0;
  bool TestMode() const override { return testMode; }
  bool DesktopTooSmall() const override { return tooSmall; }
  int DesktopWidth() const override { return tooSmall ? 1024 : 1920; }
  void ApplyWindowMode(bool fullScreen) override {
    ++applied;
    lastFullScreen = fullScreen;
  }
  void ShowSystemCursor(bool visible) override { cursorShown = visible; }
  void ResetClock() override { ++clockResets; }
  bool TimerEnabled() const override { return timer; }
  void RenderFrame(bool present) override {
    ++renders;
    presents += present;
  }
};

class RootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedHooks_ = GetScriptHooks();
    GetScriptHooks().Run = &RunLog::Run;
    GetScriptHooks().Prepare = nullptr;
    RunLog::Lines().clear();
    platform::SetUserDataHomeOverride(users_.Path());
    platform::GameFiles().Reset(game_.Path(), platform::CodePage::Default());
    root_.SetServices({&host_, nullptr, nullptr});
  }
  void TearDown() override { GetScriptHooks() = savedHooks_; }

  std::filesystem::path UserFolder() { return users_.Path() / "Qazmir" / root_.Id; }

  ScriptHooks savedHooks_;
  TempDir game_, users_;
  FakeHost host_;
  TQZDB root_;
};

TEST_F(RootTest, FileRSCreatesTheSaveFileInTheFolderOfTheIdAtThatMoment) {
  root_.SetId("MyGame");
  root_.SetFileRS("saves\\slot.dat");
  ASSERT_TRUE(root_.SaveFile().has_value());
  EXPECT_TRUE(std::filesystem::exists(UserFolder() / "saves" / "slot.dat"));
  // The Id given afterwards does not move the folder until FileRS is assigned again.
  root_.SetId("Other");
  EXPECT_EQ(root_.SaveFile()->parent_path().parent_path().filename(), "MyGame");
  // Names that would leave the per-user folder give no save file.
  for (const char* bad : {"..\\escape.dat", "/tmp/abs.dat", "a\\..\\..\\x.dat"}) {
    root_.SetFileRS(bad);
    EXPECT_FALSE(root_.SaveFile().has_value()) << bad;
  }
  EXPECT_FALSE(std::filesystem::exists(users_.Path() / "Qazmir" / "escape.dat"));
  root_.SetFileRS("");
  EXPECT_FALSE(root_.SaveFile().has_value());
}

TEST_F(RootTest, IdCannotClimbOutOfTheUserFolder) {
  root_.SetId("../../evil");
  root_.SetFileRS("s.dat");
  ASSERT_TRUE(root_.SaveFile().has_value());
  auto rel = std::filesystem::relative(*root_.SaveFile(), users_.Path() / "Qazmir");
  EXPECT_EQ(std::distance(rel.begin(), rel.end()), 2);  // one folder, then the file
}

TEST_F(RootTest, SettingsDefaultsAndTheFileRSBeforeIniFileOrder) {
  root_.SetId("G");
  root_.SetFileRS("save.dat");  // computes the per-user folder that IniFile uses
  root_.SetIniFile("player.ini");
  EXPECT_EQ(root_.SoundVolume(), 100);
  EXPECT_EQ(root_.MusicVolume(), 50);
  EXPECT_TRUE(root_.FullScreen());
  EXPECT_FALSE(root_.SystemCursor());
  EXPECT_EQ(host_.applied, 1);
  EXPECT_TRUE(host_.lastFullScreen);
  // Reading does not create the file; writes do.
  EXPECT_FALSE(std::filesystem::exists(UserFolder() / "player.ini"));
  root_.SetValue("VOLSND", script::Value::Integer(70));
  root_.SetValue("FULLSCREEN", script::Value::Integer(0));
  std::string ini = ReadFile(UserFolder() / "player.ini");
  EXPECT_NE(ini.find("Snd=70"), std::string::npos);
  EXPECT_NE(ini.find("FS=0"), std::string::npos);
  script::Value v;
  ASSERT_TRUE(root_.GetValue("VOLSND", v));
  EXPECT_EQ(v.i, 70);
  ASSERT_TRUE(root_.GetValue("FULLSCREEN", v));
  EXPECT_EQ(v.i, 0);
}

TEST_F(RootTest, NonIntegerSettingStopsTheReadingAndLeavesTheWindow) {
  root_.SetId("G");
  root_.SetFileRS("save.dat");
  WriteFile(UserFolder() / "p.ini", "[Def]\r\nSnd=30\r\nMuz=loud\r\nFS=0\r\nSysCursor=1\r\n");
  root_.SetIniFile("p.ini");
  EXPECT_EQ(root_.SoundVolume(), 30);
  EXPECT_EQ(root_.MusicVolume(), 50);  // stopped here: the rest keep their values
  EXPECT_TRUE(root_.FullScreen());
  EXPECT_FALSE(root_.SystemCursor());
  EXPECT_EQ(host_.applied, 0);
}

TEST_F(RootTest, TestModeAndSmallDesktopForceTheMode) {
  root_.SetId("G");
  root_.SetFileRS("s.dat");
  WriteFile(UserFolder() / "a.ini", "[Def]\nFS=0\nSysCursor=1\n");
  host_.tooSmall = true;
  root_.SetIniFile("a.ini");
  EXPECT_TRUE(root_.FullScreen());
  EXPECT_TRUE(host_.cursorShown);
  host_.testMode = true;
  root_.SetIniFile("b.ini");
  EXPECT_FALSE(root_.FullScreen());
  EXPECT_FALSE(host_.lastFullScreen);
  root_.SetIniFile("..\\outside.ini");
  EXPECT_EQ(root_.Settings(), nullptr);
}

TEST_F(RootTest, LanguageFallbackAndTextAddresses) {
  const auto& cp = platform::CodePage::Default();
  WriteFile(game_ / "rus.lng",
            cp.FromUtf8("[Default]\r\nTitle=Игра\r\n[Menu]\r\nStart=Начать\r\n"));
  WriteFile(game_ / "DEU.LNG", "[Default]\r\nTitle=Spiel\r\n");
  root_.SetLang("missing.lng");
  EXPECT_EQ(root_.Lang(), "rus.lng");
  EXPECT_EQ(root_.LookupText("Title"), cp.FromUtf8("Игра"));
  EXPECT_EQ(root_.LookupText("  Menu . Start  "), cp.FromUtf8("Начать"));
  EXPECT_EQ(root_.LookupText("Menu.Nope"), "");
  EXPECT_EQ(root_.LookupText(".Start"), "");
  EXPECT_EQ(root_.LookupText("Menu."), "");
  root_.SetLang("deu.lng");  // any letter case on disk
  EXPECT_EQ(root_.LookupText("TITLE"), "Spiel");
}

TEST_F(RootTest, SoundTableEntries) {
  WriteFile(game_ / "sounds.ini", "[Default]\nclick=click.wav\n[Door]\nopen=80:door.ogg\nbad=x:y.wav\n");
  std::string file;
  int volume = 55;
  root_.LookupSound("click", file, volume);
  EXPECT_EQ(file, "");  // no sound table yet: nothing set
  EXPECT_EQ(volume, 55);
  root_.SetSoundFile("sounds.ini");
  root_.LookupSound("click", file, volume);
  EXPECT_EQ(file, "click.wav");
  EXPECT_EQ(volume, 100);
  root_.LookupSound("Door.open", file, volume);
  EXPECT_EQ(file, "door.ogg");
  EXPECT_EQ(volume, 80);
  root_.LookupSound("Door.bad", file, volume);
  EXPECT_EQ(file, "y.wav");
  EXPECT_EQ(volume, 80);  // not an integer: unchanged
  root_.LookupSound("Door.", file, volume);
  EXPECT_EQ(file, "");
  EXPECT_EQ(volume, 0);
}

TEST_F(RootTest, CheatCodesFromTheLastTenCharacters) {
  root_.Cheats = "xyz;abc";
  root_.SetScriptText(root_.exCheat, "cheat");
  for (char c : std::string("qqabc")) root_.CharInput(static_cast<uint8_t>(c));
  ASSERT_EQ(RunLog::Lines().size(), 1u);
  EXPECT_EQ(RunLog::Lines()[0], "QZDB:Cheat:cheat");
  EXPECT_EQ(root_.LastCheat(), "abc");
  script::Value v;
  ASSERT_TRUE(root_.GetValue("CHEAT", v));
  EXPECT_EQ(v.s, "abc");
  for (char c : std::string("0123456789A")) root_.CharInput(static_cast<uint8_t>(c));
  EXPECT_EQ(root_.CheatBuffer(), "123456789A");
  // Two codes that end together both fire.
  root_.Cheats = "bc;abc";
  RunLog::Lines().clear();
  for (char c : std::string("abc")) root_.CharInput(static_cast<uint8_t>(c));
  EXPECT_EQ(RunLog::Lines().size(), 2u);
  EXPECT_EQ(root_.LastCheat(), "bc");
}

TEST_F(RootTest, TypingIntoTheFocusedText) {
  auto* screen = root_.CreateChild("TQZScreen");
  auto* text = static_cast<TQZText*>(screen->CreateChild("TQZText"));
  root_.Cheats = "ab";
  root_.SetScriptText(root_.exCheat, "cheat");
  root_.SetFocusedText(text);
  for (int c : std::initializer_list<int>{'a', 'b', '#', '$', 200, 8, 'c'}) root_.CharInput(static_cast<uint16_t>(c));
  EXPECT_EQ(text->Text(), "abc");
  EXPECT_TRUE(RunLog::Lines().empty());  // the cheat detector got nothing
  EXPECT_EQ(root_.CheatBuffer(), "");
}

TEST_F(RootTest, UnicodeTableAndTyping) {
  WriteFile(game_ / "unicode" / "unicode.fnt", "3\r\n41 17\r\n410 10\r\n44F 9\r\nMy Face\r\n");
  WriteFile(game_ / "unicode" / "unicode.lng", "[Default]\nHello=cached\n");
  WriteFile(game_ / "g.qzf", "");
  root_.SetGameFileName("g.qzf");
  root_.LoadGame();
  ASSERT_TRUE(root_.UnicodeMode());
  const auto& table = root_.UnicodeTable();
  ASSERT_EQ(table.size(), 0x450u);
  EXPECT_EQ(table[0x41].glyph, 0);
  EXPECT_EQ(table[0x41].advance, 10);  // 17 / 1.7
  EXPECT_EQ(table[0x410].glyph, 1);
  EXPECT_EQ(table[0x410].advance, 6);  // 5.88 -> 6
  EXPECT_EQ(table[0x44F].advance, 5);  // 5.29 -> 5
  EXPECT_EQ(table[0x42].advance, 0);   // no glyph
  EXPECT_EQ(root_.UnicodeFaceName(), "My Face");

  auto* screen = root_.CreateChild("TQZScreen");
  auto* text = static_cast<TQZText*>(screen->CreateChild("TQZText"));
  root_.SetFocusedText(text);
  root_.CharInput(200);
  EXPECT_EQ(text->Text(), std::string("\x01\xC8\x00", 3));
  root_.CharInput('x');
  root_.CharInput(8);
  root_.CharInput(8);
  EXPECT_EQ(text->Text(), "");
  root_.CharInput(9);  // ignored
  EXPECT_EQ(text->Text(), "");
}

TEST_F(RootTest, UnicodeTextsComeFromTheCacheThenTheWideReader) {
  WriteFile(game_ / "unicode" / "unicode.fnt", "0\nFace\n");
  WriteFile(game_ / "unicode" / "unicode.lng", "[Default]\nHello=cached\n");
  // UTF-16LE language file with a BOM.
  std::u16string text = u"[Default]\r\nTitle=Ж!\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  WriteFile(game_ / "lang" / "eng.lng", bytes);
  WriteFile(game_ / "eng.lng", bytes);
  WriteFile(game_ / "g.qzf", "");
  root_.SetGameFileName("g.qzf");
  root_.LoadGame();
  root_.SetLang("lang\\eng.lng");
  EXPECT_EQ(root_.LookupText("Hello"), "cached");
  EXPECT_EQ(root_.LookupText("Title"), std::string("\x01\x16\x04!", 4));
}

TEST_F(RootTest, BrokenUnicodeTableStopsAtTheBadLine) {
  WriteFile(game_ / "unicode" / "unicode.fnt", "5\n41 17\nzz 3\n43 17\n");
  WriteFile(game_ / "g.qzf", "");
  root_.SetGameFileName("g.qzf");
  testing::internal::CaptureStderr();
  root_.LoadGame();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("unicode.fnt line 3"), std::string::npos) << err;
  EXPECT_TRUE(root_.UnicodeMode());
  EXPECT_EQ(root_.UnicodeTable().size(), 0x42u);
}

// A screen with two images side by side: Left at x 0..99 and Right at 200..299,
// both 100 x 100 shapes.
struct PointerGame {
  TQZDB& root;
  TQZScreen* screen;
  TQZElement* left;
  TQZElement* right;
  explicit PointerGame(TQZDB& r) : root(r) {
    screen = static_cast<TQZScreen*>(root.CreateChild("TQZScreen"));
    left = screen->CreateChild("TQZShape");
    left->SetId("Left");
    right = screen->CreateChild("TQZShape");
    right->SetId("Right");
    right->rX = 200;
    root.SetCurrentScreen(screen);
  }
};

TEST_F(RootTest, PointerDeltasAndPausedTracking) {
  // The pointer position and delta are tracked for every move; the root hears
  // each move; while paused nothing is hit-tested and no script runs.
  PointerGame g(root_);
  root_.SetScriptText(root_.Script(Ev::MouseMove), "rootmove");
  root_.PointerMove(10, 20);
  root_.PointerMove(15, 18);
  script::Value v;
  g.left->GetValue("MSDX", v);
  EXPECT_EQ(v.i, 5);
  g.left->GetValue("MSDY", v);
  EXPECT_EQ(v.i, -2);
  EXPECT_EQ(RunLog::Lines().size(), 2u);
  host_.timer = false;  // paused: no hit testing and no events
  root_.PointerMove(1, 1);
  EXPECT_EQ(RunLog::Lines().size(), 2u);
  g.left->GetValue("MSX", v);
  EXPECT_EQ(v.i, 1);
}

TEST_F(RootTest, RootVariantsOfProcessAndReinit) {
  auto* screen = root_.CreateChild("TQZScreen");
  screen->SetId("S");
  root_.SetScriptText(root_.Script(Ev::Process), "p");
  root_.SetScriptText(screen->Script(Ev::Process), "p");
  root_.SetScriptText(screen->Script(Ev::Init), "i");
  root_.DoProcess();
  EXPECT_EQ(RunLog::Lines(), std::vector<std::string>{"QZDB:Process:p"});
  RunLog::Lines().clear();
  root_.DoInit();
  root_.DoInit();  // a second pass visits nothing
  EXPECT_EQ(RunLog::Lines(), std::vector<std::string>{"S:Init:i"});
  RunLog::Lines().clear();
  root_.DoReinit();  // clears Initialised everywhere, then initialises again
  EXPECT_EQ(RunLog::Lines(), std::vector<std::string>{"S:Init:i"});
}

TEST_F(RootTest, ScreenSwitchCompletionOrder) {
  auto* a = root_.CreateChild("TQZScreen");
  a->SetId("A");
  auto* b = root_.CreateChild("TQZScreen");
  b->SetId("B");
  root_.SetScriptText(b->Script(Ev::Show), "show");
  root_.SetScriptText(root_.exSetScreen, "set");
  root_.SetCurrentScreen(a);
  root_.SetPendingScreen(b);
  // Without the loading flag nothing happens but the frame.
  root_.CompleteScreenSwitch();
  EXPECT_EQ(root_.CurrentScreen(), a);
  EXPECT_EQ(host_.renders, 1);
  {
    LoadingScope loading;
    root_.CompleteScreenSwitch();
  }
  EXPECT_EQ(root_.CurrentScreen(), b);
  EXPECT_EQ((std::vector<std::string>{"QZDB:SetScreen:set", "B:Show:show"}), RunLog::Lines());
  EXPECT_EQ(host_.clockResets, 1);
}

}  // namespace
}  // namespace scene
