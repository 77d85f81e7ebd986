#pragma once
// TQZAnim: a keyframe animation built from its keys (TQZAnKey children).

#include <cstdint>
#include <string>

#include "scene/element.h"

namespace scene {

class TQZAnim : public TQZElement {
 public:
  explicit TQZAnim(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  int32_t SizeX = 0;
  int32_t SizeY = 0;
  uint32_t hxDrawFx = 1;
  int32_t Agro = 0;
  bool Modal = false;
  int32_t Pos = 0;
  bool Morph = false;
  bool Rep = false;
  bool ShowAn = false;
  bool Active = false;
  script::ScriptSlot exStop;
  script::ScriptSlot exStart;
  script::ScriptSlot exAnim;
  double Angle = 0;
  bool Interpol = false;

  virtual std::string GetImBack() const { return imBackName_; }
  virtual void SetImBack(const std::string& name) { imBackName_ = name; }
  // Rebuilds the frame table from the keys (not while the loading flag is set).
  virtual void Rebuild() {}
  virtual void SetPosValue(int32_t value) { Pos = value; }
  virtual void SetMorph(bool value) { Morph = value; }
  virtual void SetInterpol(bool value) { Interpol = value; }

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }

 protected:
  std::string imBackName_;
};

}  // namespace scene
