#pragma once
// A small game for the visual element tests: a game folder with PNG images
// written through libpng, fonts in a real font archive, a software canvas
// drawing into a frame, the image cache and font store of the renderer, and a
// stand-in script runner that records every run.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/canvas2d.h"
#include "render/font_store.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/screen.h"
#include "support/test_support.h"

namespace scene {
namespace visual_test {

using PixelFn = std::function<uint32_t(int x, int y)>;

// Writes an 8-bit RGBA PNG file (pixels given as ARGB).
void WritePngFile(const std::filesystem::path& path, int width, int height, const PixelFn& pixel);

// A font record whose glyphs for codes 32..126 are all `width` x `height`
// pictures filled with opaque white, except the space, which is transparent.
std::string BlockFontRecord(int width, int height);

inline constexpr uint32_t kRed = 0xFFFF0000u;
inline constexpr uint32_t kGreen = 0xFF00FF00u;
inline constexpr uint32_t kBlue = 0xFF0000FFu;
inline constexpr uint32_t kWhite = 0xFFFFFFFFu;
inline constexpr uint32_t kClear = 0x00000000u;
inline constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class VisualTest : public ::testing::Test {
 protected:
  // Every script run as "<Id>:<context>" (the root's own as "QZDB:<context>").
  static std::vector<std::string>& Runs();
  // Called on every run after it is recorded (tests read values mid-run).
  static std::function<void(TQZElement&, const char*)>& OnRun();

  void SetUp() override;
  void TearDown() override;

  // Writes a PNG into the game folder.
  void Png(const std::string& name, int width, int height, const PixelFn& pixel);
  // A width x height PNG in one colour.
  void SolidPng(const std::string& name, int width, int height, uint32_t argb);
  // A sprite-sheet file for an image: columns, rows.
  void Sheet(const std::string& anName, int columns, int rows);
  // Builds "fonts.dat" with "Block" (10 x 20 glyphs) and "Small" (6 x 10)
  // and loads it through the root's FileFonts.
  void LoadBlockFonts();

  // A screen of the root, made current.
  TQZScreen* NewScreen(int32_t key = 1);
  template <class T>
  T* Add(TQZElement* parent, const char* className, const char* id = nullptr) {
    auto* e = dynamic_cast<T*>(parent->CreateChild(className));
    EXPECT_NE(e, nullptr) << className;
    if (e && id) e->SetId(id);
    return e;
  }
  // Assigns a script text (the stand-in records the run when it is not empty).
  static void Script(TQZElement* e, Ev ev, const std::string& text = "x") {
    e->SetScriptText(e->Script(ev), text);
  }

  // Clears the frame to black and draws the current screen at every layer.
  void Render();
  // Colour of a frame pixel without its alpha byte.
  uint32_t Rgb(int x, int y) const { return frame_.Pixel(x, y) & 0xFFFFFFu; }
  // Pixels of exactly this colour in [left, right) x [top, bottom).
  int Count(int left, int top, int right, int bottom, uint32_t rgb) const;
  // The bounding box (left, top, right, bottom inclusive) of the pixels that
  // are not black; all -1 when there are none.
  std::array<int, 4> Extent() const;
  // Hit test of the current screen through the root, top layer first.
  TQZElement* HitAt(int x, int y) { return root_.HitTestLayers(x, y); }

  testing_support::TempDir game_;
  render::Frame frame_;
  render::Canvas2D canvas_{frame_};
  render::ImageStore store_;
  resources::ImageCache cache_{store_};
  render::FontStore fonts_;
  GameHost host_;
  TQZDB root_;

 private:
  ScriptHooks saved_;
};

}  // namespace visual_test
}  // namespace scene
