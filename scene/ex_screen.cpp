#include "scene/ex_screen.h"

#include "scene/prop_table.h"

namespace scene {

TQZExScreen::TQZExScreen(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZExScreen");
  BindClass(cls);
}

void TQZExScreen::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZExScreen";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZExScreen>(parent); };
  PropTable<TQZExScreen> t(cls);
  t.Base();
  t.Field("PosHor", PropType::Enum, &TQZExScreen::PosHor).Names(kPosHorNames);
  t.Field("PosVert", PropType::Enum, &TQZExScreen::PosVert).Names(kPosVertNames);
  t.OrdFn(
      "obScreen", PropType::Int32, [](const TQZExScreen& e) -> int64_t { return e.obScreen(); },
      [](TQZExScreen& e, int64_t v) { e.SetObScreen(static_cast<int32_t>(v)); });
  t.Script("exVarRS", Ev::VarRS);
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exMouseIn", Ev::MouseIn);
  t.Script("exMouseOut", Ev::MouseOut);
  t.Script("exMouseMove", Ev::MouseMove);
  t.Script("exMouseDown", Ev::MouseDown);
  t.Script("exMouseUp", Ev::MouseUp);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.Field("Modal", PropType::Bool, &TQZExScreen::Modal);
  t.Script("exShow", Ev::Show);
  t.Field("Tag", PropType::String, &TQZExScreen::Tag);
  t.Field("NotSave", PropType::Bool, &TQZExScreen::NotSave);
  t.Field("Processing", PropType::Bool, &TQZExScreen::Processing);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
