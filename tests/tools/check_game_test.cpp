// qazmir-tool check on whole games: a broken game with one of each problem,
// the root's files missing or damaged, raw record damage, a clean game that
// reports nothing, and input that is no game at all.

#include <gtest/gtest.h>

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "../scene/record_writer.h"
#include "platform/codepage.h"
#include "render/png_writer.h"
#include "resources/store.h"
#include "scene/effect_params.h"
#include "support/bmp_file.h"
#include "support/test_support.h"
#include "tools/check_game.h"
#include "tools/scene_json.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinDir;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;
using tools::CheckResult;
using Json = nlohmann::ordered_json;
using Lines = std::vector<std::string>;

std::string Tool() { return (BinDir() / "qazmir-tool").string(); }

std::string Png(int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0xFF3366CCu);
  return *render::EncodePng(pixels.data(), w, h, w);
}

// A 24-bit BMP in one dark grey.
std::string Bmp(int w, int h) { return testing_support::SolidBmp(w, h, 0x404040); }

std::string EffectFile() {
  auto block = scene::EncodeEffectParams(scene::TEffectParams{});
  return std::string(reinterpret_cast<const char*>(block.data()), block.size());
}

// A sound made by sox.
void Sound(const fs::path& file) {
  fs::create_directories(file.parent_path());
  ASSERT_TRUE(testing_support::Sox(
      {"-n", "-r", "22050", "-c", "1", file.string(), "synth", "0.05", "sine", "440"}));
}

// The game file of a scene in a folder of its own.
struct Game {
  TempDir dir;
  fs::path file = dir / "game.qzf";

  void Build(const char* sceneJson) {
    std::string bytes =
        tools::JsonToGameFile(Json::parse(sceneJson), dir.Path(), platform::CodePage::Default());
    WriteFile(file, bytes);
  }
  void Put(const std::string& name, const std::string& bytes) {
    fs::create_directories((dir / name).parent_path());
    WriteFile(dir / name, bytes);
  }
  void Pack(const std::vector<std::pair<std::string, std::string>>& entries) {
    resources::PackWriter w;
    for (const auto& [name, bytes] : entries) w.Add(name, bytes);
    WriteFile(dir / "game.qst", w.Finish());
  }
  CheckResult Check() { return tools::CheckGame(file, platform::CodePage::Default()); }
};

// ---- one of each problem ----------------------------------------------------------

const char* kBrokenScene = R"js({"class": "TQZDB",
  "props": {"Key": 1, "Id": "Broken", "InitScreen": 10, "LoadingScreen": 998, "Lang": "eng.lng",
            "SoundFile": "sounds.ini", "FileFonts": "fonts.fnt", "FileRS": "save.dat", "SaveErr": true},
  "children": [
    {"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall", "ImBack": "hall.png"}, "children": [
      {"class": "TQZImage", "props": {"Key": 12, "Id": "Door", "imImage": "door.png"}},
      {"class": "TQZImage", "props": {"Key": 13, "Id": "Broken", "imImage": "broken.png"}},
      {"class": "TQZImage", "props": {"Key": 14, "Id": "Tree", "imImage": "tree.bmp"}},
      {"class": "TQZImage", "props": {"Key": 15, "Id": "Strip", "imImage": "strip.png"}},
      {"class": "TQZImage", "props": {"Key": 16, "Id": "Packed", "imImage": "#packed.png"}},
      {"class": "TQZText", "props": {"Key": 20, "Id": "Caption", "Font": "Nope", "TextId": "Missing.Key"},
       "children": [{"class": "TQZImage", "props": {"Key": 21, "Id": "Stray", "imImage": "gone.png"}}]},
      {"class": "TQZText", "props": {"Key": 22, "Id": "Title", "Font": "main", "TextId": "Title"}},
      {"class": "TQZExScreen", "props": {"Key": 30, "Id": "Panel", "obScreen": 777}},
      {"class": "TQZExScreen", "props": {"Key": 31, "Id": "Panel2", "obScreen": 12}},
      {"class": "TQZExAnim", "props": {"Key": 32, "Id": "Walker", "obAnim": 778}},
      {"class": "TQZEffect", "props": {"Key": 40, "Id": "Sparks", "EffectFN": "sparks.eff"}},
      {"class": "TQZEffect", "props": {"Key": 41, "Id": "Short", "EffectFN": "short.eff"}},
      {"class": "TQZShape", "props": {"Key": 12, "Id": "Twin"}},
      {"class": "TQZImage", "props": {"Key": 50, "Id": "Scripted",
        "exInit": "PROCEDURE P(); BEGIN END; PROCEDURE P(); BEGIN END;",
        "exMouseIn": "S := 'abc",
        "exMouseDown": "Foo(1); Bar; X := 1; X; PlaySnd('nosuch'); PlaySnd('ghost'); PlaySnd('click'); PlayMuz('music'); SetScreen(QZDB.Nowhere); SetScreen(QZDB.Other); imImage := 'gone.png'; S := \"Missing.Text\" + \"Title\"; Q(1, 2); PROCEDURE Q(A); BEGIN END;",
        "exMouseUp": "var n: integer;",
        "exProcess": "INCLUDE 'lib.pas'; LibProc(1);"}}
    ]},
    {"class": "TQZScreen", "props": {"Key": 11, "Id": "Other", "ImBack": "*hall.png"}}
  ]})js";

