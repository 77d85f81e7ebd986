// Software canvas benchmark: a stress scene in milliseconds per frame, and the
// same unscaled and scaled/rotated sprites drawn by pixman and by SDL2's
// software renderer in the same run, with the ratios printed at the end.
//
// Stress scene: a full-screen opaque background, 200 alpha-blended 128 x 128
// sprites unscaled, 200 scaled and rotated with bilinear filtering, 5000
// additive 16 x 16 particles (tinted, rotated) and 20 lines of text.

#include <SDL.h>
#include <benchmark/benchmark.h>

#ifdef QZ_HAVE_PIXMAN
#include <pixman.h>
#endif

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "render/canvas2d.h"
#include "render/font_store.h"
#include "render/image_store.h"
#include "render/ttf_font_builder.h"

namespace {

constexpr int kSprites = 200;
constexpr int kParticles = 5000;
constexpr int kTextLines = 20;

uint32_t NextRandom(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

// A 128 x 128 sprite: a shaded disc with a soft edge and a transparent margin.
std::vector<uint32_t> SpritePixels(int size, double radius) {
  std::vector<uint32_t> px(static_cast<size_t>(size) * size);
  const double c = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - c, y - c);
      double a = std::clamp((radius - d) / (radius * 0.25), 0.0, 1.0);
      const uint32_t alpha = static_cast<uint32_t>(a * 255 + 0.5);
      const uint32_t r = static_cast<uint32_t>(x * 255 / (size - 1));
      const uint32_t g = static_cast<uint32_t>(y * 255 / (size - 1));
      px[static_cast<size_t>(y) * size + x] = alpha << 24 | r << 16 | g << 8 | 0x80;
    }
  }
  return px;
}

struct Placement {
  double x, y, angle, scale;
  uint32_t colour;
};

struct Scene {
  render::ImageStore store;
  render::RenderImage* background = nullptr;
  render::RenderImage* sprite = nullptr;
  render::RenderImage* particle = nullptr;
  render::FontStore fonts;
  render::RenderFont* font = nullptr;
  std::vector<uint32_t> backgroundPixels;
  std::vector<uint32_t> spritePixels;
  std::vector<Placement> unscaled, rotated, particles;

  Scene() {
    backgroundPixels.resize(1024 * 768);
    for (int y = 0; y < 768; ++y)
      for (int x = 0; x < 1024; ++x)
        backgroundPixels[static_cast<size_t>(y) * 1024 + x] =
            0xFF000000u | (x / 4) << 16 | (y / 3) << 8 | ((x + y) & 0xFF);
    background = store.AddImage();
    store.LoadImagePixels(background, render::BitmapView::Argb(backgroundPixels.data(), 1024, 768, false), 1, 1);
    spritePixels = SpritePixels(128, 60);
    sprite = store.AddImage();
    store.LoadImagePixels(sprite, render::BitmapView::Argb(spritePixels.data(), 128, 128, true), 1, 1);
    const std::vector<uint32_t> dot = SpritePixels(16, 7.5);
    particle = store.AddImage();
    store.LoadImagePixels(particle, render::BitmapView::Argb(dot.data(), 16, 16, true), 1, 1);

    uint32_t seed = 42;
    for (int i = 0; i < kSprites; ++i) {
      unscaled.push_back({static_cast<double>(NextRandom(seed) % 960) - 32,
                          static_cast<double>(NextRandom(seed) % 700) - 32, 0, 1, 0xFFFFFFFF});
      rotated.push_back({static_cast<double>(NextRandom(seed) % 1024),
                         static_cast<double>(NextRandom(seed) % 768),
                         (NextRandom(seed) % 6283) / 1000.0, 0.5 + (NextRandom(seed) % 1000) / 1000.0,
                         0xFFFFFFFF});
    }
    for (int i = 0; i < kParticles; ++i) {
      particles.push_back({static_cast<double>(NextRandom(seed) % 1024),
                           static_cast<double>(NextRandom(seed) % 768),
                           (NextRandom(seed) % 6283) / 1000.0, 0.75 + (NextRandom(seed) % 500) / 1000.0,
                           0xC0000000u | (NextRandom(seed) & 0xFFFFFF)});
    }

    render::TtfFontOptions options;
    options.ttfPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    options.pixelSize = 20;
    std::string record, error;
    if (render::BuildFontRecordFromTtf(options, record, error)) {
      render::FontArchiveWriter writer;
      writer.AddRecord("Sans", 3, {reinterpret_cast<const uint8_t*>(record.data()), record.size()});
      render::FontArchive archive;
      archive.Parse(writer.Build());
      fonts.LoadFontArchive(archive);
      font = fonts.FindFont("Sans");
    }
  }

