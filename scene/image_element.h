#pragma once
// TQZImage: a picture drawn with an anchor, scale, rotation, tint and pattern.
//
// The picture is an image cache entry requested when imImage is assigned; it
// is drawn from its texture and hit-tested against the opacity of its first
// pattern. Children are placed relative to the picture's drawn top-left corner.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace resources {
class TQZIm;
}

namespace scene {

class TQZImage : public TQZElement {
 public:
  explicit TQZImage(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  uint32_t hxDrawFx = 0x504;
  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  int32_t ScaleThousandths = 1000;  // `Scale` x 1000, rounded
  int32_t AngleThousandths = 0;     // `Angle` x 1000, rounded; degrees, clockwise
  int32_t Anim = 0;
  double ScaleX = 1.0;
  double ScaleY = 1.0;
  bool Interpol = true;
  bool InterpolSc = true;
  std::string TextId;
  uint32_t Colour = 0xFFFFFFFF;  // hxColor is the low 24 bits, hxTrans the top 8

  double Scale() const { return ScaleThousandths / 1000.0; }
  double Angle() const { return AngleThousandths / 1000.0; }
  // The angle in radians, positive clockwise on screen.
  double AngleRadians() const;
  void SetScale(double value);
  void SetAngle(double value);

  // The picture entry's name (upper case, as the cache keys it), or the name
  // as given while there is no image cache; empty for none.
  std::string GetImImage() const;
  // Requests the image without the force flag and keeps the entry. An empty
  // name is no picture.
  void SetImImage(const std::string& name);
  // The picture entry, or null.
  resources::TQZIm* Picture() const { return picture_; }
  // The picture is loaded (has a texture).
  bool PictureLoaded() const;

  // The drawn size: Scale x pattern size x ScaleX (ScaleY); 0 while not loaded.
  double DrawnWidth() const;
  double DrawnHeight() const;

  // The opacity test of one point in the parent's coordinates; `margin` is
  // the screen's hit margin and `threshold` the alpha a pixel must exceed.
  bool PixelHit(int32_t x, int32_t y, int32_t margin, int32_t threshold) const;

  int32_t GetSizeX() override;
  int32_t GetSizeY() override;
  int32_t GetAbsX() override;
  int32_t GetAbsY() override;
  TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
             int32_t flag) override;

 private:
  void DrawPicture(double offsetX, double offsetY);

  std::string imImageName_;
  resources::TQZIm* picture_ = nullptr;
};

}  // namespace scene
