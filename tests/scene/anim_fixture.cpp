#include "anim_fixture.h"

#include <png.h>

#include <stdexcept>
#include <vector>

#include "platform/codepage.h"

namespace scene_test {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}
void NoFlush(png_structp) {}

}  // namespace

std::string MakeRgbaPng(int width, int height, const PixelFn& pixel) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng write failed");
  }
  png_set_write_fn(png, &out, Append, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = pixel(x, y);
      row[size_t(x) * 4 + 0] = static_cast<png_byte>(c >> 16);
      row[size_t(x) * 4 + 1] = static_cast<png_byte>(c >> 8);
      row[size_t(x) * 4 + 2] = static_cast<png_byte>(c);
      row[size_t(x) * 4 + 3] = static_cast<png_byte>(c >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

SceneRig::SceneRig() : canvas_(frame_), cache_(store_) {
  platform::GameFiles().Reset(dir_.Path(), platform::CodePage::Default());
  root_ = std::make_unique<scene::TQZDB>();
  scene::GameServices services;
  services.host = &host_;
  services.canvas = &canvas_;
  services.images = &cache_;
  root_->SetServices(services);
  frame_.Fill(0xFF000000u);
}

SceneRig::~SceneRig() {
  root_.reset();
  platform::GameFiles().Reset(".", platform::CodePage::Default());
}

void SceneRig::UseCanvas(render::Canvas* canvas) {
  scene::GameServices services = root_->Services();
  services.canvas = canvas ? canvas : &canvas_;
  root_->SetServices(services);
}

void SceneRig::WritePicture(const std::string& name, int width, int height, const PixelFn& pixel,
                            int columns, int rows) {
  WriteFile(name, MakeRgbaPng(width, height, pixel));
  if (columns > 1 || rows > 1) {
    WriteFile(name.substr(0, name.size() - 4) + ".an",
              std::to_string(columns) + "\r\n" + std::to_string(rows) + "\r\n");
  }
}

void SceneRig::WriteFile(const std::string& name, const std::string& bytes) {
  testing_support::WriteFile(dir_.Path() / name, bytes);
  platform::GameFiles().Invalidate();
}

}  // namespace scene_test
