#pragma once
// StarTable: the root's short-lived star sprites, 5001 fixed slots.
//
// A star is a particle-sheet pattern that turns, moves and grows by fixed
// amounts every step; its scale is also its life, and it ends as soon as the
// scale is no longer above 0. Scripts add stars one at a time or scattered
// over a picture; every screen switch empties the table.
//
// The table keeps the number of active slots and the end of the used range,
// so steps and frames without stars (the usual case) cost nothing, and a
// frame drawn layer by layer visits only the slots that were ever filled.

#include <array>
#include <cstdint>
#include <optional>

namespace render {
class Canvas;
class RenderImage;
}  // namespace render

namespace scene {

struct TStar {
  int32_t StarPattern = 0;
  int32_t StarLayer = 0;
  int32_t StarEffect = 0;  // stored only: stars are always drawn with kStarDrawEffect
  bool StarActive = false;
  uint32_t StarColour = 0;  // 0xRRGGBB, drawn opaque
  double StarAngle = 0;     // degrees
  double StarX = 0;
  double StarY = 0;
  double StarScale = 0;
  double StarSpin = 0;
  double StarGrow = 0;
  double StarDX = 0;
  double StarDY = 0;
};

// What a script asks for when it adds a star.
struct StarSpec {
  double angle = 0, x = 0, y = 0, scale = 0, spin = 0, grow = 0, dx = 0, dy = 0;
  int32_t pattern = 0;
  int32_t layer = 1000;
  int32_t effect = 260;
  // Empty: the slot keeps the colour of the star that used it before.
  std::optional<uint32_t> colour;
};

class StarTable {
 public:
  static constexpr int kSlots = 5001;
  // The layer drawn after all of a screen's layers.
  static constexpr int32_t kTopLayer = 1000;
  // Source alpha added onto the frame (the canvas's additive code).
  static constexpr uint32_t kStarDrawEffect = 260;

  // The first inactive slot, from index 0 upward; -1 when all are active.
  int FirstFree() const;
  // Fills slot `index` (a slot FirstFree gave) and makes it active.
  void Place(int index, const StarSpec& spec);
  // Makes every slot inactive.
  void Clear();
  // One fixed step: every active star turns, moves and grows in index order
  // and ends unless its scale is still above 0.
  void Update();
  // Draws the active stars of one layer in index order, centred on their
  // positions, with the sheet's pattern rotated and scaled. Stars whose
  // position, angle or scale is not a finite number are not drawn.
  void Draw(int32_t layer, render::Canvas& canvas, const render::RenderImage* sheet) const;

  int ActiveCount() const { return active_; }
  const TStar& Slot(int index) const { return slots_[static_cast<size_t>(index)]; }

 private:
  void Deactivate(int index);

  std::array<TStar, kSlots> slots_{};
  int active_ = 0;
  int end_ = 0;        // every active slot lies below it
  int freeHint_ = 0;   // every slot below it is active
};

}  // namespace scene
