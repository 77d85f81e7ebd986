#include "scene/effect_element.h"

#include "scene/prop_table.h"

namespace scene {

TQZEffect::TQZEffect(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZEffect");
  BindClass(cls);
  Vis = true;
}

void TQZEffect::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZEffect";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZEffect>(parent); };
  PropTable<TQZEffect> t(cls);
  t.Base();
  t.StrFn(
      "EffectFN", [](const TQZEffect& e) { return e.EffectFN(); },
      [](TQZEffect& e, const std::string& v) { e.SetEffectFN(v); });
  t.Field("DAnim", PropType::Double, &TQZEffect::DAnim);
  t.OrdFn(
      "Active", PropType::Bool, [](const TQZEffect& e) -> int64_t { return e.Active(); },
      [](TQZEffect& e, int64_t v) { e.SetActive(v != 0); });
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.Field("hxColor", PropType::UInt32, &TQZEffect::hxColor);
  t.Order();
  t.Script("exVarRS", Ev::VarRS);
  t.Field("Tag", PropType::String, &TQZEffect::Tag);
  t.Field("NotSave", PropType::Bool, &TQZEffect::NotSave);
  t.ScriptField("exStart", &TQZEffect::exStart);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
