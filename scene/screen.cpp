#include "scene/screen.h"

#include "render/canvas.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "scene/prop_table.h"
#include "scene/visual_util.h"

namespace scene {

TQZScreen::TQZScreen(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZScreen");
  BindClass(cls);
  MousedNotVis = true;
}

std::string TQZScreen::GetImBack() const {
  return background_ ? background_->Name() : imBackName_;
}

void TQZScreen::SetImBack(const std::string& name) {
  imBackName_ = name;
  resources::ImageCache* cache = ImagesOf(*this);
  background_ = (cache && !name.empty()) ? cache->RequestImage(name, false) : nullptr;
  if (const render::RenderImage* tex = LoadedTexture(background_)) {
    SizeX = tex->PatternWidth();
    SizeY = tex->PatternHeight();
  }
}

void TQZScreen::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                      int32_t flag) {
  if (!ResourcesLoaded) LoadResources();
  if (layer == Order) {
    render::Canvas* canvas = CanvasOf(*this);
    resources::ImageCache* cache = ImagesOf(*this);
    if (canvas && cache && background_) {
      if (render::RenderImage* tex = cache->TextureOf(background_))
        canvas->DrawImage(tex, colour, offsetX, offsetY, 0, hxDrawFx);
    }
    // Once per frame, after the background and before the elements.
    RunScript(Script(Ev::Render), "Render");
  }
  TQZElement::Paint(layer, colour, offsetX, offsetY, flag);
}

TQZElement* TQZScreen::HitTest(int32_t layer, int32_t x, int32_t y, int32_t /*extra*/,
                               int32_t flag) {
  if (TQZElement* hit = TQZElement::HitTest(layer, x, y, Agro, flag)) return hit;
  if ((Vis || MousedNotVis) && layer == Order && Modal) return this;
  return nullptr;
}

void TQZScreen::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZScreen";
  cls.Create = [](TQZElement* parent) { return std::make_unique<TQZScreen>(parent); };
  PropTable<TQZScreen> t(cls);
  t.Base();
  t.Backdrop();
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