void MakeBrokenGameFiles(Game& g) {
  g.Build(kBrokenScene);
  g.Put("hall.png", Png(4, 4));
  g.Put("broken.png", "this is no picture");
  g.Put("tree.bmp", Bmp(4, 4));
  g.Put("tree_.jpg", "no jpeg either");
  g.Put("strip.png", Png(2, 2));
  g.Put("strip.an", "8\r\n1\r\n");
  g.Put("particles.bmp", Bmp(8, 8));
  g.Put("short.eff", std::string(10, '\0'));
  g.Put("lib.pas", "PROCEDURE LibProc(A); BEGIN Bad(A); END;");
  g.Put("eng.lng", "[Default]\r\nTitle=Hello\r\n");
  g.Put("sounds.ini", "[Default]\r\nclick=80:click.wav\r\nmusic=theme.mp3\r\nghost=ghost.wav\r\n");
  Sound(g.dir / "sounds" / "click.wav");
  Sound(g.dir / "sounds" / "theme.ogg");
  g.Pack({{"PACKED.PNG", Png(2, 2)}});
  auto r = RunCommand({Tool(), "font", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "--size",
                       "12", "--name", "Main", "-o", (g.dir / "fonts.fnt").string()});
  ASSERT_EQ(r.status, 0) << r.err;
}

