#include "app_test_util.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>

namespace apptest {

using testing_support::BinDir;
using testing_support::RunCommand;
using testing_support::WriteFile;

void BuildGame(const std::filesystem::path& folder, const std::string& name,
               const std::string& sceneJson) {
  std::filesystem::create_directories(folder);
  auto json = folder / (name + ".json");
  WriteFile(json, sceneJson);
  auto r = RunCommand({(BinDir() / "qazmir-tool").string(), "build", json.string(), "-o",
                       (folder / (name + ".qzf")).string()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::filesystem::remove(json);
}

void WriteJpeg(const std::filesystem::path& file, int width, int height, uint8_t r, uint8_t g,
               uint8_t b) {
  std::filesystem::create_directories(file.parent_path());
  FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[static_cast<size_t>(x) * 3] = r;
    row[static_cast<size_t>(x) * 3 + 1] = g;
    row[static_cast<size_t>(x) * 3 + 2] = b;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

void WritePng(const std::filesystem::path& file, int width, int height, uint32_t argb) {
  std::filesystem::create_directories(file.parent_path());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    px[i] = static_cast<uint8_t>(argb >> 16);
    px[i + 1] = static_cast<uint8_t>(argb >> 8);
    px[i + 2] = static_cast<uint8_t>(argb);
    px[i + 3] = static_cast<uint8_t>(argb >> 24);
  }
  ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, px.data(), 0, nullptr));
}

bool ReadPng(const std::filesystem::path& file, int& width, int& height,
             std::vector<uint32_t>& argb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> px(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, px.data(), 0, nullptr)) return false;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  argb.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < argb.size(); ++i)
    argb[i] = px[i * 4] | (px[i * 4 + 1] << 8) | (px[i * 4 + 2] << 16) |
              (static_cast<uint32_t>(px[i * 4 + 3]) << 24);
  return true;
}

app::PlayerOptions HeadlessOptions(const std::filesystem::path& game,
                                   const std::filesystem::path& userDir, int64_t passes,
                                   const std::string& input) {
  app::PlayerOptions o;
  o.headless = true;
  o.steps = passes;
  o.seed = 1;
  o.userDir = userDir.string();
  o.game = game.string();
  if (!input.empty()) {
    WriteFile(game / "input.txt", input);
    o.inputFile = (game / "input.txt").string();
  }
  return o;
}

testing_support::CommandResult RunPlayer(const std::filesystem::path& userDir,
                                         const std::vector<std::string>& args) {
  std::vector<std::string> argv = {(BinDir() / "qazmir").string(), "--headless", "--seed", "7",
                                   "--user-dir", userDir.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCommand(argv);
}

}  // namespace apptest
