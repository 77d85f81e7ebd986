#include "scene/shape_element.h"

#include "scene/prop_table.h"

namespace scene {

TQZShape::TQZShape(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZShape");
  BindClass(cls);
}

void TQZShape::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZShape";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZShape>(parent); };
  PropTable<TQZShape> t(cls);
  t.Base();
  t.Field("hxDrawFx", PropType::UInt32, &TQZShape::hxDrawFx);
  t.OrdFn(
      "hxColor", PropType::UInt32,
      [](const TQZShape& e) -> int64_t { return e.Colour & 0xFFFFFF; },
      [](TQZShape& e, int64_t v) {
        e.Colour = (e.Colour & 0xFF000000u) | (static_cast<uint32_t>(v) & 0xFFFFFF);
      });
  t.OrdFn(
      "hxTrans", PropType::UInt8, [](const TQZShape& e) -> int64_t { return e.Colour >> 24; },
      [](TQZShape& e, int64_t v) {
        e.Colour = (e.Colour & 0xFFFFFF) | (static_cast<uint32_t>(v & 0xFF) << 24);
      });
  t.Field("MousedNotVis", PropType::Bool, &TQZShape::MousedNotVis);
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
  t.Field("MousedVis", PropType::Bool, &TQZShape::MousedVis);
  t.Field("NoMsQZDB", PropType::Bool, &TQZShape::NoMsQZDB);
  t.Order();
  t.Field("rX", PropType::Double, &TQZShape::rX);
  t.Field("rY", PropType::Double, &TQZShape::rY);
  t.OrdFn(
      "SizeX", PropType::Int32, [](const TQZShape& e) -> int64_t { return e.SizeX; },
      [](TQZShape& e, int64_t v) { e.SetSizeX(static_cast<int32_t>(v)); });
  t.OrdFn(
      "SizeY", PropType::Int32, [](const TQZShape& e) -> int64_t { return e.SizeY; },
      [](TQZShape& e, int64_t v) { e.SetSizeY(static_cast<int32_t>(v)); });
  t.Field("Tag", PropType::String, &TQZShape::Tag);
  t.Field("NotSave", PropType::Bool, &TQZShape::NotSave);
  t.Field("Crop", PropType::Bool, &TQZShape::Crop);
  t.Field("ShapeType", PropType::Enum, &TQZShape::ShapeType).Names(kShapeTypeNames);
  t.Field("Par1", PropType::Double, &TQZShape::Par1);
  t.Field("Par2", PropType::Double, &TQZShape::Par2);
  t.Field("Par3", PropType::Double, &TQZShape::Par3);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