const Lines kBrokenLines = {
    // The record the player skips.
    "QZDB.Hall.Caption.Stray (TQZImage, Key 21): a TQZImage may not be a child of a TQZText; "
    "it is skipped with its children",
    "QZDB (TQZDB, Key 1): LoadingScreen 998 names no element",
    "QZDB.Hall.Door (TQZImage, Key 12): imImage: image \"door.png\" is not found",
    "QZDB.Hall.Broken (TQZImage, Key 13): imImage: image \"broken.png\" does not decode: not in "
    "the format its extension names",
    "QZDB.Hall.Tree (TQZImage, Key 14): imImage: image \"tree.bmp\" has a mask partner "
    "\"tree_.jpg\" that does not decode: not in the format its extension names",
    "QZDB.Hall.Strip (TQZImage, Key 15): imImage: image \"strip.png\" cannot be cut into the "
    "patterns its sprite-sheet file \"strip.an\" asks for",
    "QZDB.Hall.Caption (TQZText, Key 20): font \"Nope\" is not in the font archive \"fonts.fnt\"",
    "QZDB.Hall.Caption (TQZText, Key 20): TextId \"Missing.Key\" has no text in the language file "
    "\"eng.lng\"",
    "QZDB.Hall.Panel (TQZExScreen, Key 30): obScreen 777 names no element",
    "QZDB.Hall.Panel2 (TQZExScreen, Key 31): obScreen 12 names QZDB.Hall.Door (TQZImage, Key 12), "
    "which is not a screen of the root",
    "QZDB.Hall.Walker (TQZExAnim, Key 32): obAnim 778 names no element",
    "QZDB.Hall.Sparks (TQZEffect, Key 40): effect file \"sparks.eff\" is not found",
    "QZDB.Hall.Short (TQZEffect, Key 41): effect file \"short.eff\" holds 10 bytes of the 136 an "
    "effect file has; the parameters after them stay 0",
    "QZDB.Hall.Twin (TQZShape, Key 12): Key 12 is also the key of QZDB.Hall.Door (TQZImage, Key "
    "12); lookups by key find that one",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exInit: does not prepare: Duplicate procedure name in "
    "\"PROCEDURE P ( )\"",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseIn: the string 'abc has no closing quote",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: unknown function FOO",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: procedure Q takes 1 arguments but is "
    "called with 2",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: unknown procedure BAR",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: PlaySnd \"nosuch\" has no entry in the "
    "sound table \"sounds.ini\"",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: PlaySnd \"ghost\": sound file "
    "\"ghost.wav\" is not found in \"sounds\\\" (nor with the ending OGG)",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: SetScreen(QZDB.NOWHERE) names no screen",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: imImage := \"gone.png\": image is not "
    "found",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseDown: text key \"Missing.Text\" has no text in "
    "the language file \"eng.lng\"",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exMouseUp: the statement starting VAR N cannot run: "
    "found N, expected :=, (, [ or ;",
    "QZDB.Hall.Scripted (TQZImage, Key 50) exProcess: unknown function BAD",
};

TEST(CheckGame, BrokenGameReportsEachProblemOnItsOwnLine) {
  Game g;
  ASSERT_NO_FATAL_FAILURE(MakeBrokenGameFiles(g));
  CheckResult r = g.Check();
  ASSERT_EQ(r.status, CheckResult::Status::Checked) << r.error;
  EXPECT_EQ(r.lines, kBrokenLines);
  // Loading wrote nothing into the game's folder: no log of the failed
  // preparation (SaveErr is on), no save file.
  EXPECT_FALSE(fs::exists(g.dir / "qazmir.err"));
  EXPECT_FALSE(fs::exists(g.dir / "save.dat"));

  // The command prints the same lines, counts them on stderr and exits with 1.
  auto run = RunCommand({Tool(), "check", g.file.string()});
  EXPECT_EQ(run.status, 1);
  std::string expected;
  for (const auto& line : kBrokenLines) expected += line + "\n";
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "qazmir-tool check: " + std::to_string(kBrokenLines.size()) +
                         " problems in " + g.file.string() + "\n");
}

