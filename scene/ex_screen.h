#pragma once
// TQZExScreen: shows another screen, given by its Key, inside the current one.

#include <cstdint>

#include "scene/element.h"

namespace scene {

class TQZExScreen : public TQZElement {
 public:
  explicit TQZExScreen(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  bool Modal = false;
  bool Processing = true;

  int32_t obScreen() const { return obScreen_; }
  // Writing obScreen forgets the cached screen.
  void SetObScreen(int32_t key) {
    obScreen_ = key;
    screen_ = nullptr;
  }

 protected:
  int32_t obScreen_ = 0;
  TQZElement* screen_ = nullptr;  // cache of the screen found by obScreen
};

}  // namespace scene
