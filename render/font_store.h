#pragma once
// FontStore: the bitmap fonts of the game, loaded from its font archive.
//
// Font objects are never destroyed while the store lives: elements keep the
// RenderFont they found by name, and the fonts are released and loaded again
// on every window/full-screen switch. ReleaseFonts empties the fonts (they
// then draw nothing); loading a record whose name matches an earlier font
// (ignoring case) fills that same object again, so a kept pointer comes back
// to life instead of dangling.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/font_archive.h"
#include "render/render_font.h"

namespace platform {
class CodePage;
}

namespace render {

struct FontLoadResult {
  ArchiveError error = ArchiveError::kNone;  // why loading stopped early, if it did
  int fontsLoaded = 0;
  int securedSkipped = 0;
};

class FontStore {
 public:
  // Names compare without regard to letter case in this code page (CP1251 when null).
  explicit FontStore(const platform::CodePage* codePage = nullptr);
  FontStore(const FontStore&) = delete;
  FontStore& operator=(const FontStore&) = delete;

  // Releases the current fonts, then creates one font per kind-3 record of the
  // archive, in archive order, named by the record's name. Other kinds are
  // ignored; secured records (the player holds no key for them) are skipped
  // and loading goes on. Loading stops at the first font record that cannot
  // be read: a table entry or header outside the file, a zlib stream that
  // does not inflate to exactly its stated size, or a font record whose
  // glyph table or image stream is broken. The fonts before it stay loaded.
  FontLoadResult LoadFontArchive(const std::string& path);
  FontLoadResult LoadFontArchive(const FontArchive& archive);

  void ReleaseFonts();

  // The first loaded font whose name equals `name` ignoring letter case, or null.
  RenderFont* FindFont(std::string_view name) const;

  // The loaded fonts in archive order.
  const std::vector<RenderFont*>& Fonts() const { return loaded_; }

 private:
  bool SameName(std::string_view a, std::string_view b) const;
  RenderFont* ObjectFor(const std::string& name);

  const platform::CodePage* codePage_;
  std::vector<std::unique_ptr<RenderFont>> all_;
  std::vector<RenderFont*> loaded_;
};

}  // namespace render
