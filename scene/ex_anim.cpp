#include "scene/ex_anim.h"

#include <algorithm>

#include "scene/anim.h"
#include "scene/db.h"
#include "scene/prop_table.h"

namespace scene {

TQZExAnim::TQZExAnim(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZExAnim");
  BindClass(cls);
}

TQZAnim* TQZExAnim::ResolveAnim() {
  if (animHandle_) {
    if (auto* anim = dynamic_cast<TQZAnim*>(FromHandle(animHandle_))) return anim;
    animHandle_ = 0;
  }
  TQZDB* root = Root();
  if (!root) return nullptr;
  for (TQZElement* c : static_cast<TQZElement*>(root)->Children()) {
    auto* anim = dynamic_cast<TQZAnim*>(c);
    if (anim && anim->Key == obAnim_) {
      animHandle_ = anim->Handle();
      return anim;
    }
  }
  return nullptr;
}

void TQZExAnim::SetPosValue(int32_t value) {
  Pos = value;
  TQZAnim* anim = ResolveAnim();
  if (!anim) return;
  const int32_t count = anim->FrameCount();
  if (value >= count) Pos = Rep ? 0 : count - 1;
}

int32_t TQZExAnim::GetSizeX() {
  TQZAnim* anim = ResolveAnim();
  return anim ? anim->GetSizeX() : 0;
}

int32_t TQZExAnim::GetSizeY() {
  TQZAnim* anim = ResolveAnim();
  return anim ? anim->GetSizeY() : 0;
}

namespace {

int64_t Anchor(int64_t pos, int64_t size, int halves) {
  // Integer division truncating toward zero, as the anchoring rule says.
  return halves == 0 ? pos : halves == 1 ? pos - size / 2 : pos - size;
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t TQZExAnim::AnchoredLeft() {
  return Clamp32(Anchor(X(), GetSizeX(), static_cast<int>(PosHor)));
}

int32_t TQZExAnim::AnchoredTop() {
  return Clamp32(Anchor(Y(), GetSizeY(), static_cast<int>(PosVert)));
}

int32_t TQZExAnim::GetAbsX() {
  return Clamp32(int64_t{AnchoredLeft()} + (Parent() ? Parent()->GetAbsX() : 0));
}

int32_t TQZExAnim::GetAbsY() {
  return Clamp32(int64_t{AnchoredTop()} + (Parent() ? Parent()->GetAbsY() : 0));
}

void TQZExAnim::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                      int32_t /*flag*/) {
  if (!ResourcesLoaded) LoadResources();
  TQZAnim* anim = ResolveAnim();
  if (anim && layer == Order)
    anim->DrawFrame(Pos, colour, offsetX + AnchoredLeft(), offsetY + AnchoredTop());
}

void TQZExAnim::LoadResources() {
  if (ResourcesLoaded) return;
  TQZElement::LoadResources();
  if (TQZAnim* anim = ResolveAnim()) {
    anim->ClearResourcesLoaded();
    anim->LoadResources();
  }
}

void TQZExAnim::DoProcess() {
  // Counting goes on while invisible; there are no animation events here.
  if (Active && Pos >= 0) SetPosValue(Pos + 1);
  TQZElement::DoProcess();
}

void TQZExAnim::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZExAnim";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZExAnim>(parent); };
  PropTable<TQZExAnim> t(cls);
  t.Base();
  t.Field("PosHor", PropType::Enum, &TQZExAnim::PosHor).Names(kPosHorNames);
  t.Field("PosVert", PropType::Enum, &TQZExAnim::PosVert).Names(kPosVertNames);
  t.OrdFn(
      "obAnim", PropType::Int32, [](const TQZExAnim& e) -> int64_t { return e.obAnim(); },
      [](TQZExAnim& e, int64_t v) { e.SetObAnim(static_cast<int32_t>(v)); });
  t.OrdFn(
      "Pos", PropType::Int32, [](const TQZExAnim& e) -> int64_t { return e.Pos; },
      [](TQZExAnim& e, int64_t v) { e.SetPosValue(static_cast<int32_t>(v)); });
  t.Field("Rep", PropType::Bool, &TQZExAnim::Rep);
  t.Field("Active", PropType::Bool, &TQZExAnim::Active);
  t.Script("exVarRS", Ev::VarRS);
  t.Field("Tag", PropType::String, &TQZExAnim::Tag);
  t.Field("NotSave", PropType::Bool, &TQZExAnim::NotSave);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
