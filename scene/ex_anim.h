#pragma once
// TQZExAnim: plays an animation that lives under the root, in place.

#include <cstdint>

#include "scene/element.h"

namespace scene {

class TQZExAnim : public TQZElement {
 public:
  explicit TQZExAnim(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  int32_t Pos = 0;
  bool Rep = false;
  bool Active = false;

  int32_t obAnim() const { return obAnim_; }
  // Writing obAnim forgets the cached animation.
  void SetObAnim(int32_t key) {
    obAnim_ = key;
    anim_ = nullptr;
  }
  virtual void SetPosValue(int32_t value) { Pos = value; }

 protected:
  int32_t obAnim_ = 0;
  TQZElement* anim_ = nullptr;
};

}  // namespace scene
