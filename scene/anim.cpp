#include "scene/anim.h"

#include <charconv>

#include "render/render_image.h"
#include "resources/image_cache.h"
#include "scene/prop_table.h"
#include "scene/visual_util.h"

namespace scene {

TQZAnim::TQZAnim(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZAnim");
  BindClass(cls);
  MousedNotVis = true;
}

std::string TQZAnim::GetImBack() const { return background_ ? background_->Name() : imBackName_; }

void TQZAnim::SetImBack(const std::string& name) {
  imBackName_ = name;
  resources::ImageCache* cache = ImagesOf(*this);
  background_ = (cache && !name.empty()) ? cache->RequestImage(name, false) : nullptr;
  if (const render::RenderImage* tex = LoadedTexture(background_)) {
    SizeX = tex->PatternWidth();
    SizeY = tex->PatternHeight();
  }
}

void TQZAnim::SetPosValue(int32_t value) {
  EnsureFrames();
  Pos = value;
  if (value >= frameCount_) Pos = Rep ? 0 : frameCount_ - 1;
}

void TQZAnim::Start(const char* context) {
  SetPosValue(0);
  Active = true;
  SetVis(true);
  RunScript(exStart, context);
}

// ---- slots ------------------------------------------------------------------

void TQZAnim::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                    int32_t /*flag*/) {
  if (!ResourcesLoaded) LoadResources();
  EnsureFrames();
  if (ShowAn) {
    if (layer == Order) DrawFrame(Pos, colour, offsetX + rX, offsetY + rY);
    return;
  }
  // The editing view: the background as a screen draws it, then the keys
  // themselves, the last one first.
  if (layer == Order) DrawBackground(colour, offsetX, offsetY);
  for (size_t i = ChildCount(); i-- > 0;) {
    TQZElement* key = Child(i);
    if (key->Vis) key->Paint(layer, colour, offsetX + rX, offsetY + rY, 0);
  }
}

void TQZAnim::DoProcess() {
  if (!Vis) return;
  if (Active) {
    EnsureFrames();
    if (Pos < frameCount_ - 1 || Rep) {
      SetPosValue(Pos + 1);
      RunScript(exAnim, "anAnim");
    } else {
      Active = false;
      RunScript(exStop, "anStop");
    }
  }
  TQZElement::DoProcess();
}

void TQZAnim::DoInit() {
  if (Initialised) return;
  Rebuild();
  TQZElement::DoInit();
}

void TQZAnim::DoReinit() {
  Rebuild();
  TQZElement::DoReinit();
}

void TQZAnim::DoUpdate() {
  TQZElement::DoUpdate();
  Rebuild();
}

void TQZAnim::LoadResources() {
  if (ResourcesLoaded) return;
  TQZElement::LoadResources();
  Rebuild();
}

void TQZAnim::ReloadResources() {
  TQZElement::ReloadResources();
  Rebuild();
}

// ---- script names ---------------------------------------------------------------

namespace {

// The index of "KEYX[n]": the text from the sixth character up to the last
// one, exclusive; nullopt when it is not a decimal number.
std::optional<int64_t> ItemIndex(const std::string& name) {
  if (name.size() < 6) return std::nullopt;
  const char* b = name.data() + 5;
  const char* e = name.data() + name.size() - 1;
  int64_t n = 0;
  if (b < e && *b == '+') ++b;
  auto r = std::from_chars(b, e, n);
  if (r.ec != std::errc() || r.ptr != e || b == e) return std::nullopt;
  return n;
}

}  // namespace

bool TQZAnim::GetValue(const std::string& name, script::Value& out) {
  if (TQZElement::GetValue(name, out)) return true;
  using script::Value;
  if (name == "COUNT") {
    out = Value::Integer(FrameCount());
    return true;
  }
  const bool keyX = name.rfind("KEYX[", 0) == 0;
  const bool keyY = name.rfind("KEYY[", 0) == 0;
  std::optional<int64_t> index;
  if (keyX || keyY) {
    index = ItemIndex(name);
    if (!index) return false;
  } else if (name != "KEYX" && name != "KEYY" && name != "KEYANG" && name != "KEYSCALE" &&
             name != "KEYAN") {
    return false;
  }
  EnsureFrames();
  const AnimFrame* frame =
      Pos >= 0 && Pos < static_cast<int32_t>(frames_.size()) ? &frames_[static_cast<size_t>(Pos)] : nullptr;
  if (!frame || frame->empty()) {
    out = Value::Byte(0);
    return true;
  }
  if (index) {
    if (*index < 1 || *index > static_cast<int64_t>(frame->size())) {
      out = Value::Byte(0);
      return true;
    }
    const AnimDrawItem& item = (*frame)[static_cast<size_t>(*index - 1)];
    out = Value::Real(keyX ? GetAbsX() + item.x : GetAbsY() + item.y);
    return true;
  }
  const AnimDrawItem& first = frame->front();
  if (name == "KEYX")
    out = Value::Real(GetAbsX() + first.x);
  else if (name == "KEYY")
    out = Value::Real(GetAbsY() + first.y);
  else if (name == "KEYANG")
    out = Value::Real(first.angle);
  else if (name == "KEYSCALE")
    out = Value::Real(first.scale);
  else
    out = Value::Integer(first.pattern);
  return true;
}

// ---- registration -------------------------------------------------------------------

void TQZAnim::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZAnim";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZAnim>(parent); };
  PropTable<TQZAnim> t(cls);
  t.Base();
  t.Backdrop();
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
