// Drawing helpers shared by the demo's scenes: the night sky, the moon, the
// sea, the lighthouse, wooden planks and a vignette.

#include <algorithm>
#include <cmath>

#include "demo/tools/art.h"

namespace demo {

void NightSky(Image& image, double horizon, uint32_t seed, double brightness) {
  const Stops sky = {{0.0, Scaled(Hex(0x070B22), brightness)},
                     {0.55, Scaled(Hex(0x16204A), brightness)},
                     {0.85, Scaled(Hex(0x2C3A6E), brightness)},
                     {1.0, Scaled(Hex(0x4A4A78), brightness)}};
  image.FillAll([&](double x, double y) {
    Rgba c = Sample(sky, y / horizon);
    // Thin clouds drifting across the sky.
    const double cloud = Fbm(x / 260.0, y / 70.0, 5, seed);
    const double k = std::clamp((cloud - 0.52) * 2.2, 0.0, 1.0) * 0.35;
    return Mix(c, Scaled(Hex(0x5A6090), brightness), k);
  });
  Rng rng(seed * 7919u + 1);
  const int count = static_cast<int>(image.Width() * horizon / 2200);
  for (int i = 0; i < count; ++i) {
    const double x = rng.Range(0, image.Width());
    const double y = rng.Range(0, horizon * 0.92);
    const double size = rng.Uniform() < 0.08 ? rng.Range(1.1, 1.7) : rng.Range(0.45, 0.9);
    const double light = rng.Range(0.45, 1.0) * (1.0 - 0.6 * y / horizon);
    const Rgba c = WithAlpha(Mix(Hex(0xFFFFFF), Hex(0xBFD4FF), rng.Uniform()), light);
    image.Fill(Ellipse(x, y, size, size), c);
    if (size > 1.2) image.Glow({x, y}, size * 4, WithAlpha(Hex(0x9FB8FF), 0.35));
  }
}

void Moon(Image& image, Pt c, double r) {
  image.Glow(c, r * 4.5, WithAlpha(Hex(0x8090C0), 0.35));
  image.Fill(Ellipse(c.x, c.y, r, r), [&](double x, double y) {
    const double spots = Fbm((x - c.x) / (r * 0.45), (y - c.y) / (r * 0.45), 4, 77);
    const double edge = std::hypot(x - c.x, y - c.y) / r;
    Rgba base = Mix(Hex(0xFFF6DA), Hex(0xC9C2A6), std::clamp((spots - 0.45) * 2.5, 0.0, 1.0));
    return Scaled(base, 1.0 - 0.18 * edge * edge);
  });
}

void Sea(Image& image, double top, double bottom, double moonX, uint32_t seed) {
  const Stops water = {{0.0, Hex(0x243866)}, {0.3, Hex(0x16284E)}, {1.0, Hex(0x0A1630)}};
  image.Fill(Rect(0, top, image.Width(), bottom), [&](double x, double y) {
    const double t = (y - top) / (bottom - top);
    Rgba c = Sample(water, t);
    // Long wave crests, stretched more the nearer they are.
    const double stretch = 40 + 260 * (1 - t);
    const double wave = Fbm(x / stretch, (y - top) / (3 + 9 * t), 4, seed);
    c = Mix(c, Hex(0x3A5A90), std::clamp((wave - 0.55) * 2.0, 0.0, 1.0) * 0.6);
    // The moon's path of light on the water.
    const double spread = 30 + 120 * t;
    const double near = std::exp(-std::pow((x - moonX) / spread, 2));
    const double glitter = Noise(x / 9.0, y / 1.6, seed + 5);
    if (glitter > 0.62) c = Mix(c, Hex(0xFFF2C8), near * std::min(1.0, (glitter - 0.62) * 4));
    return c;
  });
}

// A striped tower narrowing upwards, a gallery, the lantern room and a roof.
void Lighthouse(Image& image, double cx, double baseY, double topY, double bh, double th,
                bool lit) {
  const double h = baseY - topY;
  const double night = lit ? 0.75 : 0.6;
  image.Fill(Polygon({{cx - bh, baseY}, {cx + bh, baseY}, {cx + th, topY}, {cx - th, topY}}),
             [&](double x, double y) {
               const double half = th + (bh - th) * (y - topY) / h;
               const double u = std::clamp((x - cx) / half, -1.0, 1.0);
               const int band = static_cast<int>((y - topY) / (h / 6));
               Rgba c = band % 2 == 0 ? Hex(0xE8E4DA) : Hex(0xB43A30);
               // Round shading, lit a little more from the left (the moon).
               const double shade = 0.45 + 0.55 * std::cos(u * 1.35) - 0.12 * u;
               return Scaled(c, shade * night);
             });
  // Small windows up the tower.
  for (int i = 1; i <= 3; ++i) {
    const double wy = topY + h * i / 4.0;
    const Rgba w = lit ? Hex(0xFFD890) : Hex(0x1A2030);
    image.Fill(RoundRect(cx - 6, wy - 12, cx + 6, wy + 8, 5), w);
  }
  // The gallery with its railing.
  const double gw = th + 14, gy = topY;
  image.Fill(Rect(cx - gw, gy - 7, cx + gw, gy + 2), Hex(0x22262E));
  for (double x = cx - gw + 2; x <= cx + gw - 2; x += 7)
    image.Fill(Rect(x, gy - 24, x + 2, gy - 7), Hex(0x2A303A));
  image.Fill(Rect(cx - gw, gy - 26, cx + gw, gy - 23), Hex(0x2A303A));
  // The lantern room.
  const double lw = th * 0.72, ly0 = gy - 58, ly1 = gy - 7;
  if (lit) {
    image.Fill(Rect(cx - lw, ly0, cx + lw, ly1),
               Radial({cx, (ly0 + ly1) / 2}, lw * 1.2,
                      {{0.0, Hex(0xFFFFF4)}, {0.5, Hex(0xFFE8A0)}, {1.0, Hex(0xFFB84A)}}));
  } else {
    image.Fill(Rect(cx - lw, ly0, cx + lw, ly1),
               Linear({cx - lw, ly0}, {cx + lw, ly1}, {{0.0, Hex(0x2A3A50)}, {1.0, Hex(0x141A26)}}));
  }
  for (double x = cx - lw; x <= cx + lw + 0.5; x += lw * 2 / 3)
    image.Fill(Rect(x - 1.5, ly0, x + 1.5, ly1), Hex(0x1A1E26));
  // Roof and finial.
  image.Fill(Polygon({{cx - lw - 8, ly0 + 1}, {cx + lw + 8, ly0 + 1}, {cx + 6, ly0 - 34},
                      {cx - 6, ly0 - 34}}),
             Linear({cx - lw, 0}, {cx + lw, 0}, {{0.0, Hex(0x5A2624)}, {1.0, Hex(0x2A1010)}}));
  image.Fill(Ellipse(cx, ly0 - 38, 6, 6), Hex(0x3A3A40));
  if (lit) image.Glow({cx, (ly0 + ly1) / 2}, lw * 5, WithAlpha(Hex(0xFFD070), 0.8));
}

Paint Planks(bool vertical, double size, Rgba base, uint32_t seed) {
  return [=](double x, double y) {
    const double along = vertical ? y : x;
    const double across = vertical ? x : y;
    const int index = static_cast<int>(std::floor(across / size));
    const double within = across - index * size;
    const double tone = 0.85 + 0.3 * Noise(index * 3.1, 0.5, seed);
    const double grain = Fbm(along / 90.0 + index * 13.7, within / 5.0, 4, seed + 3);
    Rgba c = Scaled(base, tone * (0.72 + 0.5 * grain));
    if (within < 2.0 || within > size - 1.0) c = Scaled(c, 0.45);
    return c;
  };
}

void Vignette(Image& image, double strength) {
  const double cx = image.Width() / 2.0, cy = image.Height() / 2.0;
  const double r = std::hypot(cx, cy);
  image.FillAll([&](double x, double y) {
    const double d = std::hypot(x - cx, y - cy) / r;
    return Rgba{0, 0, 0, static_cast<float>(std::clamp((d - 0.55) * strength, 0.0, 0.8))};
  });
}

}  // namespace demo
