#include "scene/an_key.h"

#include "scene/anim.h"
#include "scene/prop_table.h"

namespace scene {

TQZAnKey::TQZAnKey(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZAnKey");
  BindClass(cls);
}

void TQZAnKey::RebuildParent() {
  if (auto* anim = dynamic_cast<TQZAnim*>(Parent())) anim->Rebuild();
}

int32_t TQZAnKey::GetSizeX() {
  auto* anim = dynamic_cast<TQZAnim*>(Parent());
  return anim ? anim->GetSizeX() : 0;
}

int32_t TQZAnKey::GetSizeY() {
  auto* anim = dynamic_cast<TQZAnim*>(Parent());
  return anim ? anim->GetSizeY() : 0;
}

void TQZAnKey::SetCount(uint16_t value) {
  Count = value;
  RebuildParent();
}

bool TQZAnKey::LoadFromData(std::span<const uint8_t> data) {
  bool ok = TQZElement::LoadFromData(data);
  RebuildParent();
  return ok;
}

void TQZAnKey::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZAnKey";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZAnKey>(parent); };
  PropTable<TQZAnKey> t(cls);
  t.Base();
  t.OrdFn(
      "Count", PropType::UInt16, [](const TQZAnKey& e) -> int64_t { return e.Count; },
      [](TQZAnKey& e, int64_t v) { e.SetCount(static_cast<uint16_t>(v)); });
  t.Field("Morph", PropType::Bool, &TQZAnKey::Morph);
  t.Field("NotSave", PropType::Bool, &TQZAnKey::NotSave);
  t.Field("Tag", PropType::String, &TQZAnKey::Tag);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