// Nothing of the user's is touched: the per-user folder of the check (where
// FileRS opens its save file) is a scratch folder that is gone afterwards.
TEST(CheckGame, LeavesTheUsersFoldersAlone) {
  Game g;
  ASSERT_NO_FATAL_FAILURE(MakeBrokenGameFiles(g));
  TempDir data, tmp;
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const char* oldTmp = std::getenv("TMPDIR");
  std::string savedData = oldData ? oldData : "", savedTmp = oldTmp ? oldTmp : "";
  setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  setenv("TMPDIR", tmp.Path().c_str(), 1);
  CheckResult r = g.Check();
  oldData ? setenv("XDG_DATA_HOME", savedData.c_str(), 1) : unsetenv("XDG_DATA_HOME");
  oldTmp ? setenv("TMPDIR", savedTmp.c_str(), 1) : unsetenv("TMPDIR");
  EXPECT_EQ(r.lines, kBrokenLines);
  EXPECT_TRUE(fs::is_empty(data.Path()));
  EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

// ---- the root's files -----------------------------------------------------------------

TEST(CheckGame, MissingAndDamagedFilesOfTheRoot) {
  const char* scene = R"js({"class": "TQZDB",
    "props": {"Key": 1, "InitScreen": 12, "Lang": "missing.lng", "DefLang": "def.lng",
              "SoundFile": "nosounds.ini", "FileFonts": "bad.fnt"},
    "children": [{"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall"}, "children": [
      {"class": "TQZImage", "props": {"Key": 12, "Id": "Door"}},
      {"class": "TQZText", "props": {"Key": 13, "Id": "T", "Font": "Any", "TextId": "Title",
                                     "exInit": "PlaySnd('click')"}},
      {"class": "TQZEffect", "props": {"Key": 14, "Id": "Fx"}}]}]})js";
  {
    Game g;
    g.Build(scene);
    g.Put("bad.fnt", "not an archive");
    // Without the files, nothing that depends on them is reported once more.
    EXPECT_EQ(g.Check().lines,
              (Lines{"QZDB (TQZDB, Key 1): InitScreen 12 names QZDB.Hall.Door (TQZImage, Key 12), "
                     "which is not a screen",
                     "QZDB (TQZDB, Key 1): language file \"missing.lng\" is not found",
                     "QZDB (TQZDB, Key 1): default language file \"def.lng\" is not found",
                     "QZDB (TQZDB, Key 1): sound table \"nosounds.ini\" is not found",
                     "QZDB (TQZDB, Key 1): font archive \"bad.fnt\" is not a font archive",
                     "QZDB (TQZDB, Key 1): the particle sheet \"particles.bmp\" is not found; "
                     "effects and stars draw nothing"}));
  }
  {
    // The player falls back on another language file: the texts are looked up there.
    Game g;
    g.Build(scene);
    g.Put("rus.lng", "[Default]\r\nOther=1\r\n");
    g.Put("def.lng", "");
    g.Put("nosounds.ini", "[Default]\r\nclick=click.wav\r\n");
    g.Put("sounds/click.wav", "RIFF....WAVEjunk");
    g.Put("particles.bmp", "BM");
    Lines lines = g.Check().lines;
    Lines expected = {
        "QZDB (TQZDB, Key 1): InitScreen 12 names QZDB.Hall.Door (TQZImage, Key 12), which is not "
        "a screen",
        "QZDB (TQZDB, Key 1): language file \"missing.lng\" is not found; \"rus.lng\" is used instead",
        "QZDB (TQZDB, Key 1): font archive \"bad.fnt\" is not found",
        "QZDB (TQZDB, Key 1): the particle sheet \"particles.bmp\" does not decode: cut short; "
        "effects and stars draw nothing",
        "QZDB.Hall.T (TQZText, Key 13): TextId \"Title\" has no text in the language file "
        "\"rus.lng\"",
        "QZDB.Hall.T (TQZText, Key 13) exInit: PlaySnd \"click\": sound file \"click.wav\" does not "
        "decode as a sound",
    };
    EXPECT_EQ(lines, expected);
  }
  {
    // Used but never named.
    Game g;
    g.Build(R"js({"class": "TQZDB", "props": {"Key": 1, "InitScreen": 0}, "children": [
      {"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall"}, "children": [
        {"class": "TQZText", "props": {"Key": 13, "Font": "Any",
                                       "exInit": "PlayMuz('theme'); AddStar(1, 2, 3, 4, 5, 6, 7, 8)"}},
        {"class": "TQZText", "props": {"Key": 14, "Id": "U", "TextId": "Title"}}]}]})js");
    EXPECT_EQ(g.Check().lines,
              (Lines{"QZDB (TQZDB, Key 1): InitScreen 0 names no element",
                     "QZDB (TQZDB, Key 1): language texts are used (TextId, text keys) but Lang "
                     "names no file",
                     "QZDB (TQZDB, Key 1): PlaySnd or PlayMuz is used but SoundFile names no sound "
                     "table",
                     "QZDB (TQZDB, Key 1): texts name fonts but FileFonts names no font archive",
                     "QZDB (TQZDB, Key 1): the particle sheet \"particles.bmp\" is not found; "
                     "effects and stars draw nothing"}));
  }
}

