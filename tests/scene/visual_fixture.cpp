#include "tests/scene/visual_fixture.h"

#include <png.h>

#include <cstdio>

#include "platform/byte_reader.h"
#include "platform/codepage.h"
#include "platform/path_resolver.h"
#include "render/font_archive.h"
#include "render/image_stream.h"
#include "render/render_image.h"

namespace scene {
namespace visual_test {

void WritePngFile(const std::filesystem::path& path, int width, int height, const PixelFn& pixel) {
  std::filesystem::create_directories(path.parent_path());
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    FAIL() << "libpng failed writing " << path;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = pixel(x, y);
      row[x * 4 + 0] = static_cast<png_byte>(c >> 16);
      row[x * 4 + 1] = static_cast<png_byte>(c >> 8);
      row[x * 4 + 2] = static_cast<png_byte>(c);
      row[x * 4 + 3] = static_cast<png_byte>(c >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

std::string BlockFontRecord(int width, int height) {
  const int first = 32, last = 126;
  const int count = last - first + 1;
  render::RenderImage image;
  EXPECT_TRUE(image.Allocate(width, height, count));
  for (int g = 0; g < count; ++g) {
    render::PatternTexture* p = image.MutablePattern(g);
    const uint32_t fill = (g + first == ' ') ? 0x00FFFFFFu : 0xFFFFFFFFu;
    for (int y = 0; y < height; ++y) std::fill(p->Row(y), p->Row(y) + width, fill);
    p->Finish();
  }
  platform::ByteWriter w;
  w.I32LE(first);
  w.I32LE(0);  // extra advance
  w.I32LE(0);  // reserved
  w.I32LE(count);
  for (int g = 0; g < count; ++g) {
    w.I32LE(width);
    w.I32LE(height);
  }
  render::WriteImageStream(w, image);
  return w.Take();
}

std::vector<std::string>& VisualTest::Runs() {
  static std::vector<std::string> runs;
  return runs;
}

std::function<void(TQZElement&, const char*)>& VisualTest::OnRun() {
  static std::function<void(TQZElement&, const char*)> f;
  return f;
}

void VisualTest::SetUp() {
  saved_ = GetScriptHooks();
  GetScriptHooks().Prepare = nullptr;
  GetScriptHooks().Run = [](TQZElement& e, const script::ScriptSlot& slot, const char* context,
                            script::TVarList*) {
    if (slot.Source.empty()) return;
    Runs().push_back((e.Root() == &e ? std::string("QZDB") : e.Id) + ":" + context);
    if (OnRun()) OnRun()(e, context);
  };
  Runs().clear();
  OnRun() = nullptr;
  platform::GameFiles().Reset(game_.Path(), platform::CodePage::Default());
  root_.SetServices({&host_, &canvas_, nullptr, &cache_, &fonts_});
}

void VisualTest::TearDown() {
  GetScriptHooks() = saved_;
  OnRun() = nullptr;
}

void VisualTest::Png(const std::string& name, int width, int height, const PixelFn& pixel) {
  WritePngFile(game_.Path() / name, width, height, pixel);
  platform::GameFiles().Invalidate();
}

void VisualTest::SolidPng(const std::string& name, int width, int height, uint32_t argb) {
  Png(name, width, height, [argb](int, int) { return argb; });
}

void VisualTest::Sheet(const std::string& anName, int columns, int rows) {
  testing_support::WriteFile(game_.Path() / anName,
                             std::to_string(columns) + "\r\n" + std::to_string(rows) + "\r\n");
  platform::GameFiles().Invalidate();
}

void VisualTest::LoadBlockFonts() {
  render::FontArchiveWriter writer;
  const std::string block = BlockFontRecord(10, 20);
  const std::string small = BlockFontRecord(6, 10);
  writer.AddRecord("Block", render::kFontRecordKind,
                   {reinterpret_cast<const uint8_t*>(block.data()), block.size()});
  writer.AddRecord("Small", render::kFontRecordKind,
                   {reinterpret_cast<const uint8_t*>(small.data()), small.size()});
  testing_support::WriteFile(game_.Path() / "fonts.dat", writer.Build());
  platform::GameFiles().Invalidate();
  root_.SetFileFonts("fonts.dat");
  ASSERT_NE(fonts_.FindFont("block"), nullptr);
}

TQZScreen* VisualTest::NewScreen(int32_t key) {
  auto* screen = dynamic_cast<TQZScreen*>(root_.CreateChild("TQZScreen"));
  screen->SetKey(key);
  root_.SetCurrentScreen(screen);
  return screen;
}

void VisualTest::Render() {
  frame_.Fill(0xFF000000u);
  canvas_.SetClipRect({0, 0, frame_.Width(), frame_.Height()});
  TQZElement* screen = root_.CurrentScreen();
  if (!screen) return;
  for (int64_t layer = root_.MinOrder; layer <= root_.MaxOrder; ++layer)
    screen->Paint(static_cast<int32_t>(layer), 0xFFFFFFFFu, 0, 0, 0);
}

int VisualTest::Count(int left, int top, int right, int bottom, uint32_t rgb) const {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += Rgb(x, y) == (rgb & 0xFFFFFFu);
  return n;
}

std::array<int, 4> VisualTest::Extent() const {
  std::array<int, 4> box{-1, -1, -1, -1};
  for (int y = 0; y < frame_.Height(); ++y) {
    for (int x = 0; x < frame_.Width(); ++x) {
      if (Rgb(x, y) == 0) continue;
      if (box[0] < 0 || x < box[0]) box[0] = x;
      if (box[1] < 0) box[1] = y;
      box[2] = std::max(box[2], x);
      box[3] = y;
    }
  }
  return box;
}

}  // namespace visual_test
}  // namespace scene
