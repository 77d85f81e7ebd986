#pragma once
// TQZAnKey: one key of an animation; its images show the scene at that key.

#include <cstdint>

#include "scene/element.h"

namespace scene {

class TQZAnKey : public TQZElement {
 public:
  explicit TQZAnKey(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  uint16_t Count = 0;  // in-between frames after this key
  bool Morph = false;

  // Writing Count rebuilds the parent animation.
  void SetCount(uint16_t value);
  // Reads the record, then asks the parent animation to rebuild its frames.
  bool LoadFromData(std::span<const uint8_t> data) override;

  void RebuildParent();

  // A key has the size of its animation.
  int32_t GetSizeX() override;
  int32_t GetSizeY() override;
};

}  // namespace scene
