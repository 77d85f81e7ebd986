#include "scene/screen.h"

#include "scene/prop_table.h"

namespace scene {

TQZScreen::TQZScreen(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZScreen");
  BindClass(cls);
  MousedNotVis = true;
}

void TQZScreen::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZScreen";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZScreen>(parent); };
  PropTable<TQZScreen> t(cls);
  t.Base();
  t.StrFn(
      "ImBack", [](const TQZScreen& e) { return e.GetImBack(); },
      [](TQZScreen& e, const std::string& v) { e.SetImBack(v); });
  t.OrdFn(
      "SizeX", PropType::Int32, [](const TQZScreen& e) -> int64_t { return e.SizeX; },
      [](TQZScreen& e, int64_t v) { e.SetSizeX(static_cast<int32_t>(v)); });
  t.OrdFn(
      "SizeY", PropType::Int32, [](const TQZScreen& e) -> int64_t { return e.SizeY; },
      [](TQZScreen& e, int64_t v) { e.SetSizeY(static_cast<int32_t>(v)); });
  t.Field("hxDrawFx", PropType::UInt32, &TQZScreen::hxDrawFx);
  t.Field("Agro", PropType::Int32, &TQZScreen::Agro);
  t.Field("Modal", PropType::Bool, &TQZScreen::Modal);
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.Order();
  t.Script("exVarRS", Ev::VarRS);
  t.Script("exShow", Ev::Show);
  t.Field("Tag", PropType::String, &TQZScreen::Tag);
  t.Field("AllwaysLoad", PropType::Bool, &TQZScreen::AllwaysLoad);
  t.Field("NotSave", PropType::Bool, &TQZScreen::NotSave);
  t.Script("exRender", Ev::Render);
  t.Field("AutoInit", PropType::Bool, &TQZScreen::AutoInit);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
