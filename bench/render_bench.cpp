// Canvas goals: our Canvas2D against pixman and SDL2's software renderer,
// drawing the same sprites onto the same 1024 x 768 background in the same
// process (see side_by_side.h for how rounds are taken). Before timing, each
// comparison draws one frame on both sides and checks that they changed the
// same pixels to nearly the same colours.
//
//   unscaled           200 sprites 128 x 128, alpha (0x504), vs pixman OVER     0.8x
//   particles          5000 particles 16 x 16, additive (0x104), rotated, tinted,
//                      vs pixman ADD with a component-alpha mask                 1.5x
//   rotated_bilinear   200 sprites at scale 1.5 turned 30 degrees, vs pixman     0.6x
//   rotated_bilinear_sdl  the same vs SDL_RenderCopyExF                          0.5x
//   rotated_nearest    the same without smoothing, vs pixman                     1.0x
//   scaled_bilinear    200 sprites at scale 1.5, vs pixman                       1.5x
//
// Then the stress scene (background, all of the above and 20 lines of text)
// in milliseconds per frame, for information. Options: --quick, --only NAME.

#include <SDL.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "render/canvas2d.h"
#include "render/font_store.h"
#include "render/image_store.h"
#include "render/ttf_font_builder.h"

namespace {

constexpr int kSprites = 200;
constexpr int kParticles = 5000;
constexpr int kTextLines = 20;
constexpr double kAngle = std::numbers::pi / 6;  // 30 degrees
constexpr double kScale = 1.5;

int g_rounds = bench::kDefaultRounds;
int g_repeat = 10;  // frames' worth of drawing per timed run
const char* g_only = nullptr;

bool Wanted(const char* name) { return g_only == nullptr || std::strcmp(g_only, name) == 0; }

uint32_t NextRandom(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

// A shaded disc with a soft edge and a transparent margin, straight alpha.
std::vector<uint32_t> SpritePixels(int size, double radius) {
  std::vector<uint32_t> px(static_cast<size_t>(size) * size);
  const double c = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - c, y - c);
      const double a = std::clamp((radius - d) / (radius * 0.25), 0.0, 1.0);
      const uint32_t alpha = static_cast<uint32_t>(a * 255 + 0.5);
      const uint32_t r = static_cast<uint32_t>(x * 255 / (size - 1));
      const uint32_t g = static_cast<uint32_t>(y * 255 / (size - 1));
      px[static_cast<size_t>(y) * size + x] = alpha << 24 | r << 16 | g << 8 | 0x80;
    }
  }
  return px;
}

