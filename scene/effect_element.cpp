#include "scene/effect_element.h"

#include <cmath>
#include <filesystem>

#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "render/canvas.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/prop_table.h"

namespace scene {

TQZEffect::TQZEffect(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZEffect");
  BindClass(cls);
  Vis = true;
}

TQZEffect::~TQZEffect() = default;

void TQZEffect::GiveSheet() {
  TQZDB* root = Root();
  if (!system_ || !root) return;
  TXParticleManager* manager = root->ParticleManager();
  sheet_ = manager && manager->Sheet() ? manager->Sheet() : root->ParticleSheet();
}

void TQZEffect::MoveEmitterToElement() {
  if (system_) system_->SetEmitterPos(static_cast<float>(X()), static_cast<float>(Y()), false);
}

void TQZEffect::SetEffectFN(const std::string& name) {
  effectFN_ = name;
  TQZDB* root = Root();
  if (!root || !root->ParticleManager()) return;
  system_ = std::make_unique<TXParticleSystem>(kCapacity);
  GiveSheet();
  bool loaded = false;
  if (!name.empty()) {
    if (auto path = platform::GameFiles().Resolve(name)) loaded = system_->LoadFromFile(*path);
    if (!loaded) {
      const resources::TQZStore& pack = root->Pack();
      int index = pack.IndexOf(name);
      std::string bytes;
      if (index >= 0 && pack.ReadEntryAt(index, bytes))
        system_->LoadFromStream({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    }
  }
  MoveEmitterToElement();
  if (active_) system_->StartEmit();
}

void TQZEffect::SetActive(bool value) {
  active_ = value;
  if (!system_) return;
  if (value)
    system_->StartEmit();
  else
    system_->StopEmit(false);
}

void TQZEffect::Start(const char* context) {
  SetActive(true);
  RunScript(exStart, context);
}

void TQZEffect::Break() {
  if (system_) system_->StopEmit(true);
  SetActive(false);
}

void TQZEffect::SetX(int32_t value) {
  TQZElement::SetX(value);
  MoveEmitterToElement();
}

void TQZEffect::SetY(int32_t value) {
  TQZElement::SetY(value);
  MoveEmitterToElement();
}

void TQZEffect::SetPos(int32_t x, int32_t y) {
  TQZElement::SetPos(x, y);
  if (!system_) return;
  if (active_) {
    // A placed effect starts afresh where it is put, without a trail.
    system_->StopEmit(false);
    system_->SetEmitterPos(static_cast<float>(x), static_cast<float>(y), false);
    system_->StartEmit();
  } else {
    system_->SetEmitterPos(static_cast<float>(x), static_cast<float>(y), false);
  }
}

void TQZEffect::LoadResources() {
  if (!system_) {
    TQZElement::LoadResources();
    return;
  }
  if (ResourcesLoaded) return;
  GiveSheet();
  ResourcesLoaded = true;
}

void TQZEffect::ReloadResources() {
  GiveSheet();
  TQZElement::ReloadResources();
}

void TQZEffect::Paint(int32_t layer, uint32_t /*colour*/, double offsetX, double offsetY,
                      int32_t /*flag*/) {
  if (!system_) return;
  if (!ResourcesLoaded) {
    GiveSheet();
    ResourcesLoaded = true;
  }
  if (layer != Order) return;
  TQZDB* root = Root();
  TXParticleManager* manager = root ? root->ParticleManager() : nullptr;
  render::Canvas* canvas = manager ? manager->Canvas() : nullptr;
  resources::ImageCache* cache = root ? root->Services().images : nullptr;
  if (!canvas || !cache || !sheet_) return;
  // The texture is looked up at every draw: the cache may have replaced it
  // (a window/full-screen switch) since the last frame.
  system_->SetImage(cache->TextureOf(sheet_));
  canvas->SetSmoothing(true);
  const int32_t ox = platform::RoundHalfEvenI32(offsetX).value_or(0);
  const int32_t oy = platform::RoundHalfEvenI32(offsetY).value_or(0);
  system_->DrawParticles(*canvas, ox, oy, (hxColor & 0xFFFFFFu) | 0xFF000000u);
}

void TQZEffect::StepBy(float dt) {
  if (system_) system_->Step(dt);
}

void TQZEffect::DoProcess() {
  if (system_) {
    system_->Step(static_cast<float>(DAnim / kTimerSpeed));
    if (active_ && !system_->Emitting() && system_->Count() == 0) SetActive(false);
  }
  TQZElement::DoProcess();
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
