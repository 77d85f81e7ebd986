#include "scene/ex_anim.h"

#include "scene/prop_table.h"

namespace scene {

TQZExAnim::TQZExAnim(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZExAnim");
  BindClass(cls);
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