// The unicode font set: what its loading complains about, and its glyph picture.
TEST(CheckGame, UnicodeFontSet) {
  Game g;
  g.Build(R"js({"class": "TQZDB", "props": {"Key": 1, "InitScreen": 10},
               "children": [{"class": "TQZScreen", "props": {"Key": 10}}]})js");
  g.Put("unicode/unicode.fnt", "2\r\n41 17\r\nzz 3\r\nFace\r\n");
  EXPECT_EQ(g.Check().lines,
            (Lines{"QZDB (TQZDB, Key 1): unicode\\unicode.fnt line 3: not a character code",
                   "QZDB (TQZDB, Key 1): the unicode glyph picture \"unicode\\unicode.png\" is "
                   "not found; texts draw nothing in unicode mode"}));
  g.Put("unicode/unicode.fnt", "1\r\n41 17\r\nFace\r\n");
  g.Put("unicode/unicode.png", Png(4, 4));
  EXPECT_EQ(g.Check().lines, Lines{});
}

// ---- raw records the player skips ---------------------------------------------------------

TEST(CheckGame, RecordsThePlayerSkipsOrCutsShort) {
  using testrec::Common;
  using testrec::Record;
  Record root("TQZDB");
  Common(root, 1, "G");
  Record bogus("TQZBogus");
  Common(bogus, 2, "B");
  Record cut("TQZScreen", 6);
  Common(cut, 5, "");
  cut.RawTail(std::string("\xE8\x03\x00\x00", 4) + "abc");  // ImBack: 1000 bytes announced, 3 there
  Record anim("TQZAnim");
  Common(anim, 6, "Walk");
  Record key("TQZAnKey");
  Common(key, 7, "K");
  Record shape("TQZShape");
  Common(shape, 8, "Box");
  key.Child(shape);  // a key holds images only
  anim.Child(key);
  root.Child(bogus).Child(cut).Child(anim);
  root.RawTail(std::string("\x02\x00\x00\x00zz", 6));  // an entry too short for a record
  root.RawTail("xyz");                                  // and three stray bytes
  Game g;
  g.Put("game.qzf", root.Bytes());
  CheckResult r = g.Check();
  ASSERT_EQ(r.status, CheckResult::Status::Checked);
  EXPECT_EQ(r.lines,
            (Lines{"QZDB (TQZDB, Key 1): a child record of unknown class \"TQZBogus\" is skipped",
                   "QZDB.#5 (TQZScreen, Key 5): the record ends inside the value of ImBack; the "
                   "later values and the children are lost",
                   "QZDB.Walk.K.Box (TQZShape, Key 8): a TQZShape may not be a child of a "
                   "TQZAnKey; it is skipped with its children",
                   "QZDB (TQZDB, Key 1): a child entry of 2 bytes is too short for a record and is "
                   "skipped",
                   "QZDB (TQZDB, Key 1): the last 3 bytes of the record are not a whole child "
                   "entry; they are lost",
                   // The player's own warning: root, screen, animation and key were read.
                   "QZDB (TQZDB, Key 1): game.qzf is cut short or damaged: 4 elements read, "
                   "reading stopped at byte 116 of 259",
                   "QZDB (TQZDB, Key 1): InitScreen 0 names no element"}));
}

// ---- a clean game ------------------------------------------------------------------------

