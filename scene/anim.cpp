#include "scene/anim.h"

#include "scene/prop_table.h"

namespace scene {

TQZAnim::TQZAnim(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZAnim");
  BindClass(cls);
  MousedNotVis = true;
}

void TQZAnim::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZAnim";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZAnim>(parent); };
  PropTable<TQZAnim> t(cls);
  t.Base();
  t.StrFn(
      "ImBack", [](const TQZAnim& e) { return e.GetImBack(); },
      [](TQZAnim& e, const std::string& v) { e.SetImBack(v); });
  t.OrdFn(
      "SizeX", PropType::Int32, [](const TQZAnim& e) -> int64_t { return e.SizeX; },
      [](TQZAnim& e, int64_t v) { e.SetSizeX(static_cast<int32_t>(v)); });
  t.OrdFn(
      "SizeY", PropType::Int32, [](const TQZAnim& e) -> int64_t { return e.SizeY; },
      [](TQZAnim& e, int64_t v) { e.SetSizeY(static_cast<int32_t>(v)); });
  t.Field("hxDrawFx", PropType::UInt32, &TQZAnim::hxDrawFx);
  t.Field("Agro", PropType::Int32, &TQZAnim::Agro);
  t.Field("Modal", PropType::Bool, &TQZAnim::Modal);
  t.OrdFn(
      "Pos", PropType::Int32, [](const TQZAnim& e) -> int64_t { return e.Pos; },
      [](TQZAnim& e, int64_t v) { e.SetPosValue(static_cast<int32_t>(v)); });
  t.OrdFn(
      "Morph", PropType::Bool, [](const TQZAnim& e) -> int64_t { return e.Morph; },
      [](TQZAnim& e, int64_t v) { e.SetMorph(v != 0); });
  t.Field("Rep", PropType::Bool, &TQZAnim::Rep);
  t.Field("ShowAn", PropType::Bool, &TQZAnim::ShowAn);
  t.Field("Active", PropType::Bool, &TQZAnim::Active);
  t.ScriptField("exStop", &TQZAnim::exStop);
  t.ScriptField("exStart", &TQZAnim::exStart);
  t.ScriptField("exAnim", &TQZAnim::exAnim);
  t.Script("exInit", Ev::Init);
  t.Script("exUpdate", Ev::Update);
  t.Order();
  t.Field("Angle", PropType::Extended, &TQZAnim::Angle);
  t.Script("exVarRS", Ev::VarRS);
  t.OrdFn(
      "Interpol", PropType::Bool, [](const TQZAnim& e) -> int64_t { return e.Interpol; },
      [](TQZAnim& e, int64_t v) { e.SetInterpol(v != 0); });
  t.Field("Tag", PropType::String, &TQZAnim::Tag);
  t.Field("NotSave", PropType::Bool, &TQZAnim::NotSave);
  t.Script("exProcess", Ev::Process);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
