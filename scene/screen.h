#pragma once
// TQZScreen: one scene of the game, a background image with elements on it.
//
// The background is drawn at the offset the caller gives (the screen's own
// rX and rY move only its children), once per frame at the screen's layer,
// followed by the exRender script. The hit margin Agro reaches every element
// on the screen; a Modal screen takes every pointer hit at its layer that
// none of its elements takes.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace resources {
class TQZIm;
}

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

  // The background entry's name (upper case, as the cache keys it), or the
  // name as given while there is no image cache; empty for none.
  std::string GetImBack() const;
  // Requests the image without the force flag and keeps the entry; when the
  // image is already loaded, SizeX and SizeY take its pattern size. An empty
  // name is no background.
  void SetImBack(const std::string& name);
  resources::TQZIm* Background() const { return background_; }

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }
  TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
             int32_t flag) override;

 private:
  std::string imBackName_;
  resources::TQZIm* background_ = nullptr;
};

}  // namespace scene
