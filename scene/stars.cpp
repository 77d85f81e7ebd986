#include "scene/stars.h"

#include <cmath>
#include <numbers>

#include "render/canvas.h"

namespace scene {

static_assert(StarTable::kStarDrawEffect == render::kEffectAdditive);

int StarTable::FirstFree() const {
  if (active_ >= kSlots) return -1;
  for (int i = freeHint_; i < kSlots; ++i)
    if (!slots_[static_cast<size_t>(i)].StarActive) return i;
  return -1;
}

void StarTable::Place(int index, const StarSpec& spec) {
  if (index < 0 || index >= kSlots) return;
  TStar& s = slots_[static_cast<size_t>(index)];
  if (!s.StarActive) ++active_;
  s.StarActive = true;
  s.StarPattern = spec.pattern;
  s.StarLayer = spec.layer;
  s.StarEffect = spec.effect;
  if (spec.colour) s.StarColour = *spec.colour;
  s.StarAngle = spec.angle;
  s.StarX = spec.x;
  s.StarY = spec.y;
  s.StarScale = spec.scale;
  s.StarSpin = spec.spin;
  s.StarGrow = spec.grow;
  s.StarDX = spec.dx;
  s.StarDY = spec.dy;
  if (index >= end_) end_ = index + 1;
  if (index == freeHint_) {
    while (freeHint_ < kSlots && slots_[static_cast<size_t>(freeHint_)].StarActive) ++freeHint_;
  }
}

void StarTable::Deactivate(int index) {
  slots_[static_cast<size_t>(index)].StarActive = false;
  --active_;
  if (index < freeHint_) freeHint_ = index;
}

void StarTable::Clear() {
  for (int i = 0; i < end_; ++i) slots_[static_cast<size_t>(i)].StarActive = false;
  active_ = 0;
  end_ = 0;
  freeHint_ = 0;
}

void StarTable::Update() {
  if (active_ == 0) {
    end_ = 0;
    return;
  }
  int last = -1;
  for (int i = 0; i < end_; ++i) {
    TStar& s = slots_[static_cast<size_t>(i)];
    if (!s.StarActive) continue;
    s.StarAngle += s.StarSpin;
    s.StarX += s.StarDX;
    s.StarY += s.StarDY;
    s.StarScale += s.StarGrow;
    // Written as "not above 0" so that a scale that is not a number ends too.
    if (!(s.StarScale > 0))
      Deactivate(i);
    else
      last = i;
  }
  end_ = last + 1;
}

void StarTable::Draw(int32_t layer, render::Canvas& canvas,
                     const render::RenderImage* sheet) const {
  if (active_ == 0 || sheet == nullptr) return;
  for (int i = 0; i < end_; ++i) {
    const TStar& s = slots_[static_cast<size_t>(i)];
    if (!s.StarActive || s.StarLayer != layer) continue;
    if (!std::isfinite(s.StarX) || !std::isfinite(s.StarY) || !std::isfinite(s.StarAngle) ||
        !std::isfinite(s.StarScale))
      continue;
    canvas.DrawImageRotated(sheet, s.StarColour + 0xFF000000u, s.StarX, s.StarY,
                            s.StarAngle * std::numbers::pi / 180.0, s.StarScale, s.StarPattern,
                            kStarDrawEffect);
  }
}

}  // namespace scene