  void DrawUnscaled(render::Canvas& c) const {
    c.SetSmoothing(false);
    for (const Placement& p : unscaled) c.DrawImage(sprite, p.colour, p.x, p.y, 0, 0x504);
  }
  void DrawRotated(render::Canvas& c) const {
    c.SetSmoothing(true);
    for (const Placement& p : rotated)
      c.DrawImageRotated(sprite, p.colour, p.x, p.y, p.angle, p.scale, 0, 0x504);
  }
  void DrawParticles(render::Canvas& c) const {
    c.SetSmoothing(true);
    for (const Placement& p : particles)
      c.DrawImageRotated(particle, p.colour, p.x, p.y, p.angle, p.scale, 0, 0x104);
  }
  void DrawText(render::Canvas& c) const {
    if (font == nullptr) return;
    c.SetSmoothing(false);
    for (int line = 0; line < kTextLines; ++line) {
      font->TextOut(c, "The quick brown fox jumps over the lazy dog 0123456789", 20, 20 + line * 36,
                    0xFFFFFFFF, 0xFFFFC040, 0x504);
    }
  }
  void DrawFrame(render::Canvas& c) const {
    c.SetSmoothing(false);
    c.DrawImage(background, 0xFFFFFFFF, 0, 0, 0, 1);
    DrawUnscaled(c);
    DrawRotated(c);
    DrawParticles(c);
    DrawText(c);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_StressScene(benchmark::State& state) {
  Scene& scene = TheScene();
  render::Frame frame;
  render::Canvas2D canvas(frame);
  for (auto _ : state) {
    scene.DrawFrame(canvas);
    benchmark::DoNotOptimize(frame.Data());
  }
}
BENCHMARK(BM_StressScene)->Unit(benchmark::kMillisecond);

// The parts of the stress scene on their own.
void BM_Part_Particles(benchmark::State& state) {
  Scene& scene = TheScene();
  render::Frame frame;
  render::Canvas2D canvas(frame);
  for (auto _ : state) {
    scene.DrawParticles(canvas);
    benchmark::DoNotOptimize(frame.Data());
  }
}
BENCHMARK(BM_Part_Particles)->Unit(benchmark::kMillisecond);

void BM_Part_Text(benchmark::State& state) {
  Scene& scene = TheScene();
  render::Frame frame;
  render::Canvas2D canvas(frame);
  for (auto _ : state) {
    scene.DrawText(canvas);
    benchmark::DoNotOptimize(frame.Data());
  }
}
BENCHMARK(BM_Part_Text)->Unit(benchmark::kMillisecond);

void BM_Unscaled_Canvas2D(benchmark::State& state) {
  Scene& scene = TheScene();
  render::Frame frame;
  render::Canvas2D canvas(frame);
  for (auto _ : state) {
    scene.DrawUnscaled(canvas);
    benchmark::DoNotOptimize(frame.Data());
  }
}
BENCHMARK(BM_Unscaled_Canvas2D)->Unit(benchmark::kMillisecond);

void BM_Rotated_Canvas2D(benchmark::State& state) {
  Scene& scene = TheScene();
  render::Frame frame;
  render::Canvas2D canvas(frame);
  for (auto _ : state) {
    scene.DrawRotated(canvas);
    benchmark::DoNotOptimize(frame.Data());
  }
}
BENCHMARK(BM_Rotated_Canvas2D)->Unit(benchmark::kMillisecond);

// ---- pixman ---------------------------------------------------------------
#ifdef QZ_HAVE_PIXMAN

struct PixmanImages {
  std::vector<uint32_t> premultiplied;
  pixman_image_t* sprite = nullptr;
  render::Frame frame;
  pixman_image_t* target = nullptr;
  PixmanImages() {
    const Scene& scene = TheScene();
    premultiplied = scene.spritePixels;
    for (uint32_t& p : premultiplied) {
      const uint32_t a = p >> 24;
      auto ch = [&](int s) { return ((p >> s & 0xFF) * a + 127) / 255 << s; };
      p = a << 24 | ch(16) | ch(8) | ch(0);
    }
    sprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, 128, 128, premultiplied.data(), 128 * 4);
    target = pixman_image_create_bits(PIXMAN_x8r8g8b8, 1024, 768, frame.Data(), 1024 * 4);
  }
  ~PixmanImages() {
    pixman_image_unref(sprite);
    pixman_image_unref(target);
  }
};

void BM_Unscaled_Pixman(benchmark::State& state) {
  const Scene& scene = TheScene();
  PixmanImages px;
  pixman_image_set_transform(px.sprite, nullptr);
  pixman_image_set_filter(px.sprite, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    for (const Placement& p : scene.unscaled) {
      pixman_image_composite32(PIXMAN_OP_OVER, px.sprite, nullptr, px.target, 0, 0, 0, 0,
                               static_cast<int>(p.x), static_cast<int>(p.y), 128, 128);
    }
    benchmark::DoNotOptimize(px.frame.Data());
  }
}
BENCHMARK(BM_Unscaled_Pixman)->Unit(benchmark::kMillisecond);

void BM_Rotated_Pixman(benchmark::State& state) {
  const Scene& scene = TheScene();
  PixmanImages px;
  pixman_image_set_filter(px.sprite, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(px.sprite, PIXMAN_REPEAT_NONE);
  for (auto _ : state) {
    for (const Placement& p : scene.rotated) {
      // Destination box of the rotated sprite, and the transform from destination back to source.
      const double half = 64 * p.scale * (std::fabs(std::cos(p.angle)) + std::fabs(std::sin(p.angle)));
      const int x0 = static_cast<int>(std::floor(p.x - half));
      const int y0 = static_cast<int>(std::floor(p.y - half));
      const int size = static_cast<int>(std::ceil(2 * half)) + 1;
      pixman_f_transform f;
      pixman_f_transform_init_identity(&f);
      pixman_f_transform_translate(&f, nullptr, -64, -64);
      pixman_f_transform_scale(&f, nullptr, p.scale, p.scale);
      pixman_f_transform_rotate(&f, nullptr, std::cos(p.angle), std::sin(p.angle));
      pixman_f_transform_translate(&f, nullptr, p.x - x0, p.y - y0);
      pixman_f_transform inverse;
      pixman_f_transform_invert(&inverse, &f);
      pixman_transform t;
      pixman_transform_from_pixman_f_transform(&t, &inverse);
      pixman_image_set_transform(px.sprite, &t);
      pixman_image_composite32(PIXMAN_OP_OVER, px.sprite, nullptr, px.target, 0, 0, 0, 0, x0, y0,
                               size, size);
    }
    benchmark::DoNotOptimize(px.frame.Data());
  }
}
BENCHMARK(BM_Rotated_Pixman)->Unit(benchmark::kMillisecond);

#endif  // QZ_HAVE_PIXMAN

// ---- SDL2 software renderer ------------------------------------------------

struct SdlSoftware {
  render::Frame frame;
  SDL_Surface* target = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* sprite = nullptr;
  SdlSoftware() {
    target = SDL_CreateRGBSurfaceWithFormatFrom(frame.Data(), 1024, 768, 32, 1024 * 4,
                                                SDL_PIXELFORMAT_RGB888);
    renderer = SDL_CreateSoftwareRenderer(target);
    Scene& scene = TheScene();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(scene.spritePixels.data(), 128, 128, 32,
                                                        128 * 4, SDL_PIXELFORMAT_ARGB8888);
    sprite = SDL_CreateTextureFromSurface(renderer, s);
    SDL_FreeSurface(s);
    SDL_SetTextureBlendMode(sprite, SDL_BLENDMODE_BLEND);
  }
  ~SdlSoftware() {
    SDL_DestroyTexture(sprite);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(target);
  }
};

void BM_Unscaled_SdlSoftware(benchmark::State& state) {
  const Scene& scene = TheScene();
  SdlSoftware sdl;
  SDL_SetTextureScaleMode(sdl.sprite, SDL_ScaleModeNearest);
  for (auto _ : state) {
    for (const Placement& p : scene.unscaled) {
      const SDL_Rect dst{static_cast<int>(p.x), static_cast<int>(p.y), 128, 128};
      SDL_RenderCopy(sdl.renderer, sdl.sprite, nullptr, &dst);
    }
    SDL_RenderFlush(sdl.renderer);
    benchmark::DoNotOptimize(sdl.frame.Data());
  }
}
BENCHMARK(BM_Unscaled_SdlSoftware)->Unit(benchmark::kMillisecond);

void BM_Rotated_SdlSoftware(benchmark::State& state) {
  const Scene& scene = TheScene();
  SdlSoftware sdl;
  SDL_SetTextureScaleMode(sdl.sprite, SDL_ScaleModeLinear);
  for (auto _ : state) {
    for (const Placement& p : scene.rotated) {
      const float size = static_cast<float>(128 * p.scale);
      const SDL_FRect dst{static_cast<float>(p.x) - size / 2, static_cast<float>(p.y) - size / 2,
                          size, size};
      SDL_RenderCopyExF(sdl.renderer, sdl.sprite, nullptr, &dst, p.angle * 180 / std::numbers::pi,
                        nullptr, SDL_FLIP_NONE);
    }
    SDL_RenderFlush(sdl.renderer);
    benchmark::DoNotOptimize(sdl.frame.Data());
  }
}
BENCHMARK(BM_Rotated_SdlSoftware)->Unit(benchmark::kMillisecond);

// Keeps every run's CPU time per iteration for the summary (CPU time, so that
// other processes on the machine disturb the comparison less).
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations > 0) {
        seconds[run.benchmark_name()] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void PrintRatio(const SummaryReporter& r, const char* what, const std::string& ours,
                const std::string& theirs, const char* peer) {
  auto a = r.seconds.find(ours);
  auto b = r.seconds.find(theirs);
  if (a == r.seconds.end() || b == r.seconds.end()) return;
  std::printf("%-30s Canvas2D %.3f ms, %s %.3f ms: ratio %.2f (below 1: Canvas2D faster)\n", what,
              a->second * 1e3, peer, b->second * 1e3, a->second / b->second);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\n");
  if (auto it = reporter.seconds.find("BM_StressScene"); it != reporter.seconds.end()) {
    std::printf("stress scene: %.2f ms per frame\n", it->second * 1e3);
  }
  PrintRatio(reporter, "200 unscaled sprites:", "BM_Unscaled_Canvas2D", "BM_Unscaled_Pixman", "pixman");
  PrintRatio(reporter, "200 unscaled sprites:", "BM_Unscaled_Canvas2D", "BM_Unscaled_SdlSoftware",
             "SDL software");
  PrintRatio(reporter, "200 scaled/rotated sprites:", "BM_Rotated_Canvas2D", "BM_Rotated_Pixman",
             "pixman");
  PrintRatio(reporter, "200 scaled/rotated sprites:", "BM_Rotated_Canvas2D",
             "BM_Rotated_SdlSoftware", "SDL software");
  return 0;
}
