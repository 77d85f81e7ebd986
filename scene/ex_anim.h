#pragma once
// TQZExAnim: plays an animation that lives under the root, in place. It
// shares the animation's frame table and keeps its own Pos, Active and Rep.

#include <cstdint>

#include "scene/element.h"

namespace scene {

class TQZAnim;

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
    animHandle_ = 0;
  }
  // Pos := value, clamped or wrapped against the animation's frame count as
  // the animation's own Pos is; unclamped while there is no animation.
  virtual void SetPosValue(int32_t value);

  // The first child of the root that is a TQZAnim with Key obAnim (cached).
  TQZAnim* ResolveAnim();

  // The anchored left and top relative to the parent.
  int32_t AnchoredLeft();
  int32_t AnchoredTop();

  int32_t GetSizeX() override;
  int32_t GetSizeY() override;
  int32_t GetAbsX() override;
  int32_t GetAbsY() override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY, int32_t flag) override;
  void DoProcess() override;
  // The base operation, then the animation's resources loaded afresh: an
  // animation under the root is not part of any screen, so nothing else
  // loads its pictures when a screen with this element is loaded, and its
  // frames are built from loaded pictures only.
  void LoadResources() override;

 protected:
  int32_t obAnim_ = 0;
  // The animation by handle: a handle of an element that is gone resolves to
  // nothing, where a pointer would dangle.
  uint32_t animHandle_ = 0;
};

}  // namespace scene
