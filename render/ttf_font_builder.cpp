#include "render/ttf_font_builder.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/codepage.h"
#include "render/image_stream.h"
#include "render/render_image.h"

namespace render {

namespace {

struct TtfSession {
  bool started = false;
  TtfSession() {
    if (TTF_WasInit() == 0) started = TTF_Init() == 0;
  }
  ~TtfSession() {
    if (started) TTF_Quit();
  }
  bool Ready() const { return TTF_WasInit() != 0; }
};

struct FontCloser {
  void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
};
struct SurfaceFreer {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFreer>;

struct Glyph {
  int width = 0;
  int height = 0;
  SurfacePtr picture;  // ARGB8888, or null for a blank glyph
};

}  // namespace

bool BuildFontRecordFromTtf(const TtfFontOptions& options, std::string& record,
                            std::string& error) {
  if (options.pixelSize < 1 || options.pixelSize > kMaxTtfPixelSize) {
    error = "size must be between 1 and " + std::to_string(kMaxTtfPixelSize);
    return false;
  }
  if (options.firstCode < 0 || options.lastCode > 255 || options.firstCode > options.lastCode) {
    error = "bad character range";
    return false;
  }
  const platform::CodePage& codePage =
      options.codePage != nullptr ? *options.codePage : platform::CodePage::Default();
  TtfSession session;
  if (!session.Ready()) {
    error = std::string("cannot start SDL_ttf: ") + TTF_GetError();
    return false;
  }
  std::unique_ptr<TTF_Font, FontCloser> font(
      TTF_OpenFont(options.ttfPath.c_str(), options.pixelSize));
  if (!font) {
    error = "cannot open " + options.ttfPath + ": " + TTF_GetError();
    return false;
  }
  const int lineHeight = std::max(1, TTF_FontHeight(font.get()));

  std::vector<Glyph> glyphs;
  int patternWidth = 1;
  int patternHeight = lineHeight;
  for (int code = options.firstCode; code <= options.lastCode; ++code) {
    Glyph glyph;
    const char32_t cp = codePage.ToUnicode(static_cast<unsigned char>(code));
    int minX, maxX, minY, maxY, advance;
    if (TTF_GlyphIsProvided32(font.get(), cp) &&
        TTF_GlyphMetrics32(font.get(), cp, &minX, &maxX, &minY, &maxY, &advance) == 0) {
      glyph.width = advance;
      glyph.height = lineHeight;
      std::string utf8;
      platform::AppendUtf8(utf8, cp);
      SDL_Surface* drawn = TTF_RenderUTF8_Blended(font.get(), utf8.c_str(), SDL_Color{255, 255, 255, 255});
      if (drawn != nullptr) {
        glyph.picture.reset(SDL_ConvertSurfaceFormat(drawn, SDL_PIXELFORMAT_ARGB8888, 0));
        SDL_FreeSurface(drawn);
      }
      if (glyph.picture) {
        patternWidth = std::max(patternWidth, glyph.picture->w);
        patternHeight = std::max(patternHeight, glyph.picture->h);
      }
    }
    glyphs.push_back(std::move(glyph));
  }

  RenderImage image;
  if (!image.Allocate(patternWidth, patternHeight, static_cast<int>(glyphs.size()))) {
    error = "glyph pictures too large";
    return false;
  }
  for (size_t g = 0; g < glyphs.size(); ++g) {
    PatternTexture* pattern = image.MutablePattern(static_cast<int>(g));
    for (int y = 0; y < patternHeight; ++y) {
      uint32_t* row = pattern->Row(y);
      // White everywhere, so that filtering near a glyph's edge never darkens it.
      std::fill(row, row + patternWidth, 0x00FFFFFFu);
    }
    if (const SDL_Surface* s = glyphs[g].picture.get()) {
      for (int y = 0; y < s->h; ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) +
                                                            static_cast<ptrdiff_t>(y) * s->pitch);
        uint32_t* row = pattern->Row(y);
        for (int x = 0; x < s->w; ++x) row[x] = (src[x] & 0xFF000000u) | 0x00FFFFFFu;
      }
    }
    pattern->Finish();
  }

  platform::ByteWriter w;
  w.I32LE(options.firstCode);
  w.I32LE(0);  // extra advance
  w.I32LE(0);  // reserved
  w.I32LE(static_cast<int32_t>(glyphs.size()));
  for (const Glyph& g : glyphs) {
    w.I32LE(g.width);
    w.I32LE(g.height);
  }
  WriteImageStream(w, image);
  record = w.Take();
  return true;
}

}  // namespace render
