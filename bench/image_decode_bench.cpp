// Image decoding speed: 200 loads of 1024 x 768 PNG and JPEG files through the
// image decoders, next to the same decode by the libraries' own tools.
//
//   JPEG: djpeg (libjpeg-turbo's command-line decoder), one process per file,
//         shown with and without the cost of starting a process.
//   PNG:  libpng has no command-line decoder (pngfix, in libpng-tools, only
//         checks the compressed stream, far more slowly than a decode); its
//         simplified API, the library's own whole-image reader, decodes the
//         same files in this process instead.
//
// Prints megapixels per second and our speed divided by the peer's.

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/game_pictures.h"
#include "platform/file_io.h"
#include "resources/decoded_image.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr int kWidth = bench::kPictureWidth;
constexpr int kHeight = bench::kPictureHeight;
constexpr int kDistinct = 10;  // distinct pictures per format
constexpr int kLoads = 200;    // loads per decoder
constexpr double kMegapixels = kWidth * kHeight / 1e6;

double Seconds(const std::function<bool(const fs::path&)>& load,
               const std::vector<fs::path>& files) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kLoads; ++i) {
    if (!load(files[static_cast<size_t>(i) % files.size()])) {
      std::fprintf(stderr, "load failed: %s\n",
                   files[static_cast<size_t>(i) % files.size()].c_str());
      std::exit(1);
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool OurDecode(const fs::path& path) {
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return false;
  resources::DecodedImage img;
  return resources::DecodeImage(resources::FormatFromName(path.string()),
                                {reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()},
                                img) == resources::DecodeError::None;
}

bool LibpngSimplified(const fs::path& path) {
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes->data(), bytes->size())) return false;
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
  bool ok = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

bool Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HaveTool(const char* name) {
  std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

void Line(const char* what, double seconds, double oursSeconds = 0) {
  double mps = kLoads * kMegapixels / seconds;
  if (oursSeconds > 0) {
    std::printf("  %-44s %8.1f MP/s   ours / this = %.2f\n", what, mps, seconds / oursSeconds);
  } else {
    std::printf("  %-44s %8.1f MP/s\n", what, mps);
  }
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("qz-bench-decode-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::vector<fs::path> pngs, jpegs;
  for (int i = 0; i < kDistinct; ++i) {
    auto rgba = bench::MakeBackground(i);
    pngs.push_back(dir / ("img" + std::to_string(i) + ".png"));
    jpegs.push_back(dir / ("img" + std::to_string(i) + ".jpg"));
    bench::WritePng(pngs.back(), rgba);
    bench::WriteJpeg(jpegs.back(), rgba);
  }
  // Warm the page cache so every decoder reads from memory.
  for (const auto& f : pngs) OurDecode(f);
  for (const auto& f : jpegs) OurDecode(f);

  std::printf("%d loads of %d x %d pictures per decoder (%d distinct files each)\n", kLoads, kWidth,
              kHeight, kDistinct);
  const double spawn =
      HaveTool("true") ? Seconds([](const fs::path&) { return Run({"true"}); }, jpegs) : 0;

  std::printf("JPEG (quality 90, 4:2:0)\n");
  const double ourJpeg = Seconds(OurDecode, jpegs);
  Line("resources::DecodeJpeg", ourJpeg);
  if (HaveTool("djpeg")) {
    const double djpeg = Seconds(
        [](const fs::path& f) {
          return Run({"djpeg", "-outfile", "/dev/null", f.string()});
        },
        jpegs);
    Line("djpeg, one process per file", djpeg, ourJpeg);
    if (spawn > 0 && djpeg > spawn)
      Line("djpeg, process start-up subtracted", djpeg - spawn, ourJpeg);
  } else {
    std::printf("  djpeg not installed (libjpeg-turbo-progs)\n");
  }

  std::printf("PNG (RGBA, 8-bit)\n");
  const double ourPng = Seconds(OurDecode, pngs);
  Line("resources::DecodePng", ourPng);
  Line("libpng simplified API, in process", Seconds(LibpngSimplified, pngs), ourPng);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
