#pragma once
// TQZEffect: a particle effect element.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace scene {

class TQZEffect : public TQZElement {
 public:
  explicit TQZEffect(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  double DAnim = 0;          // time units per second of play
  uint32_t hxColor = 0xFFFFFF;  // colour mask
  script::ScriptSlot exStart;

  bool Active() const { return active_; }
  virtual void SetActive(bool value) { active_ = value; }
  const std::string& EffectFN() const { return effectFN_; }
  virtual void SetEffectFN(const std::string& name) { effectFN_ = name; }

 protected:
  bool active_ = false;
  std::string effectFN_;
};

}  // namespace scene
