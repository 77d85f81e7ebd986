#pragma once
// The demo's pictures and sounds. Every function writes its files below the
// given folders and answers false when a file could not be written.
//
// Screen coordinates used by the pictures and by demo/scene.json (both must
// agree): the inventory panel covers y 668..768 of every game scene; the
// cottage's fireplace fire burns at (225, 505); the shore's chimney smokes at
// (254, 172) and the gull's post stands at x 640 with its top at y 430; the
// lighthouse lantern of the ending shines at (760, 176).

#include <string>

#include "demo/tools/raster.h"

namespace demo {

struct AssetDirs {
  std::string pack;   // files that go into the resource pack
  std::string loose;  // files that stay beside the game file
  std::string font;   // a TrueType font for the logos
};

// Shared drawing helpers (art_common.cpp).
void NightSky(Image& image, double horizon, uint32_t seed, double brightness);
void Moon(Image& image, Pt centre, double radius);
void Sea(Image& image, double top, double bottom, double moonX, uint32_t seed);
void Lighthouse(Image& image, double cx, double baseY, double topY, double baseHalf,
                double topHalf, bool lit);
Paint Planks(bool vertical, double plankSize, Rgba base, uint32_t seed);
void Vignette(Image& image, double strength);

// Backgrounds (art_scenes.cpp): images\*.jpg in the pack.
bool MakeBackgrounds(const AssetDirs& dirs);
// Objects with alpha, their sprite-sheet files, the panel and the pointer
// (art_objects.cpp): images\*.png and *.an in the pack; the particle sheet
// particles.bmp with particles.an beside the game.
bool MakeObjects(const AssetDirs& dirs);
// The two intro logos (art_objects.cpp): logos\logo1.jpg, logos\logo2.jpg.
bool MakeLogos(const AssetDirs& dirs);
// Sound effects as WAV in the pack, music and logo chimes as OGG beside the
// game (audio_gen.cpp).
bool MakeSounds(const AssetDirs& dirs);

}  // namespace demo
