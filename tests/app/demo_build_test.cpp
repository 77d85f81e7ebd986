// The demo game as the build leaves it in build/demo: pictures, sprite
// sheets, sound effects and effect files in the resource pack; logos, music,
// the particle sheet, the language file (CP1251), the sound table and the
// font archive beside the game file; every name the scene and the sound table
// use found; and the asset generator drawing the same bytes every time.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "app_test_util.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinDir;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;

fs::path Demo() { return BinDir().parent_path() / "demo"; }
fs::path Stage() { return BinDir().parent_path() / "demo-stage"; }

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The entry names of the resource pack, from qazmir-tool ls.
std::set<std::string> PackEntries() {
  auto r = RunCommand({(BinDir() / "qazmir-tool").string(), "ls", (Demo() / "keeperslight.qst").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  std::set<std::string> names;
  std::istringstream lines(r.out);
  std::string size, offset, name;
  while (lines >> size >> offset >> name) names.insert(name);
  return names;
}

bool StartsWith(const std::string& bytes, const std::string& magic) {
  return bytes.compare(0, magic.size(), magic) == 0;
}

// Loose files, each of the kind its name says.
TEST(DemoBuild, LooseFilesBesideTheGameFile) {
  ASSERT_TRUE(fs::exists(Demo() / "keeperslight.qzf"));
  for (const char* logo : {"logos/logo1.jpg", "logos/logo2.jpg"})
    EXPECT_TRUE(StartsWith(ReadFile(Demo() / logo), "\xFF\xD8\xFF")) << logo;
  for (const char* ogg : {"sounds/theme.ogg", "sounds/sea.ogg", "sounds/logo1.ogg", "sounds/logo2.ogg"})
    EXPECT_TRUE(StartsWith(ReadFile(Demo() / ogg), "OggS")) << ogg;
  // The particle sheet: a 32-bit BMP with alpha, cut into 4 x 2 sprites.
  const std::string bmp = ReadFile(Demo() / "particles.bmp");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_TRUE(StartsWith(bmp, "BM"));
  EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 32);
  EXPECT_EQ(ReadFile(Demo() / "particles.an"), "4\r\n2\r\n");
  // The font archive holds the four fonts the texts name.
  const std::string fonts = ReadFile(Demo() / "fonts.dat");
  EXPECT_TRUE(StartsWith(fonts, std::string("\x41\x53\x44\x62", 4)));
  for (const char* name : {"Title", "Big", "Normal", "Small"})
    EXPECT_NE(fonts.find(name), std::string::npos) << name;
}

// The language file is CP1251: the em dash and the ellipsis are single bytes.
TEST(DemoBuild, LanguageFileInTheGameCodePage) {
  const std::string lng = ReadFile(Demo() / "eng.lng");
  EXPECT_NE(lng.find("Title=The Keeper's Light"), std::string::npos);
  EXPECT_NE(lng.find("Linux \x97 every"), std::string::npos);
  EXPECT_NE(lng.find("aside\x85 something"), std::string::npos);
  EXPECT_EQ(lng.find("\xE2\x80"), std::string::npos) << "UTF-8 left in the language file";
}

// Pictures, sprite sheets, effects and sound effects are in the pack; the
// music streams from loose files and is not packed.
TEST(DemoBuild, ResourcePackContents) {
  const auto entries = PackEntries();
  for (const char* name : {"IMAGES\\TITLE.JPG", "IMAGES\\PANEL.PNG", "IMAGES\\MATCHES.AN",
                           "IMAGES\\LAMP.AN", "EFFECTS\\FIRE.EFF", "EFFECTS\\SMOKE.EFF",
                           "EFFECTS\\SPARKLE.EFF", "SOUNDS\\CLICK.WAV", "SOUNDS\\IGNITE.WAV"})
    EXPECT_TRUE(entries.count(name)) << name;
  EXPECT_FALSE(entries.count("SOUNDS\\THEME.OGG"));
  // The effect files carry their JSON descriptions.
  TempDir out;
  auto r = RunCommand({(BinDir() / "qazmir-tool").string(), "unpack",
                       (Demo() / "keeperslight.qst").string(), "-o", out.Path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCommand({(BinDir() / "qazmir-tool").string(), "effect", "--dump",
                  (out / "EFFECTS" / "FIRE.EFF").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"Rate\": 110"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DrawEffect\": 260"), std::string::npos) << r.out;
}

// Every picture and effect file the scene names, and every sound of the
// sound table, is found in the pack or beside the game.
TEST(DemoBuild, EveryNamedResourceExists) {
  const auto entries = PackEntries();
  auto found = [&](const std::string& name, const std::string& loose) {
    return entries.count(Upper(name)) || fs::exists(Demo() / loose);
  };
  auto dump = RunCommand({(BinDir() / "qazmir-tool").string(), "dump", (Demo() / "keeperslight.qzf").string()});
  ASSERT_EQ(dump.status, 0) << dump.err;
  const std::regex named("\"(imImage|ImBack|EffectFN)\": \"([^\"]+)\"");
  int count = 0;
  for (auto it = std::sregex_iterator(dump.out.begin(), dump.out.end(), named); it != std::sregex_iterator(); ++it) {
    std::string name = (*it)[2];
    if (name.empty()) continue;
    name = std::regex_replace(name, std::regex("\\\\\\\\"), "\\");  // JSON "\\" is one backslash
    EXPECT_TRUE(found(name, std::regex_replace(name, std::regex("\\\\"), "/"))) << name;
    ++count;
  }
  EXPECT_GT(count, 30);

  const std::string table = ReadFile(Demo() / "sounds.ini");
  const std::regex entry("\\n\\w+=\\d+:([\\w.]+)");
  int sounds = 0;
  for (auto it = std::sregex_iterator(table.begin(), table.end(), entry); it != std::sregex_iterator(); ++it) {
    const std::string file = (*it)[1];
    EXPECT_TRUE(found("sounds\\" + file, "sounds/" + file)) << file;
    ++sounds;
  }
  EXPECT_EQ(sounds, 14);
}

// The generator draws the same pictures and synthesises the same effects on
// every run, so the demo (and the screenshots its test checks) look the same
// on every build.
TEST(DemoBuild, GeneratorIsDeterministic) {
  TempDir again;
  TempDir lang;
  testing_support::WriteFile(lang / "in.lng", "[Default]\nTitle=x\n");
  auto r = RunCommand({(BinDir() / "qz-demo-assets").string(), "--pack", (again / "pack").string(),
                       "--loose", (again / "loose").string(), "--font",
                       "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "--lang",
                       (lang / "in.lng").string(), (lang / "out.lng").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  int compared = 0;
  for (const char* part : {"pack", "loose"}) {
    for (const auto& f : fs::recursive_directory_iterator(again / part)) {
      if (!f.is_regular_file()) continue;
      const fs::path rel = fs::relative(f.path(), again.Path());
      // Each OGG stream gets a random serial number from the encoder.
      if (rel.extension() == ".ogg") continue;
      EXPECT_TRUE(ReadFile(f.path()) == ReadFile(Stage() / rel)) << rel;
      ++compared;
    }
  }
  EXPECT_GT(compared, 40);
}

}  // namespace
