// Any bytes as a sprite-sheet file (".an" beside a picture): the image cache
// cuts a real picture by it and every pattern is drawn. The same bytes also
// go through the naming conventions as an image name, and, as pixels, through
// the alpha-mask merge and the "*" and "#" views with their opaque box.

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_folder.h"
#include "platform/path_resolver.h"
#include "render/canvas2d.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "resources/image_conventions.h"

namespace {

const std::filesystem::path& GameFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path dir = fuzzing::ScratchFolder() / "game";
    std::filesystem::create_directories(dir);
    // A 12 x 8 RGBA picture with every pixel different.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 12;
    image.height = 8;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> px(12 * 8 * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 7);
    if (!png_image_write_to_file(&image, (dir / "pic.png").c_str(), 0, px.data(), 0, nullptr))
      std::abort();
    return dir;
  }();
  return folder;
}

resources::DecodedImage PictureFrom(std::string_view bytes, size_t& at, bool indexed) {
  auto next = [&]() -> uint8_t {
    return at < bytes.size() ? static_cast<uint8_t>(bytes[at++]) : 0;
  };
  resources::DecodedImage p;
  p.width = next() % 9 + 1;
  p.height = next() % 9 + 1;
  p.hasAlpha = next() & 1;
  p.bitsPerPixel = indexed ? 8 : 32;
  const size_t n = static_cast<size_t>(p.width) * static_cast<size_t>(p.height);
  p.pixels.resize(n);
  for (uint32_t& px : p.pixels) px = next() * 0x01030507u;
  if (indexed) {
    p.indices.resize(n);
    for (uint8_t& i : p.indices) i = next();
  }
  return p;
}

void CheckBox(const resources::DecodedImage& p) {
  const resources::OpaqueBox box = resources::ComputeOpaqueBox(p);
  if (box.left < 0 || box.top < 0 || box.right >= p.width || box.bottom >= p.height ||
      box.left > box.right || box.top > box.bottom)
    __builtin_trap();
}

void Conventions(std::string_view bytes) {
  resources::SpriteSheetName(bytes);
  resources::MaskedJpegOfBmp(bytes);
  resources::AlternativeMaskedJpegOfBmp(bytes);
  resources::MaskBmpOfJpeg(bytes);
  resources::FormatFromName(bytes);

  size_t at = 0;
  resources::DecodedImage colours = PictureFrom(bytes, at, false);
  const bool indexed = at < bytes.size() && (bytes[at] & 1);
  resources::DecodedImage mask = PictureFrom(bytes, at, indexed);
  resources::DecodedImage merged = resources::ApplyMask(colours, mask);
  if (merged.pixels.size() != colours.pixels.size()) __builtin_trap();
  CheckBox(merged);
  resources::ApplyGreyView(merged);
  CheckBox(merged);
  resources::ApplyAlphaView(merged);
  CheckBox(merged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const resources::SpriteSheet sheet = resources::ParseSpriteSheet(bytes);
  if (sheet.columns < 1 || sheet.rows < 1) __builtin_trap();
  Conventions(bytes);

  static platform::PathResolver files(GameFolder());
  fuzzing::PutFile(GameFolder() / "pic.an", bytes);
  render::ImageStore store;
  resources::ImageCache cache(store);
  cache.SetFiles(&files);
  resources::TQZIm* entry = cache.RequestImage("pic.png", true);
  render::RenderImage* image = cache.TextureOf(entry);
  if (!image) return 0;
  // Patterns narrower than a pixel leave the picture unusable, never broken.
  render::Frame frame(24, 16);
  render::Canvas2D canvas(frame);
  const int count = image->PatternCount();
  for (int p = -1; p <= count && p < 40; ++p) {
    canvas.DrawImage(image, 0xFFFFFFFF, p % 5, 1, p, render::kEffectAlpha);
    canvas.DrawImageRotated(image, 0x80FFFFFF, 8, 8, 0.7, 1.5, p, render::kEffectAlpha);
  }
  canvas.DrawImage(image, 0xFFFFFFFF, 0, 0, count - 1, render::kEffectAlpha);
  return 0;
}
