#include "scene/text_element.h"

#include "scene/prop_table.h"

namespace scene {

TQZText::TQZText(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZText");
  BindClass(cls);
}

namespace {

template <uint32_t TQZText::*Colour>
void AddColourPair(PropTable<TQZText>& t, const char* colourName, const char* transName) {
  t.OrdFn(
      colourName, PropType::UInt32,
      [](const TQZText& e) -> int64_t { return e.*Colour & 0xFFFFFF; },
      [](TQZText& e, int64_t v) {
        e.*Colour = (e.*Colour & 0xFF000000u) | (static_cast<uint32_t>(v) & 0xFFFFFF);
      });
  t.OrdFn(
      transName, PropType::UInt8, [](const TQZText& e) -> int64_t { return e.*Colour >> 24; },
      [](TQZText& e, int64_t v) {
        e.*Colour = (e.*Colour & 0xFFFFFF) | (static_cast<uint32_t>(v & 0xFF) << 24);
      });
}

}  // namespace

void TQZText::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZText";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZText>(parent); };
  PropTable<TQZText> t(cls);
  t.Base();
  t.Field("hxDrawFx", PropType::UInt32, &TQZText::hxDrawFx);
  AddColourPair<&TQZText::Colour1>(t, "hxColor1", "hxTrans1");
  AddColourPair<&TQZText::Colour2>(t, "hxColor2", "hxTrans2");
  t.Field("MousedNotVis", PropType::Bool, &TQZText::MousedNotVis);
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
  t.Field("MousedVis", PropType::Bool, &TQZText::MousedVis);
  t.Field("NoMsQZDB", PropType::Bool, &TQZText::NoMsQZDB);
  t.Order();
  t.Field("rX", PropType::Double, &TQZText::rX);
  t.Field("rY", PropType::Double, &TQZText::rY);
  t.OrdFn(
      "SizeX", PropType::Int32, [](const TQZText& e) -> int64_t { return e.SizeX; },
      [](TQZText& e, int64_t v) { e.SetSizeX(static_cast<int32_t>(v)); });
  t.OrdFn(
      "SizeY", PropType::Int32, [](const TQZText& e) -> int64_t { return e.SizeY; },
      [](TQZText& e, int64_t v) { e.SetSizeY(static_cast<int32_t>(v)); });
  t.StrFn(
      "Font", [](const TQZText& e) { return e.Font(); },
      [](TQZText& e, const std::string& v) { e.SetFont(v); });
  t.Field("PosHor", PropType::Enum, &TQZText::PosHor).Names(kPosHorNames);
  t.Field("PosVert", PropType::Enum, &TQZText::PosVert).Names(kPosVertNames);
  t.StrFn(
      "TextId", [](const TQZText& e) { return e.TextId(); },
      [](TQZText& e, const std::string& v) { e.SetTextId(v); });
  t.OrdFn(
      "AutoEnter", PropType::Bool, [](const TQZText& e) -> int64_t { return e.AutoEnter; },
      [](TQZText& e, int64_t v) { e.SetLayoutFlag(e.AutoEnter, v != 0); });
  t.OrdFn(
      "EnEnter", PropType::Bool, [](const TQZText& e) -> int64_t { return e.EnEnter; },
      [](TQZText& e, int64_t v) { e.SetLayoutFlag(e.EnEnter, v != 0); });
  t.Field("AutoScale", PropType::Bool, &TQZText::AutoScale);
  t.Field("Interval", PropType::Double, &TQZText::Interval);
  t.StrFn(
      "Text", [](const TQZText& e) { return e.Text(); },
      [](TQZText& e, const std::string& v) { e.SetText(v); });
  t.Field("Scale", PropType::Double, &TQZText::Scale);
  t.Field("Tag", PropType::String, &TQZText::Tag);
  t.Field("NotSave", PropType::Bool, &TQZText::NotSave);
  t.Field("hxShadColor", PropType::UInt32, &TQZText::hxShadColor);
  t.Field("Emboss", PropType::Bool, &TQZText::Emboss);
  t.Field("Shadow", PropType::Bool, &TQZText::Shadow);
  t.Field("Uni", PropType::Bool, &TQZText::Uni);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
