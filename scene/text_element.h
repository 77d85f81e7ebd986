#pragma once
// TQZText: a piece of text drawn in a box with a bitmap font or the unicode font.

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace scene {

class TQZText : public TQZElement {
 public:
  explicit TQZText(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  uint32_t hxDrawFx = 0x504;
  uint32_t Colour1 = 0xFFFFFFFF;
  uint32_t Colour2 = 0;
  int32_t SizeX = 100;
  int32_t SizeY = 100;
  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  bool EnEnter = false;
  bool AutoScale = false;
  bool AutoEnter = false;
  double Interval = 0;
  double Scale = 1.0;
  uint32_t hxShadColor = 0;
  bool Emboss = false;
  bool Shadow = false;
  bool Uni = false;

  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& text) { text_ = text; }
  const std::string& TextId() const { return textId_; }
  virtual void SetTextId(const std::string& id) { textId_ = id; }
  const std::string& Font() const { return fontName_; }
  virtual void SetFont(const std::string& name) { fontName_ = name; }
  // Layout-affecting writers; the text element re-lays its text out.
  virtual void SetLayoutFlag(bool& field, bool value) { field = value; }

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }

 protected:
  std::string text_;
  std::string textId_;
  std::string fontName_;
};

}  // namespace scene