std::vector<uint32_t> Premultiplied(std::vector<uint32_t> px) {
  for (uint32_t& p : px) {
    const uint32_t a = p >> 24;
    auto ch = [&](int s) { return ((p >> s & 0xFF) * a + 127) / 255 << s; };
    p = a << 24 | ch(16) | ch(8) | ch(0);
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
  std::vector<uint32_t> backgroundPixels, spritePixels, particlePixels;
  std::vector<Placement> unscaled, transformed, particles;

  Scene() {
    backgroundPixels.resize(1024 * 768);
    for (int y = 0; y < 768; ++y)
      for (int x = 0; x < 1024; ++x)
        backgroundPixels[static_cast<size_t>(y) * 1024 + x] =
            0xFF000000u | (x / 4) << 16 | (y / 3) << 8 | ((x + y) & 0xFF);
    background = store.AddImage();
    store.LoadImagePixels(background,
                          render::BitmapView::Argb(backgroundPixels.data(), 1024, 768, false), 1, 1);
    spritePixels = SpritePixels(128, 60);
    sprite = store.AddImage();
    store.LoadImagePixels(sprite, render::BitmapView::Argb(spritePixels.data(), 128, 128, true), 1,
                          1);
    particlePixels = SpritePixels(16, 7.5);
    particle = store.AddImage();
    store.LoadImagePixels(particle, render::BitmapView::Argb(particlePixels.data(), 16, 16, true),
                          1, 1);

    uint32_t seed = 42;
    for (int i = 0; i < kSprites; ++i) {
      unscaled.push_back({static_cast<double>(NextRandom(seed) % 960) - 32,
                          static_cast<double>(NextRandom(seed) % 700) - 32, 0, 1, 0xFFFFFFFF});
      transformed.push_back({static_cast<double>(NextRandom(seed) % 1024),
                             static_cast<double>(NextRandom(seed) % 768), kAngle, kScale,
                             0xFFFFFFFF});
    }
    for (int i = 0; i < kParticles; ++i) {
      particles.push_back({static_cast<double>(NextRandom(seed) % 1024),
                           static_cast<double>(NextRandom(seed) % 768),
                           (NextRandom(seed) % 6283) / 1000.0,
                           0.75 + (NextRandom(seed) % 500) / 1000.0,
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

  void ResetFrame(render::Frame& f) const {
    std::memcpy(f.Data(), backgroundPixels.data(), backgroundPixels.size() * 4);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

// ---- our side --------------------------------------------------------------------

void OursUnscaled(render::Canvas& c) {
  const Scene& s = TheScene();
  c.SetSmoothing(false);
  for (const Placement& p : s.unscaled) c.DrawImage(s.sprite, p.colour, p.x, p.y, 0, 0x504);
}
void OursTransformed(render::Canvas& c, bool smooth) {
  const Scene& s = TheScene();
  c.SetSmoothing(smooth);
  for (const Placement& p : s.transformed)
    c.DrawImageRotated(s.sprite, p.colour, p.x, p.y, p.angle, p.scale, 0, 0x504);
}
void OursScaled(render::Canvas& c) {
  const Scene& s = TheScene();
  c.SetSmoothing(true);
  for (const Placement& p : s.transformed)
    c.DrawImageScaled(s.sprite, p.colour, p.x - 96, p.y - 96, p.scale, 0, 0x504);
}
void OursParticles(render::Canvas& c) {
  const Scene& s = TheScene();
  c.SetSmoothing(true);
  for (const Placement& p : s.particles)
    c.DrawImageRotated(s.particle, p.colour, p.x, p.y, p.angle, p.scale, 0, 0x104);
}

// ---- pixman ------------------------------------------------------------------------

struct Pixman {
  std::vector<uint32_t> sprite, particle;
  pixman_image_t* spriteImage = nullptr;
  pixman_image_t* particleImage = nullptr;
  pixman_image_t* target = nullptr;
  render::Frame& frame;

  explicit Pixman(render::Frame& f) : frame(f) {
    sprite = Premultiplied(TheScene().spritePixels);
    particle = Premultiplied(TheScene().particlePixels);
    spriteImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, 128, 128, sprite.data(), 128 * 4);
    particleImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, 16, 16, particle.data(), 16 * 4);
    target = pixman_image_create_bits(PIXMAN_x8r8g8b8, 1024, 768, frame.Data(), 1024 * 4);
  }
  ~Pixman() {
    pixman_image_unref(spriteImage);
    pixman_image_unref(particleImage);
    pixman_image_unref(target);
  }

  void Unscaled() {
    pixman_image_set_transform(spriteImage, nullptr);
    pixman_image_set_filter(spriteImage, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (const Placement& p : TheScene().unscaled) {
      pixman_image_composite32(PIXMAN_OP_OVER, spriteImage, nullptr, target, 0, 0, 0, 0,
                               static_cast<int>(p.x), static_cast<int>(p.y), 128, 128);
    }
  }

  // The image turned and scaled about its centre, put with its centre on
  // (x, y): the destination box and the transform from it back to the image.
  static void Transformed(pixman_op_t op, pixman_image_t* image, pixman_image_t* mask,
                          pixman_image_t* target, int size, const Placement& p) {
    const double half = size / 2.0 * p.scale *
                        (std::fabs(std::cos(p.angle)) + std::fabs(std::sin(p.angle)));
    const int x0 = static_cast<int>(std::floor(p.x - half));
    const int y0 = static_cast<int>(std::floor(p.y - half));
    const int box = static_cast<int>(std::ceil(p.x + half)) - x0 + 1;
    pixman_f_transform f;
    pixman_f_transform_init_identity(&f);
    pixman_f_transform_translate(&f, nullptr, -size / 2.0, -size / 2.0);
    pixman_f_transform_scale(&f, nullptr, p.scale, p.scale);
    pixman_f_transform_rotate(&f, nullptr, std::cos(p.angle), std::sin(p.angle));
    pixman_f_transform_translate(&f, nullptr, p.x - x0, p.y - y0);
    pixman_f_transform inverse;
    pixman_f_transform_invert(&inverse, &f);
    pixman_transform t;
    pixman_transform_from_pixman_f_transform(&t, &inverse);
    pixman_image_set_transform(image, &t);
    pixman_image_composite32(op, image, mask, target, 0, 0, 0, 0, x0, y0, box, box);
  }

  void Rotated(bool smooth) {
    pixman_image_set_filter(spriteImage, smooth ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST,
                            nullptr, 0);
    pixman_image_set_repeat(spriteImage, PIXMAN_REPEAT_NONE);
    for (const Placement& p : TheScene().transformed)
      Transformed(PIXMAN_OP_OVER, spriteImage, nullptr, target, 128, p);
  }

  void Scaled() {
    pixman_image_set_filter(spriteImage, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(spriteImage, PIXMAN_REPEAT_NONE);
    for (const Placement& p : TheScene().transformed) {
      const int size = static_cast<int>(std::nearbyint(128 * p.scale));
      pixman_transform t;
      pixman_transform_init_scale(&t, pixman_double_to_fixed(1 / p.scale),
                                  pixman_double_to_fixed(1 / p.scale));
      pixman_image_set_transform(spriteImage, &t);
      pixman_image_composite32(PIXMAN_OP_OVER, spriteImage, nullptr, target, 0, 0, 0, 0,
                               static_cast<int>(p.x - 96), static_cast<int>(p.y - 96), size, size);
    }
  }

  // Additive with the vertex colour: the colour, premultiplied, as a
  // component-alpha mask (texture colour times vertex colour, alpha times alpha).
  void Particles() {
    pixman_image_set_filter(particleImage, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(particleImage, PIXMAN_REPEAT_NONE);
    for (const Placement& p : TheScene().particles) {
      const uint32_t a = p.colour >> 24;
      auto ch = [&](int s) {
        return static_cast<uint16_t>(((p.colour >> s & 0xFF) * a + 127) / 255 * 257);
      };
      const pixman_color_t colour{ch(16), ch(8), ch(0), static_cast<uint16_t>(a * 257)};
      pixman_image_t* mask = pixman_image_create_solid_fill(&colour);
      pixman_image_set_component_alpha(mask, 1);
      Transformed(PIXMAN_OP_ADD, particleImage, mask, target, 16, p);
      pixman_image_unref(mask);
    }
  }
};

// ---- SDL2 software renderer --------------------------------------------------------

struct SdlSoftware {
  SDL_Surface* target = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* sprite = nullptr;
  explicit SdlSoftware(render::Frame& frame) {
    target = SDL_CreateRGBSurfaceWithFormatFrom(frame.Data(), 1024, 768, 32, 1024 * 4,
                                                SDL_PIXELFORMAT_RGB888);
    renderer = SDL_CreateSoftwareRenderer(target);
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormatFrom(TheScene().spritePixels.data(), 128, 128, 32, 128 * 4,
                                           SDL_PIXELFORMAT_ARGB8888);
    sprite = SDL_CreateTextureFromSurface(renderer, s);
    SDL_FreeSurface(s);
    SDL_SetTextureBlendMode(sprite, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(sprite, SDL_ScaleModeLinear);
  }
  ~SdlSoftware() {
    SDL_DestroyTexture(sprite);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(target);
  }
  void Rotated() {
    for (const Placement& p : TheScene().transformed) {
      const float size = static_cast<float>(128 * p.scale);
      const SDL_FRect dst{static_cast<float>(p.x) - size / 2, static_cast<float>(p.y) - size / 2,
                          size, size};
      SDL_RenderCopyExF(renderer, sprite, nullptr, &dst, p.angle * 180 / std::numbers::pi,
                        nullptr, SDL_FLIP_NONE);
    }
    SDL_RenderFlush(renderer);
  }
};

// ---- the comparisons -------------------------------------------------------------------

// How two frames drawn over the same background differ: pixels either side
// changed, and pixels whose colours differ by more than `tolerance` in some
// channel.
struct FrameDifference {
  size_t changedOurs = 0, changedPeer = 0, differing = 0;
};

FrameDifference Compare(const render::Frame& ours, const render::Frame& peer, int tolerance) {
  const std::vector<uint32_t>& bg = TheScene().backgroundPixels;
  FrameDifference d;
  for (size_t i = 0; i < bg.size(); ++i) {
    const uint32_t a = ours.Data()[i] | 0xFF000000u;
    const uint32_t b = peer.Data()[i] | 0xFF000000u;
    d.changedOurs += a != bg[i];
    d.changedPeer += b != bg[i];
    for (int s = 0; s < 24; s += 8) {
      const int ca = static_cast<int>(a >> s & 0xFF);
      const int cb = static_cast<int>(b >> s & 0xFF);
      if (std::abs(ca - cb) > tolerance) {
        ++d.differing;
        break;
      }
    }
  }
  return d;
}

// A side of a comparison: given the frame it draws into, sets itself up and
// answers the function that draws one frame's worth.
using Side = std::function<std::function<void()>(render::Frame&)>;

// One goal: both sides draw once onto the background and must agree (at most
// `allowed` of the changed pixels differing beyond the tolerance); then the
// timed rounds, each drawing g_repeat times.
void Goal(const char* name, double target, const char* peerName, int tolerance, double allowed,
          const Side& makeOurs, const Side& makePeer) {
  if (!Wanted(name)) return;
  render::Frame a, b;
  TheScene().ResetFrame(a);
  TheScene().ResetFrame(b);
  const std::function<void()> ours = makeOurs(a);
  const std::function<void()> peer = makePeer(b);
  ours();
  peer();
  const FrameDifference d = Compare(a, b, tolerance);
  const size_t changed = std::max(d.changedOurs, d.changedPeer);
  std::printf("%-26s changed pixels: ours %zu, %s %zu; differing beyond %d: %zu\n", name,
              d.changedOurs, peerName, d.changedPeer, tolerance, d.differing);
  if (changed == 0 || static_cast<double>(d.differing) > allowed * static_cast<double>(changed)) {
    return bench::ReportFailure(name, target, "the two sides drew different pixels");
  }
  const bench::Outcome o = bench::Alternate(
      [&] {
        for (int i = 0; i < g_repeat; ++i) ours();
      },
      [&] {
        for (int i = 0; i < g_repeat; ++i) peer();
      },
      g_rounds);
  bench::Report(name, o, target, peerName);
}

Side Canvas(std::function<void(render::Canvas&)> draw) {
  return [draw](render::Frame& f) -> std::function<void()> {
    auto canvas = std::make_shared<render::Canvas2D>(f);
    return [canvas, draw] { draw(*canvas); };
  };
}

Side WithPixman(void (*draw)(Pixman&)) {
  return [draw](render::Frame& f) -> std::function<void()> {
    auto px = std::make_shared<Pixman>(f);
    return [px, draw] { draw(*px); };
  };
}

void StressScene() {
  if (g_only != nullptr && std::strcmp(g_only, "stress") != 0) return;
  Scene& s = TheScene();
  render::Frame frame;
  render::Canvas2D canvas(frame);
  std::vector<double> times;
  for (int i = 0; i < g_rounds; ++i) {
    const double start = bench::CpuSeconds();
    for (int k = 0; k < g_repeat; ++k) {
      canvas.SetSmoothing(false);
      canvas.DrawImage(s.background, 0xFFFFFFFF, 0, 0, 0, 1);
      OursUnscaled(canvas);
      OursTransformed(canvas, true);
      OursParticles(canvas);
      if (s.font) {
        canvas.SetSmoothing(false);
        for (int line = 0; line < kTextLines; ++line) {
          s.font->TextOut(canvas, "The quick brown fox jumps over the lazy dog 0123456789", 20,
                          20 + line * 36, 0xFFFFFFFF, 0xFFFFC040, 0x504);
        }
      }
    }
    times.push_back((bench::CpuSeconds() - start) / g_repeat);
  }
  std::sort(times.begin(), times.end());
  std::printf("stress scene: %.2f ms per frame (median of %d)\n", times[times.size() / 2] * 1e3,
              g_rounds);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      g_rounds = 3;
      g_repeat = 3;
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      g_only = argv[++i];
    }
  }
  TheScene();
  Goal("unscaled", 0.8, "pixman", 2, 0.001, Canvas(OursUnscaled),
       WithPixman([](Pixman& p) { p.Unscaled(); }));
  Goal("particles", 1.5, "pixman", 24, 0.05, Canvas(OursParticles),
       WithPixman([](Pixman& p) { p.Particles(); }));
  Goal("rotated_bilinear", 0.6, "pixman", 24, 0.02,
       Canvas([](render::Canvas& c) { OursTransformed(c, true); }),
       WithPixman([](Pixman& p) { p.Rotated(true); }));
  Goal("rotated_bilinear_sdl", 0.5, "SDL", 64, 0.05,
       Canvas([](render::Canvas& c) { OursTransformed(c, true); }),
       [](render::Frame& f) -> std::function<void()> {
         auto sdl = std::make_shared<SdlSoftware>(f);
         return [sdl] { sdl->Rotated(); };
       });
  Goal("rotated_nearest", 1.0, "pixman", 24, 0.05,
       Canvas([](render::Canvas& c) { OursTransformed(c, false); }),
       WithPixman([](Pixman& p) { p.Rotated(false); }));
  Goal("scaled_bilinear", 1.5, "pixman", 24, 0.02, Canvas(OursScaled),
       WithPixman([](Pixman& p) { p.Scaled(); }));
  StressScene();
  return 0;
}
