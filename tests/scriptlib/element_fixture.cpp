#include "element_fixture.h"

#include <png.h>

#include <vector>

#include "harness.h"
#include "platform/codepage.h"
#include "platform/path_resolver.h"
#include "platform/random.h"
#include "scriptlib/natives.h"
#include "support/bmp_file.h"
#include "support/process_state.h"

namespace scriptlib_test {

void ElementGame::SetUp() {
  platform::GameFiles().Reset(game_.Path(), platform::CodePage::Default());
  root_.SetServices({&host_, &canvas_, nullptr, &cache_, nullptr});
  root_.SetId("G");
  root_.SetKey(1);
  Runner().SetRoot(&root_);
  scriptlib::RegisterNativesInPool();
  platform::GlobalRandom().Seed(7);
}

void ElementGame::TearDown() {
  // A screen switch a test left half done leaves the flag set.
  testing_support::ResetProcessStates();
  Runner().SetRoot(nullptr);
  platform::GameFiles().Reset(".", platform::CodePage::Default());
}

std::string ElementGame::Run(const std::string& text) {
  Script(&root_, scene::Ev::Process, text);
  root_.DoProcess();
  return Runner().Interpreter(1).ErrorMessage();
}

std::string ElementGame::Var(const std::string& name) {
  const script::TVar* v = Runner().Interpreter(1).Variables().Find(name);
  return v ? Show(v->value) : "<none>";
}

void ElementGame::Png(const std::string& name, int width, int height,
                      const std::function<uint32_t(int, int)>& pixel) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t argb = pixel(x, y);
      uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(argb >> 16);
      p[1] = static_cast<uint8_t>(argb >> 8);
      p[2] = static_cast<uint8_t>(argb);
      p[3] = static_cast<uint8_t>(argb >> 24);
    }
  const std::filesystem::path file = game_.Path() / name;
  ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, px.data(), 0, nullptr));
  platform::GameFiles().Invalidate();
}

void ElementGame::SolidBmp(const std::string& name, int width, int height, uint32_t rgb) {
  testing_support::WriteFile(game_.Path() / name, testing_support::SolidBmp(width, height, rgb));
  platform::GameFiles().Invalidate();
}

}  // namespace scriptlib_test
