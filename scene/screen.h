#pragma once
// TQZScreen: one scene of the game, a background image with elements on it.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace scene {

class TQZScreen : public TQZElement {
 public:
  explicit TQZScreen(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  int32_t SizeX = 0;
  int32_t SizeY = 0;
  uint32_t hxDrawFx = 1;
  int32_t Agro = 0;
  bool Modal = false;
  bool AllwaysLoad = false;

  // The background image's name as `ImBack` reads it.
  virtual std::string GetImBack() const { return imBackName_; }
  virtual void SetImBack(const std::string& name) { imBackName_ = name; }

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }

 protected:
  std::string imBackName_;
};

}  // namespace scene
