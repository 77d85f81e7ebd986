#pragma once
// Rasterises a TrueType font with SDL2_ttf into a font record (the unpacked
// data of a kind-3 font archive record), so that tools, tests and the demo
// have real bitmap fonts.
//
// Glyphs cover the single-byte codes firstCode..lastCode of the game's code
// page. Each glyph's width is its advance and its height the font's line
// height; its picture is white with the coverage as alpha, drawn at the
// origin of a pattern as wide as the widest glyph picture. Codes the font has
// no glyph for get width and height 0 and a blank picture. The image stream
// uses pixel format A8R8G8B8 with padded cells.

#include <string>

namespace platform {
class CodePage;
}

namespace render {

struct TtfFontOptions {
  std::string ttfPath;
  int pixelSize = 16;                             // 1 .. kMaxTtfPixelSize
  const platform::CodePage* codePage = nullptr;   // CP1251 when null
  int firstCode = 32;
  int lastCode = 255;
};

inline constexpr int kMaxTtfPixelSize = 256;

// The record bytes, or false with a message in `error`.
bool BuildFontRecordFromTtf(const TtfFontOptions& options, std::string& record,
                            std::string& error);

}  // namespace render
