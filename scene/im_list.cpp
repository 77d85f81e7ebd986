#include "scene/im_list.h"

#include "scene/prop_table.h"

namespace scene {

TQZImList::TQZImList(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZImList");
  BindClass(cls);
  Hovered = -1;
  NoMsQZDB = true;
}

void TQZImList::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZImList";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZImList>(parent); };
  PropTable<TQZImList> t(cls);
  t.Base();
  t.Field("RowCount", PropType::Int32, &TQZImList::RowCount);
  t.Field("ColCount", PropType::Int32, &TQZImList::ColCount);
  t.Field("Space", PropType::Int32, &TQZImList::Space);
  t.OrdFn(
      "ScrollPos", PropType::Int32,
      [](const TQZImList& e) -> int64_t {
        return static_cast<int32_t>(static_cast<int64_t>(e.FirstRow) * e.ColCount);
      },
      [](TQZImList& e, int64_t) { e.FirstRow = 0; });
  t.OrdFn(
      "SizeX", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.SizeX; },
      [](TQZImList& e, int64_t v) { e.SetSizeX(static_cast<int32_t>(v)); });
  t.OrdFn(
      "SizeY", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.SizeY; },
      [](TQZImList& e, int64_t v) { e.SetSizeY(static_cast<int32_t>(v)); });
  // Computed cell sizes: writing them has no effect.
  t.OrdFn(
      "ElWidth", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.GetElWidth(); },
      [](TQZImList&, int64_t) {});
  t.OrdFn(
      "ElHeight", PropType::Int32, [](const TQZImList& e) -> int64_t { return e.GetElHeight(); },
      [](TQZImList&, int64_t) {});
  t.Field("Scale", PropType::Double, &TQZImList::Scale);
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.Order();
  t.Script("exVarRS", Ev::VarRS);
  t.Field("Tag", PropType::String, &TQZImList::Tag);
  t.Field("NotSave", PropType::Bool, &TQZImList::NotSave);
  t.Script("exMouseIn", Ev::MouseIn);
  t.Script("exMouseOut", Ev::MouseOut);
  t.Script("exMouseDown", Ev::MouseDown);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