TEST(CheckGame, CleanGameReportsNothing) {
  Game g;
  g.Build(R"js({"class": "TQZDB",
    "props": {"Key": 1, "Id": "Clean", "InitScreen": 10, "LoadingScreen": 11, "Lang": "eng.lng",
              "DefLang": "eng.lng", "SoundFile": "sounds.ini", "FileFonts": "fonts.fnt",
              "FileRS": "save.dat", "IniFile": "settings.ini", "SaveErr": true,
              "exInit": "PROCEDURE Greet(Who); BEGIN Print('Hi ' + Who); END; Greet('you'); Count := 0; Inc(Count); IF Count > 0 THEN Count := 2 ELSE Count := 3; Count;"},
    "children": [
      {"class": "TQZScreen", "props": {"Key": 10, "Id": "Hall", "ImBack": "hall.png"}, "children": [
        {"class": "TQZImage", "props": {"Key": 12, "Id": "Door", "imImage": "*#packed.png",
          "exMouseDown": "PlaySnd('click'); PlayMuz('Music.Theme'); SetScreen(QZDB.Room, QZDB.PanelScreen); QZDB.Hall.Door.imImage := 'hall.png'; Caption.Text := \"Title\" + GetText('Menu.Start'); IF X THEN AddStar(1, 2, 3, 4, 5, 6, 7, 8); FastSetScreen(QZDB.Back); QZDB.Back := QZDB.Hall;"}},
        {"class": "TQZImage", "props": {"Key": 13, "Id": "Tree", "imImage": "tree.bmp"}},
        {"class": "TQZImage", "props": {"Key": 14, "Id": "Strip", "imImage": "strip.png"}},
        {"class": "TQZText", "props": {"Key": 15, "Id": "Caption", "Font": "MAIN", "TextId": "Title"}},
        {"class": "TQZText", "props": {"Key": 16, "Id": "Empty"}},
        {"class": "TQZExScreen", "props": {"Key": 17, "Id": "Panel", "obScreen": 20}},
        {"class": "TQZExScreen", "props": {"Key": 18, "Id": "Unset"}},
        {"class": "TQZExAnim", "props": {"Key": 19, "Id": "Walker", "obAnim": 30}},
        {"class": "TQZEffect", "props": {"Key": 21, "Id": "Sparks", "EffectFN": "fx\\sparks.eff"}},
        {"class": "TQZEffect", "props": {"Key": 22, "Id": "Packed", "EffectFN": "glow.eff"}},
        {"class": "TQZEffect", "props": {"Key": 23, "Id": "Later"}}]},
      {"class": "TQZScreen", "props": {"Key": 11, "Id": "Loading"}},
      {"class": "TQZScreen", "props": {"Key": 24, "Id": "Room",
        "exShow": "CASE X OF 1: Inc(X); 2, 3: Dec(X); ELSE X := 0; END; REPEAT Inc(X) UNTIL X > 3; FOR I := 1 TO 3 DO X := X + I; L1: X := 1; WHILE X < 2 DO BEGIN X := X + 1; END; INCLUDE 'lib.pas'; Helper(1);"}},
      {"class": "TQZScreen", "props": {"Key": 20, "Id": "PanelScreen", "AutoInit": false}},
      {"class": "TQZAnim", "props": {"Key": 30, "Id": "Walk"}, "children": [
        {"class": "TQZAnKey", "props": {"Key": 31, "Id": "K1", "Count": 5}, "children": [
          {"class": "TQZImage", "props": {"Key": 32, "Id": "Man", "imImage": "PACKED.png"}}]}]}
    ]})js");
  g.Put("hall.png", Png(4, 4));
  g.Put("tree.bmp", Bmp(4, 4));
  g.Put("strip.png", Png(8, 2));
  g.Put("strip.an", "4\r\n1\r\n");
  g.Put("particles.bmp", Bmp(8, 8));
  g.Put("FX/Sparks.EFF", EffectFile());
  g.Put("lib.pas", "PROCEDURE Helper(A); BEGIN Print(A); END;");
  g.Put("Eng.LNG", "[Default]\r\nTitle=Hello\r\n[Menu]\r\nStart=Go\r\n");
  g.Put("sounds.ini", "[Default]\r\nclick=80:click.wav\r\n[Music]\r\nTheme=50:theme.mp3\r\n");
  ASSERT_NO_FATAL_FAILURE(Sound(g.dir / "click.wav"));
  ASSERT_NO_FATAL_FAILURE(Sound(g.dir / "Sounds" / "theme.ogg"));
  g.Pack({{"PACKED.PNG", Png(2, 2)},
          {"SOUNDS\\CLICK.WAV", ReadFile(g.dir / "click.wav")},
          {"GLOW.EFF", EffectFile()}});
  fs::remove(g.dir / "click.wav");
  auto font = RunCommand({Tool(), "font", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                          "--size", "12", "--name", "Main", "-o", (g.dir / "fonts.fnt").string()});
  ASSERT_EQ(font.status, 0) << font.err;

  CheckResult r = g.Check();
  ASSERT_EQ(r.status, CheckResult::Status::Checked);
  EXPECT_EQ(r.lines, Lines{});
  auto run = RunCommand({Tool(), "check", g.file.string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

// The demo game of this build, when it has been built: nothing to report.
TEST(CheckGame, TheDemoGameIsClean) {
  const fs::path demo = BinDir().parent_path() / "demo";
  std::error_code ec;
  fs::path game;
  for (const auto& entry : fs::directory_iterator(demo, ec))
    if (entry.path().extension() == ".qzf") game = entry.path();
  if (game.empty()) GTEST_SKIP() << "no demo game built in " << demo;
  auto run = RunCommand({Tool(), "check", game.string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

// ---- input that is no game ------------------------------------------------------------------

TEST(CheckGame, InputThatCannotBeChecked) {
  TempDir dir;
  WriteFile(dir / "empty.qzf", "");
  WriteFile(dir / "text.qzf", "hello, this is text");
  WriteFile(dir / "picture.qzf", Png(2, 2));
  testrec::Record screen("TQZScreen");
  testrec::Common(screen, 1, "S");
  WriteFile(dir / "screen.qzf", screen.Bytes());
  struct Case {
    fs::path file;
    std::string message;
  } cases[] = {
      {dir / "missing.qzf", "cannot read " + (dir / "missing.qzf").string()},
      {dir.Path(), dir.Path().string() + " is a folder; name the game file (.qzf) in it"},
      {dir / "empty.qzf", (dir / "empty.qzf").string() +
                              " is not a game file: it does not start with a game record"},
      {dir / "text.qzf", (dir / "text.qzf").string() +
                             " is not a game file: it does not start with a game record"},
      {dir / "picture.qzf", (dir / "picture.qzf").string() +
                                " is not a game file: it does not start with a game record"},
      {dir / "screen.qzf", (dir / "screen.qzf").string() +
                               " is not a game file: its first record is not of class TQZDB"},
  };
  for (const Case& c : cases) {
    auto run = RunCommand({Tool(), "check", c.file.string()});
    EXPECT_EQ(run.status, 2) << c.file;
    EXPECT_EQ(run.out, "") << c.file;
    EXPECT_EQ(run.err, "qazmir-tool check: " + c.message + "\n");
  }
  auto run = RunCommand({Tool(), "--codepage", "NOPE", "check", (dir / "screen.qzf").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "qazmir-tool check: unknown code page NOPE\n");
}

// Any bytes after a TQZDB record header: the check ends with lines, never a crash.
TEST(CheckGame, DamagedGameFilesOfAnyShape) {
  Game g;
  ASSERT_NO_FATAL_FAILURE(MakeBrokenGameFiles(g));
  const std::string good = ReadFile(g.file);
  uint32_t seed = 12345;
  for (int round = 0; round < 40; ++round) {
    std::string bytes = good;
    if (round % 2) bytes.resize(9 + (seed % (bytes.size() - 9)));
    for (int k = 0; k < 8; ++k) {
      seed = seed * 1103515245u + 12345u;
      size_t at = 9 + (seed >> 8) % (bytes.size() - 9);
      bytes[at] = static_cast<char>(seed >> 24);
    }
    WriteFile(g.file, bytes);
    CheckResult r = g.Check();
    EXPECT_EQ(r.status, CheckResult::Status::Checked);
  }
}

}  // namespace
