#include "scene/image_element.h"

#include "scene/prop_table.h"

namespace scene {

TQZImage::TQZImage(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZImage");
  BindClass(cls);
  Vis = true;
}

// Thousandths that do not fit 32 bits leave the value as it was.
void TQZImage::SetScale(double value) {
  if (auto t = platform::RoundHalfEvenI32(value * 1000.0)) ScaleThousandths = *t;
}

void TQZImage::SetAngle(double value) {
  if (auto t = platform::RoundHalfEvenI32(value * 1000.0)) AngleThousandths = *t;
}

void TQZImage::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZImage";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZImage>(parent); };
  PropTable<TQZImage> t(cls);
  t.Base();
  t.StrFn(
      "imImage", [](const TQZImage& e) { return e.GetImImage(); },
      [](TQZImage& e, const std::string& v) { e.SetImImage(v); });
  t.Field("hxDrawFx", PropType::UInt32, &TQZImage::hxDrawFx);
  t.Field("PosHor", PropType::Enum, &TQZImage::PosHor).Names(kPosHorNames);
  t.Field("PosVert", PropType::Enum, &TQZImage::PosVert).Names(kPosVertNames);
  t.FloatFn(
      "Scale", PropType::Extended, [](const TQZImage& e) { return e.Scale(); },
      [](TQZImage& e, double v) { e.SetScale(v); });
  t.FloatFn(
      "Angle", PropType::Extended, [](const TQZImage& e) { return e.Angle(); },
      [](TQZImage& e, double v) { e.SetAngle(v); });
  t.OrdFn(
      "hxColor", PropType::UInt32,
      [](const TQZImage& e) -> int64_t { return e.Colour & 0xFFFFFF; },
      [](TQZImage& e, int64_t v) {
        e.Colour = (e.Colour & 0xFF000000u) | (static_cast<uint32_t>(v) & 0xFFFFFF);
      });
  t.OrdFn(
      "hxTrans", PropType::UInt8, [](const TQZImage& e) -> int64_t { return e.Colour >> 24; },
      [](TQZImage& e, int64_t v) {
        e.Colour = (e.Colour & 0xFFFFFF) | (static_cast<uint32_t>(v & 0xFF) << 24);
      });
  t.Field("MousedNotVis", PropType::Bool, &TQZImage::MousedNotVis);
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
  t.Field("MousedVis", PropType::Bool, &TQZImage::MousedVis);
  t.Field("Anim", PropType::Int32, &TQZImage::Anim);
  t.Field("NoMsQZDB", PropType::Bool, &TQZImage::NoMsQZDB);
  t.Order();
  t.Field("rX", PropType::Double, &TQZImage::rX);
  t.Field("rY", PropType::Double, &TQZImage::rY);
  t.Field("ScaleX", PropType::Extended, &TQZImage::ScaleX);
  t.Field("ScaleY", PropType::Extended, &TQZImage::ScaleY);
  t.Field("Interpol", PropType::Bool, &TQZImage::Interpol);
  t.Field("InterpolSc", PropType::Bool, &TQZImage::InterpolSc);
  t.Field("MsKeep", PropType::Bool, &TQZImage::MsKeep);
  t.Field("Tag", PropType::String, &TQZImage::Tag);
  t.Field("TextId", PropType::String, &TQZImage::TextId);
  t.Field("NotSave", PropType::Bool, &TQZImage::NotSave);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
