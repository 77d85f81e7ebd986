// Any bytes as the unicode font table (unicode\unicode.fnt) of a game folder:
// the root loads the game, reads the table and the glyph of every code can be
// looked up. The table never holds more entries than UTF-16 has code units.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_folder.h"
#include "platform/path_resolver.h"
#include "scene/db.h"

namespace {

const std::filesystem::path& GameFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path dir = fuzzing::ScratchFolder() / "game";
    std::filesystem::create_directories(dir / "unicode");
    fuzzing::PutFile(dir / "game.qzf", "");
    fuzzing::PutFile(dir / "unicode" / "unicode.lng", "[Default]\r\nTitle=T\r\n");
    platform::GameFiles().Reset(dir, platform::CodePage::Default());
    return dir;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::PutFile(GameFolder() / "unicode" / "unicode.fnt",
                   std::string_view(reinterpret_cast<const char*>(data), size));
  scene::TQZDB root;
  root.SetGameFileName("game.qzf");
  root.LoadGame();
  if (!root.UnicodeMode()) __builtin_trap();
  const auto& table = root.UnicodeTable();
  if (table.size() > 0x10000) __builtin_trap();
  // Every entry is read, as the text drawing reads them.
  uint64_t sum = 0;
  for (const scene::UnicodeGlyph& g : table) sum += g.glyph + g.advance;
  if (sum > UINT64_C(0x10000) * 0x20000) __builtin_trap();
  root.LookupText("Title");
  return 0;
}
