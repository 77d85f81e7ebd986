// The demo's objects (PNG with alpha; clickable ones with a highlighted
// second pattern and a sprite-sheet ".an" file), the inventory panel, the
// pointer, the particle sheet and the two intro logos.

#include <cmath>
#include <fstream>

#include "demo/tools/art.h"

namespace demo {

namespace {

const Rgba kHighlight = Hex(0xFFF0A0, 0.95);

bool WriteText(const std::string& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

// name.png from the patterns, and name.an when there is more than one.
bool Sheet(const AssetDirs& dirs, const std::string& name, const std::vector<Image>& patterns) {
  const std::string base = dirs.pack + "/images/" + name;
  if (!SideBySide(patterns).WritePng(base + ".png")) return false;
  if (patterns.size() == 1) return true;
  return WriteText(base + ".an", std::to_string(patterns.size()) + "\r\n1\r\n");
}

// A picture and its hover pattern (a light outline around the opaque part).
bool Hoverable(const AssetDirs& dirs, const std::string& name, const Image& picture) {
  return Sheet(dirs, name, {picture, picture.Outlined(kHighlight, 3)});
}

Image Pointer() {
  Image img(32, 40);
  const std::vector<Pt> arrow = {{3, 2}, {3, 31}, {10, 24}, {15, 36}, {20, 34}, {15, 22}, {25, 22}};
  img.Fill(Polygon(arrow), Hex(0xFFFFFF));
  for (size_t i = 0; i < arrow.size(); ++i)
    img.Fill(Line(arrow[i], arrow[(i + 1) % arrow.size()], 2.2), Hex(0x101018));
  return img;
}

Image Matches() {
  Image img(64, 44);
  img.Fill(Polygon({{6, 16}, {48, 16}, {58, 8}, {16, 8}}), Hex(0xE8C050));
  for (int i = 0; i < 5; ++i) {
    const double x = 20 + i * 7;
    img.Fill(Rect(x, 2, x + 2, 12), Hex(0xE8D8B0));
    img.Fill(Ellipse(x + 1, 3, 2.4, 3), Hex(0xC02020));
  }
  img.Fill(Polygon({{6, 16}, {48, 16}, {48, 40}, {6, 40}}), Linear({0, 16}, {0, 40}, {{0.0, Hex(0xC83A2A)}, {1.0, Hex(0x8A1E16)}}));
  img.Fill(Polygon({{48, 16}, {58, 8}, {58, 32}, {48, 40}}), Hex(0x6A1410));
  img.Fill(RoundRect(12, 21, 42, 35, 3), Hex(0xF0E0A0));
  img.Fill(Ellipse(27, 28, 7, 5), Hex(0xE06020));
  return img;
}

Image Key() {
  Image img(72, 32);
  const Paint brass = Linear({0, 4}, {0, 28}, {{0.0, Hex(0xF8DC80)}, {0.5, Hex(0xC8982E)}, {1.0, Hex(0x7A5410)}});
  img.Fill(Ring(15, 16, 13, 6.5), brass);
  img.Fill(Rect(26, 13, 66, 19), brass);
  img.Fill(Rect(52, 19, 57, 28), brass);
  img.Fill(Rect(60, 19, 65, 25), brass);
  img.Fill(Ellipse(66, 16, 3, 3), brass);
  return img;
}

Image Rug() {
  Image img(300, 96);
  img.Fill(Ellipse(150, 48, 146, 44), Hex(0x7A2222));
  img.Fill(Minus(Ellipse(150, 48, 136, 38), Ellipse(150, 48, 124, 32)), Hex(0xD8A040));
  img.Fill(Ellipse(150, 48, 118, 29), [](double x, double y) {
    const double u = std::fabs(std::fmod(x + 1000, 30.0) - 15) + std::fabs(std::fmod(y + 1000, 18.0) - 9) * 1.6;
    return u < 9 ? Hex(0x2A4A6A) : Hex(0x9A3030);
  });
  img.Fill(Ellipse(150, 48, 30, 12), Hex(0xD8A040));
  img.FillAll([](double x, double y) {
    return Rgba{0, 0, 0, static_cast<float>(0.25 * Noise(x / 3, y / 3, 61))};
  });
  // Clear the noise outside the oval again.
  Image out(300, 96);
  out.Fill(Ellipse(150, 48, 146, 44), [&](double x, double y) {
    return img.At(static_cast<int>(x), static_cast<int>(y));
  });
  return out;
}

Image Door() {
  Image img(130, 330);
  img.Fill(Rect(0, 0, 130, 330), Hex(0x2A1608));
  img.Fill(Rect(10, 10, 120, 330), Planks(true, 22, Hex(0x7A4E2A), 71));
  for (double y : {60.0, 250.0}) img.Fill(Rect(10, y, 120, y + 12), Hex(0x4A2C14));
  img.Fill(Rect(36, 90, 94, 150), Hex(0x3A2212));
  img.Fill(Rect(40, 94, 90, 146), Linear({0, 94}, {0, 146}, {{0.0, Hex(0x1A2450)}, {1.0, Hex(0x2C3A6E)}}));
  img.Fill(Rect(63, 94, 67, 146), Hex(0x3A2212));
  img.Fill(Rect(40, 118, 90, 122), Hex(0x3A2212));
  img.Fill(Ellipse(104, 190, 6, 6), Hex(0xC8A050));
  img.Fill(Rect(12, 66, 30, 74), Hex(0x222222));
  img.Fill(Rect(12, 256, 30, 264), Hex(0x222222));
  return img;
}

Image CottageDoor() {
  Image img(56, 96);
  img.Fill(RoundRect(0, 0, 56, 96, 10), Hex(0x2A1A10));
  img.Fill(RoundRect(5, 5, 51, 96, 8), Planks(true, 11, Hex(0x3E6A52), 72));
  img.Fill(Ellipse(42, 56, 3, 3), Hex(0xD8B060));
  return img;
}

Image LighthouseDoor(bool open) {
  Image img(60, 84);
  Shape arch = Polygon({{0, 84}, {0, 26}, {6, 12}, {18, 3}, {30, 0}, {42, 3}, {54, 12}, {60, 26}, {60, 84}});
  img.Fill(arch, Hex(0x3A3A42));
  Shape inner = Polygon({{6, 84}, {6, 28}, {11, 16}, {21, 9}, {30, 7}, {39, 9}, {49, 16}, {54, 28}, {54, 84}});
  if (open) {
    img.Fill(inner, Linear({0, 8}, {0, 84}, {{0.0, Hex(0x050608)}, {1.0, Hex(0x2A2018)}}));
    for (int i = 0; i < 4; ++i) img.Fill(Rect(10 + i * 4, 60 + i * 6, 52, 62 + i * 6), Hex(0x3A3028));
  } else {
    img.Fill(inner, Planks(true, 12, Hex(0x6A4226), 73));
    for (double y : {30.0, 62.0}) img.Fill(Rect(6, y, 54, y + 5), Hex(0x2A2A30));
    img.Fill(Ellipse(44, 50, 3.5, 3.5), Hex(0xB89040));
    img.Fill(Rect(42, 52, 46, 58), Hex(0x1A1A1A));
  }
  return img;
}

Image OilCan() {
  Image img(64, 64);
  img.Fill(Line({44, 22}, {61, 5}, 4), Hex(0x6A6A70));
  img.Fill(Minus(Ring(28, 20, 14, 10), Rect(0, 20, 64, 64)), Hex(0x4A4A50));
  img.Fill(RoundRect(6, 18, 50, 62, 6), Linear({6, 0}, {50, 0}, {{0.0, Hex(0x3A7A4A)}, {0.35, Hex(0x5AA06A)}, {1.0, Hex(0x1E4A2A)}}));
  img.Fill(Rect(6, 30, 50, 36), Hex(0xC8A040));
  img.Fill(RoundRect(16, 40, 40, 54, 3), Hex(0xE8E0C8));
  img.Fill(Rect(20, 46, 36, 48), Hex(0xA02020));
  return img;
}

Image Shell() {
  Image img(48, 40);
  std::vector<Pt> fan;
  for (int i = 0; i <= 12; ++i) {
    const double a = M_PI * (1.05 + 0.9 * i / 12.0);
    const double r = 21 + 2.5 * (i % 2);
    fan.push_back({24 + r * std::cos(a) * 1.05, 30 + r * std::sin(a)});
  }
  fan.push_back({30, 38});
  fan.push_back({18, 38});
  img.Fill(Polygon(fan), [](double x, double y) {
    const double a = std::atan2(y - 32, x - 24);
    const double ridge = 0.5 + 0.5 * std::cos(a * 18);
    return Mix(Hex(0xF4D8C8), Hex(0xC88A7A), ridge * 0.6);
  });
  return img;
}

// The great lens: stacked prism rings in a brass frame, dark or burning.
Image Lamp(bool lit) {
  Image img(220, 260);
  const Paint brass = Linear({0, 0}, {220, 0}, {{0.0, Hex(0x6A4A10)}, {0.4, Hex(0xE8C060)}, {1.0, Hex(0x5A3A08)}});
  img.Fill(Polygon({{40, 30}, {180, 30}, {200, 130}, {180, 228}, {40, 228}, {20, 130}}), [=](double x, double y) {
    const double band = std::fmod(y - 30, 18.0);
    const double u = (x - 110) / 95.0;
    Rgba glass = lit ? Mix(Hex(0xFFF8D0), Hex(0xFFB040), std::fabs(u) * 0.8)
                     : Mix(Hex(0x8AA4B8), Hex(0x2A3A4A), std::fabs(u) * 0.9 + 0.1);
    if (band < 3) glass = Scaled(glass, lit ? 0.85 : 0.6);
    if (band > 12 && !lit) glass = Mix(glass, Hex(0xE0F0FF), 0.35 * (1 - std::fabs(u)));
    return glass;
  });
  if (lit) img.Fill(Ellipse(110, 130, 34, 40), Radial({110, 130}, 40, {{0.0, Hex(0xFFFFFF)}, {1.0, Hex(0xFFF0B0)}}));
  img.Fill(RoundRect(30, 12, 190, 34, 6), brass);
  img.Fill(Polygon({{70, 12}, {150, 12}, {130, 0}, {90, 0}}), brass);
  img.Fill(RoundRect(30, 226, 190, 248, 6), brass);
  img.Fill(Rect(60, 248, 160, 260), brass);
  return img;
}

Image Glow() {
  Image img(600, 600);
  img.Fill(Ellipse(300, 300, 300, 300),
           Radial({300, 300}, 300, {{0.0, Hex(0xFFF4C0, 1.0)}, {0.3, Hex(0xFFD070, 0.75)},
                                    {0.65, Hex(0xFFA040, 0.35)}, {1.0, Hex(0xFF8020, 0.0)}}));
  return img;
}

Image Beam() {
  Image img(1400, 180);
  img.FillAll([](double x, double y) {
    const double d = std::fabs(x - 700) / 700;
    const double half = 5 + 85 * d;
    const double v = std::fabs(y - 90) / half;
    if (v >= 1) return Rgba{};
    return Rgba{1.0f, 0.93f, 0.7f, static_cast<float>(std::pow(1 - d, 1.3) * (1 - v * v) * 0.6)};
  });
  return img;
}

Image Hatch() {
  Image img(150, 100);
  img.Fill(Polygon({{10, 40}, {140, 40}, {150, 96}, {0, 96}}), Hex(0x3A3A42));
  img.Fill(Polygon({{18, 46}, {132, 46}, {140, 90}, {10, 90}}), Linear({0, 46}, {0, 90}, {{0.0, Hex(0x050505)}, {1.0, Hex(0x241C14)}}));
  img.Fill(Line({50, 46}, {44, 90}, 5), Hex(0x8A6A40));
  img.Fill(Line({100, 46}, {106, 90}, 5), Hex(0x8A6A40));
  for (double y = 54; y < 90; y += 11) img.Fill(Line({48, y}, {102, y}, 4), Hex(0x7A5A34));
  img.Fill(Polygon({{14, 40}, {136, 40}, {124, 0}, {26, 0}}), Planks(true, 14, Hex(0x5A5A64), 74));
  img.Fill(Rect(70, 6, 80, 12), Hex(0xB09040));
  return img;
}

// A gliding gull seen from below: symmetric, so it may fly either way.
Image GullFlying(double s) {
  Image img(static_cast<int>(72 * s), static_cast<int>(36 * s));
  auto wing = [&](bool right) {
    std::vector<Pt> pts = {{36, 20}, {30, 13}, {21, 8}, {11, 7}, {2, 12}, {10, 10}, {20, 12}, {29, 18}, {34, 24}};
    for (Pt& p : pts) p = {(right ? 72 - p.x : p.x) * s, p.y * s};
    return pts;
  };
  for (bool right : {false, true}) {
    img.Fill(Polygon(wing(right)), Linear({0, 6 * s}, {0, 22 * s}, {{0.0, Hex(0xF4F6F8)}, {1.0, Hex(0xB8C0C8)}}));
    const double tip = right ? 70 : 2, inner = right ? 63 : 9;
    img.Fill(Polygon({{tip * s, 12 * s}, {inner * s, 8.5 * s}, {inner * s, 11 * s}}), Hex(0x202428));
  }
  img.Fill(Ellipse(36 * s, 21 * s, 4.5 * s, 6.5 * s), Hex(0xF4F6F8));
  img.Fill(Ellipse(36 * s, 14.5 * s, 3.2 * s, 3.2 * s), Hex(0xF8FAFC));
  img.Fill(Polygon({{34.8 * s, 12 * s}, {37.2 * s, 12 * s}, {36 * s, 8.5 * s}}), Hex(0xF0B020));
  img.Fill(Polygon({{33 * s, 26 * s}, {39 * s, 26 * s}, {36 * s, 31 * s}}), Hex(0xE0E4E8));
  return img;
}

Image GullSitting() {
  Image img(40, 44);
  img.Fill(Ellipse(18, 26, 11, 9), Hex(0xF0F2F4));
  img.Fill(Polygon({{8, 22}, {26, 20}, {32, 30}, {4, 32}}), Hex(0xA8B0B8));
  img.Fill(Polygon({{4, 30}, {0, 36}, {10, 32}}), Hex(0x202428));
  img.Fill(Ellipse(27, 13, 6, 6), Hex(0xF4F6F8));
  img.Fill(Polygon({{32, 12}, {39, 13}, {32, 15}}), Hex(0xF0B020));
  img.Fill(Ellipse(29, 11, 1.2, 1.2), Hex(0x101010));
  img.Fill(Line({16, 34}, {16, 43}, 1.6), Hex(0xE0A070));
  img.Fill(Line({21, 34}, {21, 43}, 1.6), Hex(0xE0A070));
  return img;
}

// The inventory bar: a dark wooden strip with seven slots.
Image Panel() {
  Image img(1024, 100);
  img.Fill(Rect(0, 4, 1024, 100), [](double x, double y) {
    Rgba c = Planks(false, 24, Hex(0x4A3020), 81)(x, y);
    c.a = 0.94f;
    return c;
  });
  img.Fill(Rect(0, 0, 1024, 5), Linear({0, 0}, {0, 5}, {{0.0, Hex(0xD8B070)}, {1.0, Hex(0x6A4A20)}}));
  for (int i = 0; i < 7; ++i) {
    const double x = 16 + i * 80;
    img.Fill(RoundRect(x - 2, 10, x + 74, 90, 9), Hex(0xC8A060, 0.8));
    img.Fill(RoundRect(x, 12, x + 72, 88, 8), Linear({0, 12}, {0, 88}, {{0.0, Hex(0x140C06, 0.9)}, {1.0, Hex(0x3A2616, 0.9)}}));
  }
  img.Fill(Rect(590, 14, 592, 86), Hex(0xC8A060, 0.6));
  return img;
}

// Eight 32 x 32 white sprites for particles and stars, tinted when drawn.
Image Particles() {
  Image img(128, 64, Rgba{1, 1, 1, 0});
  const Rgba white = Hex(0xFFFFFF);
  auto cell = [](int i) { return Pt{(i % 4) * 32 + 16.0, (i / 4) * 32 + 16.0}; };
  Pt c = cell(0);  // a soft dot
  img.Fill(Ellipse(c.x, c.y, 15, 15), Radial(c, 15, {{0.0, white}, {1.0, WithAlpha(white, 0)}}));
  c = cell(1);  // a smoke puff
  img.Fill(Ellipse(c.x, c.y, 15, 15), [=](double x, double y) {
    const double d = std::hypot(x - c.x, y - c.y) / 15;
    const double n = Fbm(x / 6, y / 6, 3, 91);
    return WithAlpha(white, std::max(0.0, (1 - d) * (0.4 + 0.8 * n)) * 0.8);
  });
  c = cell(2);  // a four-pointed star
  img.Fill(Rect(c.x - 16, c.y - 16, c.x + 16, c.y + 16), [=](double x, double y) {
    const double dx = std::fabs(x - c.x), dy = std::fabs(y - c.y);
    const double arms = std::max(std::exp(-dx * 0.9) * std::max(0.0, 1 - dy / 15),
                                 std::exp(-dy * 0.9) * std::max(0.0, 1 - dx / 15));
    const double core = std::exp(-(dx * dx + dy * dy) / 18);
    return WithAlpha(white, std::min(1.0, arms + core));
  });
  c = cell(3);  // a small sparkle
  img.Fill(Ellipse(c.x, c.y, 8, 8), Radial(c, 8, {{0.0, white}, {0.4, WithAlpha(white, 0.7)}, {1.0, WithAlpha(white, 0)}}));
  c = cell(4);  // a ring
  img.Fill(Ring(c.x, c.y, 14, 10), WithAlpha(white, 0.8));
  c = cell(5);  // a streak
  img.Fill(Ellipse(c.x, c.y, 15, 3), Radial(c, 15, {{0.0, white}, {1.0, WithAlpha(white, 0)}}));
  c = cell(6);  // a hard dot
  img.Fill(Ellipse(c.x, c.y, 6, 6), white);
  c = cell(7);  // a flake
  for (int k = 0; k < 3; ++k) {
    const double a = k * M_PI / 3;
    img.Fill(Line({c.x - 12 * std::cos(a), c.y - 12 * std::sin(a)}, {c.x + 12 * std::cos(a), c.y + 12 * std::sin(a)}, 2.5), white);
  }
  return img;
}

}  // namespace

bool MakeObjects(const AssetDirs& dirs) {
  bool ok = Sheet(dirs, "pointer", {Pointer()});
  ok = ok && Hoverable(dirs, "matches", Matches()) && Hoverable(dirs, "key", Key());
  ok = ok && Hoverable(dirs, "rug", Rug()) && Hoverable(dirs, "door", Door());
  ok = ok && Hoverable(dirs, "cottagedoor", CottageDoor());
  ok = ok && Hoverable(dirs, "oilcan", OilCan()) && Hoverable(dirs, "shell", Shell());
  ok = ok && Hoverable(dirs, "hatch", Hatch());
  const Image closed = LighthouseDoor(false), open = LighthouseDoor(true);
  ok = ok && Sheet(dirs, "lhdoor", {closed, closed.Outlined(kHighlight, 3), open, open.Outlined(kHighlight, 3)});
  const Image dark = Lamp(false), burning = Lamp(true);
  ok = ok && Sheet(dirs, "lamp", {dark, dark.Outlined(kHighlight, 4), burning, burning.Outlined(kHighlight, 4)});
  ok = ok && Sheet(dirs, "glow", {Glow()}) && Sheet(dirs, "beam", {Beam()});
  ok = ok && Sheet(dirs, "gull_fly", {GullFlying(1.0)}) && Sheet(dirs, "gull_sit", {GullSitting()});
  ok = ok && Sheet(dirs, "panel", {Panel()});
  ok = ok && Particles().WriteBmp32(dirs.loose + "/particles.bmp");
  ok = ok && WriteText(dirs.loose + "/particles.an", "4\r\n2\r\n");
  return ok;
}

bool MakeLogos(const AssetDirs& dirs) {
  Image one(640, 360, Hex(0x0A0E1C));
  one.Glow({320, 150}, 180, WithAlpha(Hex(0x4A70C0), 0.5));
  for (int i = 0; i < 4; ++i) one.Fill(Ring(320, 120, 70 - i * 14, 64 - i * 14), Hex(0x8AB0F0, 0.9 - i * 0.15));
  one.Fill(Ellipse(320, 120, 16, 16), Hex(0xFFE8A0));
  one.Fill(Polygon({{372, 168}, {392, 168}, {420, 200}, {400, 200}}), Hex(0x8AB0F0));
  bool ok = DrawText(one, dirs.font, 56, "QAZMIR", 320, 210, 0, Hex(0xF0F4FF));
  ok = ok && DrawText(one, dirs.font, 22, "for Linux", 320, 282, 0, Hex(0x8AA0D0));
  ok = ok && one.WriteJpeg(dirs.loose + "/logos/logo1.jpg", 92);

  Image two(640, 360, Hex(0x0C1612));
  two.Draw(GullFlying(3.0), 212, 36);
  for (int i = 0; i < 2; ++i)
    for (double x = 150; x < 490; x += 2) {
      const double y = 300 + i * 12 + 4 * std::sin(x / 14.0 + i);
      two.Fill(Ellipse(x, y, 1.6, 1.6), Hex(0x3A7A6A, 0.8 - 0.3 * i));
    }
  ok = ok && DrawText(two, dirs.font, 44, "Gull Point Games", 320, 168, 0, Hex(0xF4F0E0));
  ok = ok && DrawText(two, dirs.font, 20, "presents", 320, 236, 0, Hex(0xA0B8A8));
  ok = ok && two.WriteJpeg(dirs.loose + "/logos/logo2.jpg", 92);
  return ok;
}

}  // namespace demo
