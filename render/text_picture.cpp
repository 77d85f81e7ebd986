#include "render/text_picture.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/file_io.h"
#include "render/render_image.h"

namespace render {

namespace {

// TrueType files of a few megabytes are usual; a whole CJK font stays far below this.
constexpr uint64_t kMaxFontFileBytes = uint64_t{256} << 20;

// The font of the last call, kept open: texts are drawn again whenever they
// change (each typed character of a focused text), always with the same font.
class OpenFont {
 public:
  ~OpenFont() { Close(); }

  TTF_Font* Get(const std::string& path, int size) {
    if (font_ && path == path_ && size == size_) return font_;
    Close();
    if (TTF_WasInit() == 0) {
      if (TTF_Init() != 0) return nullptr;
      started_ = true;
    }
    // The font file comes from the game's folder: it is read through the
    // folder's confinement and the library gets the bytes, never the path.
    // They stay alive as long as the font does.
    auto bytes = platform::ReadWholeFile(path, kMaxFontFileBytes);
    if (!bytes) return nullptr;
    bytes_ = std::move(*bytes);
    SDL_RWops* rw = SDL_RWFromConstMem(bytes_.data(), static_cast<int>(bytes_.size()));
    font_ = rw ? TTF_OpenFontRW(rw, 1, size) : nullptr;
    if (font_) {
      path_ = path;
      size_ = size;
    }
    return font_;
  }

 private:
  void Close() {
    if (font_) TTF_CloseFont(font_);
    font_ = nullptr;
    bytes_.clear();
    path_.clear();
    if (started_) TTF_Quit();
    started_ = false;
  }

  TTF_Font* font_ = nullptr;
  std::string bytes_;
  std::string path_;
  int size_ = 0;
  bool started_ = false;
};

OpenFont& Font() {
  static OpenFont font;
  return font;
}

}  // namespace

TextPictureError RenderTextPicture(const std::string& fontPath, int pixelSize,
                                   std::u16string_view text, TextPicture& out) {
  out = TextPicture{};
  // The font functions stop at a zero code unit.
  text = text.substr(0, std::min(text.size(), text.find(u'\0')));
  if (text.empty()) return TextPictureError::kEmptyText;
  if (pixelSize < 1 || pixelSize > 1000) return TextPictureError::kCannotOpen;
  TTF_Font* font = Font().Get(fontPath, pixelSize);
  if (!font) return TextPictureError::kCannotOpen;
  const std::string utf8 = platform::Utf16ToUtf8(text);
  int width = 0, height = 0;
  if (TTF_SizeUTF8(font, utf8.c_str(), &width, &height) != 0)
    return TextPictureError::kRenderFailed;
  if (width <= 0 || height <= 0) return TextPictureError::kEmptyText;
  if (width > kMaxTextureSide || height > kMaxTextureSide) return TextPictureError::kTooLarge;

  SDL_Surface* drawn = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
  if (!drawn) return TextPictureError::kRenderFailed;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(drawn, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(drawn);
  if (!argb) return TextPictureError::kRenderFailed;

  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
  // White glyphs over black: the coverage becomes the grey level.
  const int rows = std::min(height, argb->h);
  const int columns = std::min(width, argb->w);
  for (int y = 0; y < rows; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                        static_cast<ptrdiff_t>(y) * argb->pitch);
    uint32_t* dst = out.pixels.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < columns; ++x) {
      const uint32_t a = src[x] >> 24;
      dst[x] = 0xFF000000u | (a << 16) | (a << 8) | a;
    }
  }
  SDL_FreeSurface(argb);
  return TextPictureError::kNone;
}

}  // namespace render
