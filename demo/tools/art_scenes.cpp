// The demo's backgrounds, 1024 x 768 JPEG pictures: the title, the letter on
// the desk, the cottage, the shore, the lamp room and the ending.

#include <cmath>

#include "demo/tools/art.h"

namespace demo {

namespace {

constexpr int kW = 1024, kH = 768;

// A rock mass along a jagged outline, dark with mossy patches.
void Rocks(Image& image, std::vector<Pt> outline, uint32_t seed) {
  image.Fill(Polygon(std::move(outline)), [=](double x, double y) {
    const double n = Fbm(x / 40.0, y / 40.0, 5, seed);
    Rgba c = Mix(Hex(0x1E2028), Hex(0x3A3C44), n);
    if (Noise(x / 25.0, y / 25.0, seed + 9) > 0.7) c = Mix(c, Hex(0x26342A), 0.6);
    return c;
  });
}

// Stones laid in courses, for the fireplace.
Paint Stones(Rgba base, uint32_t seed) {
  return [=](double x, double y) {
    const int row = static_cast<int>(std::floor(y / 34));
    const double shift = (row % 2) * 26.0;
    const int col = static_cast<int>(std::floor((x + shift) / 52));
    const double wx = x + shift - col * 52, wy = y - row * 34;
    if (wx < 3 || wy < 3) return Hex(0x2A2622);
    const double tone = 0.75 + 0.4 * Noise(col * 1.7, row * 2.3, seed);
    const double grain = 0.85 + 0.3 * Fbm(x / 12.0, y / 12.0, 3, seed + 1);
    const double edge = std::min({wx - 3, 52 - wx, wy - 3, 34 - wy});
    return Scaled(base, tone * grain * (edge < 4 ? 0.8 + 0.05 * edge : 1.0));
  };
}

bool Save(const Image& image, const AssetDirs& dirs, const std::string& name) {
  return image.WriteJpeg(dirs.pack + "/images/" + name, 90);
}

bool Title(const AssetDirs& dirs) {
  Image img(kW, kH);
  NightSky(img, 470, 3, 1.0);
  Moon(img, {610, 215}, 40);
  Sea(img, 470, kH, 610, 4);
  // A far headland on the horizon at the left.
  img.Fill(Polygon({{0, 472}, {0, 446}, {60, 440}, {150, 452}, {240, 460}, {300, 472}}),
           Hex(0x121830));
  Rocks(img, {{640, 768}, {672, 600}, {720, 548}, {790, 515}, {880, 500}, {960, 496},
              {1024, 488}, {1024, 768}},
        5);
  Lighthouse(img, 870, 505, 232, 42, 30, false);
  Vignette(img, 1.2);
  return Save(img, dirs, "title.jpg");
}

bool Arrival(const AssetDirs& dirs) {
  Image img(kW, kH);
  img.FillAll(Planks(false, 96, Hex(0x6A4226), 11));
  // The letter, with a soft shadow.
  Image shadow(kW, kH);
  shadow.Fill(Rect(204, 64, 848, 724), WithAlpha(Hex(0x000000), 0.55));
  shadow.BlurAlpha(8);
  img.Draw(shadow, 0, 0);
  img.Fill(Rect(192, 50, 832, 708), [](double x, double y) {
    const double stain = Fbm(x / 120.0, y / 120.0, 5, 21);
    const double edge = std::min({x - 192, 832 - x, y - 50, 708 - y});
    Rgba c = Mix(Hex(0xF1E3BE), Hex(0xD8C08C), std::clamp((stain - 0.35) * 1.6, 0.0, 1.0));
    return Scaled(c, edge < 30 ? 0.82 + 0.006 * edge : 1.0);
  });
  img.Fill(Rect(262, 166, 762, 168), Hex(0x8A6A40));
  img.Fill(Rect(262, 171, 762, 172), Hex(0x8A6A40));
  // A candle at the top left and an ink pot with a quill at the bottom right.
  img.Glow({110, 140}, 330, WithAlpha(Hex(0xFFB050), 0.55));
  img.Fill(Ellipse(110, 236, 46, 14), Hex(0x8A6420));
  img.Fill(Rect(94, 150, 126, 232), Linear({94, 0}, {126, 0}, {{0.0, Hex(0xF4ECD8)}, {1.0, Hex(0xB8AA90)}}));
  img.Fill(Ellipse(110, 150, 16, 5), Hex(0xFFF6E4));
  img.Fill(Ellipse(110, 128, 7, 17), Radial({110, 134}, 18, {{0.0, Hex(0xFFFFE0)}, {0.6, Hex(0xFFC040)}, {1.0, Hex(0xFF7A20)}}));
  img.Glow({110, 130}, 60, WithAlpha(Hex(0xFF9040), 0.6));
  img.Fill(Ellipse(910, 640, 44, 34), Radial({900, 625}, 50, {{0.0, Hex(0x3A4660)}, {1.0, Hex(0x0C1018)}}));
  img.Fill(Rect(892, 594, 928, 612), Hex(0x1A1E28));
  img.Fill(Line({915, 600}, {990, 440}, 3), Hex(0xE8E0D0));
  img.Fill(Polygon({{960, 500}, {1000, 420}, {1012, 432}, {972, 512}}), Hex(0xF4F0E8));
  Vignette(img, 1.3);
  return Save(img, dirs, "arrival.jpg");
}

bool Cottage(const AssetDirs& dirs) {
  Image img(kW, kH);
  img.Fill(Rect(0, 0, kW, 530), Planks(true, 64, Hex(0x6B4528), 31));
  img.Fill(Rect(0, 530, kW, kH), Planks(false, 34, Hex(0x50321C), 32));
  img.Fill(Rect(0, 0, kW, 46), Planks(false, 46, Hex(0x3A2414), 33));
  img.Fill(Rect(0, 520, kW, 536), Hex(0x2A180C));
  // The window: a night view with the dark lighthouse far away.
  img.Fill(Rect(420, 110, 620, 340), Hex(0x3A2212));
  img.Fill(Rect(432, 122, 608, 328), [](double, double y) {
    if (y > 262) return Mix(Hex(0x1A2C50), Hex(0x0C1630), (y - 262) / 66);
    return Mix(Hex(0x0A1030), Hex(0x2C3A6E), (y - 122) / 140);
  });
  Rng rng(41);
  for (int i = 0; i < 26; ++i)
    img.Fill(Ellipse(rng.Range(434, 606), rng.Range(124, 250), 0.8, 0.8), Hex(0xE8EEFF, 0.9));
  img.Fill(Polygon({{548, 264}, {566, 264}, {562, 212}, {552, 212}}), Hex(0x6A6270));
  img.Fill(Rect(549, 200, 565, 212), Hex(0x1A2030));
  img.Fill(Polygon({{546, 201}, {568, 201}, {557, 190}}), Hex(0x3A1E1E));
  img.Fill(Rect(516, 122, 524, 328), Hex(0x3A2212));
  img.Fill(Rect(432, 221, 608, 229), Hex(0x3A2212));
  // Curtains.
  for (int side = 0; side < 2; ++side) {
    const double x0 = side == 0 ? 396 : 584, x1 = side == 0 ? 446 : 644;
    img.Fill(Polygon({{x0, 96}, {x1, 96}, {x1 - (side == 0 ? 20 : -20), 360}, {x0 + (side == 0 ? 0 : 0), 360}}),
             [=](double x, double) {
               const double fold = 0.7 + 0.3 * std::sin((x - x0) / 5.0);
               return Scaled(Hex(0x8A2A2A), fold);
             });
  }
  img.Fill(Rect(386, 90, 654, 100), Hex(0x2A180C));
  // The fireplace.
  img.Fill(Rect(110, 90, 340, 530), Stones(Hex(0x6E665C), 51));
  img.Fill(Rect(96, 328, 354, 352), Planks(false, 24, Hex(0x5A3418), 52));
  Shape opening = Polygon({{160, 530}, {160, 420}, {172, 398}, {200, 384}, {250, 384},
                           {278, 398}, {290, 420}, {290, 530}});
  img.Fill(opening, Linear({0, 384}, {0, 530}, {{0.0, Hex(0x0A0604)}, {1.0, Hex(0x3A1408)}}));
  img.Fill(Rect(178, 510, 272, 522), Hex(0x4A2A14));
  img.Fill(Rect(186, 500, 262, 512), Hex(0x5A3418));
  img.Fill(Ellipse(225, 522, 52, 8), Hex(0xFF6A20, 0.7));
  img.Glow({225, 470}, 430, WithAlpha(Hex(0xFF8A30), 0.38));
  // The table, and a picture of a ship on the wall.
  img.Fill(Ellipse(680, 566, 150, 14), Hex(0x000000, 0.35));
  img.Fill(Rect(572, 440, 590, 562), Hex(0x3A2414));
  img.Fill(Rect(770, 440, 788, 562), Hex(0x3A2414));
  img.Fill(Rect(550, 428, 810, 446), Hex(0x4A2C16));
  img.Fill(RoundRect(546, 412, 814, 432, 6), Planks(false, 10, Hex(0x8A5A32), 61));
  img.Fill(Rect(690, 150, 830, 252), Hex(0x8A6A30));
  img.Fill(Rect(698, 158, 822, 244), Linear({0, 158}, {0, 244}, {{0.0, Hex(0x6A8AB0)}, {0.6, Hex(0xC8D4DC)}, {0.61, Hex(0x3A5A7A)}, {1.0, Hex(0x2A4060)}}));
  img.Fill(Polygon({{730, 214}, {792, 214}, {784, 226}, {738, 226}}), Hex(0x3A2414));
  img.Fill(Polygon({{760, 212}, {760, 172}, {786, 210}}), Hex(0xF0EEE4));
  img.Fill(Polygon({{756, 212}, {756, 182}, {736, 210}}), Hex(0xE0DCD0));
  // A rocking chair by the fire.
  img.Fill(Rect(372, 440, 440, 452), Hex(0x4A2A14));
  img.Fill(Line({376, 452}, {370, 552}, 7), Hex(0x3A200E));
  img.Fill(Line({436, 452}, {446, 552}, 7), Hex(0x3A200E));
  img.Fill(Line({372, 446}, {360, 330}, 8), Hex(0x3A200E));
  img.Fill(Line({360, 330}, {352, 300}, 6), Hex(0x3A200E));
  for (double y = 350; y < 440; y += 22) img.Fill(Line({364, y}, {372, y + 4}, 4), Hex(0x4A2A14));
  img.Fill(Polygon({{340, 548}, {470, 548}, {466, 556}, {346, 556}}), Hex(0x2A1608));
  Vignette(img, 1.0);
  return Save(img, dirs, "cottage.jpg");
}

void Boat(Image& img, double x, double y, double w, bool sail) {
  img.Fill(Polygon({{x, y}, {x + w, y}, {x + w * 0.88, y + w * 0.22}, {x + w * 0.12, y + w * 0.22}}),
           [=](double, double yy) {
             const int plank = static_cast<int>((yy - y) / 7);
             return Scaled(Hex(0x5A3A22), plank % 2 ? 0.75 : 0.9);
           });
  img.Fill(Rect(x, y - 4, x + w, y + 2), Hex(0x3A2414));
  if (!sail) return;
  img.Fill(Rect(x + w * 0.48, y - w * 0.9, x + w * 0.48 + 4, y), Hex(0x2A1A10));
  img.Fill(Polygon({{x + w * 0.5 + 4, y - w * 0.85}, {x + w * 0.5 + 4, y - 8}, {x + w * 0.95, y - 8}}),
           Linear({x + w * 0.5, 0}, {x + w, 0}, {{0.0, Hex(0xD8D4C4)}, {1.0, Hex(0x8A8878)}}));
  img.Fill(Polygon({{x + w * 0.48, y - w * 0.8}, {x + w * 0.48, y - 8}, {x + w * 0.12, y - 8}}),
           Hex(0xB0AC9C));
  img.Glow({x + w * 0.5, y - w * 0.9}, 26, WithAlpha(Hex(0xFFD080), 0.9));
  img.Fill(Ellipse(x + w * 0.5, y - w * 0.9, 3, 3), Hex(0xFFF0C0));
}

bool Shore(const AssetDirs& dirs) {
  Image img(kW, kH);
  NightSky(img, 380, 21, 1.1);
  Moon(img, {560, 90}, 36);
  Sea(img, 380, 600, 560, 22);
  img.Fill(Polygon({{600, 382}, {660, 370}, {740, 372}, {800, 382}}), Hex(0x141A34));
  // The gull's post standing in the water.
  img.Fill(Rect(634, 430, 646, 528), Linear({634, 0}, {646, 0}, {{0.0, Hex(0x5A4030)}, {1.0, Hex(0x2A1C12)}}));
  img.Fill(Ellipse(640, 528, 16, 3), Hex(0x6A86B0, 0.6));
  // Sand, with a line of foam along the water.
  auto shore = [](double x) { return 540 + 10 * std::sin(x / 95.0) + 6 * std::sin(x / 37.0); };
  std::vector<Pt> sand;
  for (double x = 0; x <= kW; x += 8) sand.push_back({x, shore(x)});
  sand.push_back({kW, kH});
  sand.push_back({0, kH});
  img.Fill(Polygon(sand), [&](double x, double y) {
    const double t = (y - shore(x)) / 230;
    Rgba c = Mix(Hex(0x6A6252), Hex(0x3E382E), std::clamp(t, 0.0, 1.0));
    if (y - shore(x) < 14) c = Mix(c, Hex(0x3A3A3E), 0.5);
    return Scaled(c, 0.85 + 0.3 * Noise(x / 2.2, y / 2.2, 23));
  });
  for (double x = 0; x < kW; x += 3)
    img.Fill(Ellipse(x, shore(x) - 1, 3, 1.6), Hex(0xC8D8E8, 0.45 + 0.3 * Noise(x / 20, 1, 24)));
  // The cottage, its lit window and the chimney.
  img.Fill(Rect(30, 300, 320, 536), Stones(Hex(0x686A78), 25));
  img.Fill(Polygon({{10, 306}, {175, 194}, {340, 306}}), [](double x, double y) {
    const int row = static_cast<int>(y / 9);
    return Scaled(Hex(0x3A3440), (row % 2 ? 0.85 : 1.0) * (0.85 + 0.3 * Noise(x / 14, row, 26)));
  });
  img.Fill(Rect(238, 176, 268, 252), Stones(Hex(0x7A7480), 27));
  img.Fill(Rect(234, 170, 272, 180), Hex(0x2A2630));
  img.Glow({258, 380}, 90, WithAlpha(Hex(0xFFC060), 0.6));
  img.Fill(Rect(224, 348, 292, 412), Hex(0x3A2414));
  img.Fill(Rect(230, 354, 286, 406), Radial({258, 380}, 40, {{0.0, Hex(0xFFF0B0)}, {1.0, Hex(0xF0A040)}}));
  img.Fill(Rect(256, 354, 260, 406), Hex(0x3A2414));
  img.Fill(Rect(230, 378, 286, 382), Hex(0x3A2414));
  img.Fill(Rect(140, 424, 214, 430), Hex(0x2A2630));
  img.Fill(Rect(136, 524, 218, 538), Hex(0x5A5A60));
  img.Fill(Ellipse(140, 416, 5, 7), Hex(0xFFD070));
  img.Glow({140, 416}, 40, WithAlpha(Hex(0xFFC060), 0.7));
  // The lighthouse on its rocks.
  Rocks(img, {{736, 566}, {768, 512}, {820, 494}, {950, 490}, {1004, 512}, {1024, 556}, {1024, 604}, {990, 596},
              {930, 606}, {870, 596}, {810, 602}, {760, 590}}, 28);
  Lighthouse(img, 880, 526, 130, 58, 42, false);
  // Old Tobias' boat pulled up on the sand.
  img.Fill(Ellipse(510, 628, 110, 10), Hex(0x000000, 0.3));
  Boat(img, 410, 578, 200, false);
  img.Fill(Line({430, 600}, {560, 566}, 5), Hex(0x8A6A40));
  Vignette(img, 0.8);
  return Save(img, dirs, "shore.jpg");
}

bool LampRoom(const AssetDirs& dirs) {
  Image img(kW, kH);
  NightSky(img, 330, 41, 1.0);
  img.Fill(Rect(0, 330, kW, 470), [](double x, double y) {
    const double wave = Fbm(x / 120, y / 4, 4, 42);
    return Mix(Mix(Hex(0x1E3260), Hex(0x0C1632), (y - 330) / 140), Hex(0x3A5A90), std::max(0.0, wave - 0.55));
  });
  // Glass reflections, then the iron frames of the lantern.
  img.FillAll([](double x, double y) {
    const double streak = std::sin((x + y * 0.6) / 60.0);
    return Rgba{0.7f, 0.8f, 1.0f, static_cast<float>(streak > 0.92 ? 0.08 : 0.0)};
  });
  const Paint iron = Linear({0, 0}, {0, 10}, {{0.0, Hex(0x2A3A3A)}, {1.0, Hex(0x121C1C)}});
  img.Fill(Rect(0, 0, kW, 34), iron);
  for (double x : {-10.0, 230.0, 782.0, 1022.0}) img.Fill(Rect(x, 30, x + 14, 470), iron);
  for (double y : {30.0, 244.0}) img.Fill(Rect(0, y, kW, y + 10), iron);
  // The lower wall with rivets, the floor grating.
  img.Fill(Rect(0, 466, kW, 560), [](double x, double y) {
    return Scaled(Hex(0x6A3024), 0.8 + 0.25 * Fbm(x / 30, y / 30, 4, 43));
  });
  for (double x = 20; x < kW; x += 40) {
    img.Fill(Ellipse(x, 478, 3, 3), Hex(0x3A1A12));
    img.Fill(Ellipse(x, 548, 3, 3), Hex(0x3A1A12));
  }
  img.Fill(Rect(0, 560, kW, kH), [](double x, double y) {
    const double gx = std::fmod(x + (y - 560) * 0.35, 24.0), gy = std::fmod(y, 16.0);
    Rgba c = Hex(0x34343C);
    if (gx < 4 || gy < 3) c = Hex(0x16161C);
    return Scaled(c, 1.0 - (y - 560) / 520);
  });
  // The pedestal under the lamp.
  img.Fill(Rect(462, 470, 562, 604), Linear({462, 0}, {562, 0}, {{0.0, Hex(0x5A5A62)}, {0.4, Hex(0x8A8A92)}, {1.0, Hex(0x2A2A30)}}));
  img.Fill(Rect(430, 600, 594, 630), Linear({430, 0}, {594, 0}, {{0.0, Hex(0x8A6A2A)}, {0.4, Hex(0xD8B060)}, {1.0, Hex(0x5A4010)}}));
  img.Fill(Ellipse(512, 636, 110, 10), Hex(0x000000, 0.4));
  Vignette(img, 1.0);
  return Save(img, dirs, "lamproom.jpg");
}

bool Ending(const AssetDirs& dirs) {
  Image img(kW, kH);
  NightSky(img, 400, 31, 1.25);
  Moon(img, {180, 100}, 40);
  Sea(img, 400, kH, 180, 32);
  Rocks(img, {{600, 470}, {640, 430}, {700, 412}, {800, 408}, {880, 420}, {940, 452}, {980, 470}}, 33);
  Lighthouse(img, 760, 430, 208, 36, 26, true);
  // The light on the water below the lamp.
  img.Fill(Rect(0, 402, kW, kH), [](double x, double y) {
    const double near = std::exp(-std::pow((x - 760) / (40 + (y - 400) * 0.4), 2));
    const double glint = Noise(x / 8, y / 1.5, 34);
    return Rgba{1.0f, 0.85f, 0.5f, static_cast<float>(glint > 0.6 ? near * 0.5 : 0.0)};
  }, Blend::Add);
  Boat(img, 250, 470, 120, true);
  Vignette(img, 0.9);
  return Save(img, dirs, "ending.jpg");
}

}  // namespace

bool MakeBackgrounds(const AssetDirs& dirs) {
  return Title(dirs) && Arrival(dirs) && Cottage(dirs) && Shore(dirs) && LampRoom(dirs) &&
         Ending(dirs);
}

}  // namespace demo
