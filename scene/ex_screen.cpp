#include "scene/ex_screen.h"

#include <algorithm>
#include <vector>

#include "scene/db.h"
#include "scene/prop_table.h"
#include "scene/screen.h"
#include "scene/visual_util.h"

namespace scene {

namespace {

// The screens of the running chain of embeddings: for every link being
// forwarded through, the screen holding the embedding element and the
// embedded screen. Forwarding into a screen already on it would repeat the
// chain without end.
std::vector<const TQZElement*>& ChainScreens() {
  static std::vector<const TQZElement*> screens;
  return screens;
}

class ChainLink {
 public:
  ChainLink(const TQZElement* host, const TQZElement* target) {
    auto& chain = ChainScreens();
    if (target == host || std::find(chain.begin(), chain.end(), target) != chain.end()) return;
    chain.push_back(host);
    chain.push_back(target);
    entered_ = true;
  }
  ~ChainLink() {
    if (!entered_) return;
    ChainScreens().pop_back();
    ChainScreens().pop_back();
  }
  ChainLink(const ChainLink&) = delete;
  ChainLink& operator=(const ChainLink&) = delete;
  bool Entered() const { return entered_; }

 private:
  bool entered_ = false;
};

// The screen an element lies on, or null (an element inside an animation frame).
const TQZElement* HostScreen(const TQZElement& e) {
  for (const TQZElement* p = e.Parent(); p; p = p->Parent())
    if (dynamic_cast<const TQZScreen*>(p)) return p;
  return nullptr;
}

// Runs f(screen) on the embedded screen unless that link repeats the chain.
template <class F>
bool Forward(const TQZElement& self, TQZScreen* screen, F f) {
  if (!screen) return false;
  ChainLink link(HostScreen(self), screen);
  if (!link.Entered()) return false;
  f(*screen);
  return true;
}

}  // namespace

TQZExScreen::TQZExScreen(TQZElement* parent) : TQZElement(parent) {
  static const TQZClass* cls = &RegisteredClass("TQZExScreen");
  BindClass(cls);
}

void TQZExScreen::ResolveScreen() {
  if (screen_ || !Root()) return;
  TQZElement* root = Root();
  for (size_t i = 0; i < root->ChildCount(); ++i) {
    auto* screen = dynamic_cast<TQZScreen*>(root->Child(i));
    if (!screen || screen->Key != obScreen_) continue;
    screen_ = screen;
    // Widen the layer bounds (up to the ancestors) without changing Order.
    const int32_t order = Order;
    SetOrder(screen->MinOrder);
    SetOrder(screen->MaxOrder);
    Order = order;
    return;
  }
}

TQZScreen* TQZExScreen::Target() {
  ResolveScreen();
  return screen_;
}

int32_t TQZExScreen::GetSizeX() {
  TQZScreen* s = Target();
  return s ? s->GetSizeX() : 0;
}

int32_t TQZExScreen::GetSizeY() {
  TQZScreen* s = Target();
  return s ? s->GetSizeY() : 0;
}

int32_t TQZExScreen::AnchoredLeft() {
  const int64_t w = GetSizeX();
  return SaturateI32(X() - (PosHor == TQZPosHor::phCenter ? w / 2 : PosHor == TQZPosHor::phRight ? w : 0));
}

int32_t TQZExScreen::AnchoredTop() {
  const int64_t h = GetSizeY();
  return SaturateI32(Y() - (PosVert == TQZPosVert::pvCenter ? h / 2 : PosVert == TQZPosVert::pvBottom ? h : 0));
}

int32_t TQZExScreen::GetAbsX() {
  return SaturateI32(int64_t{AnchoredLeft()} + (Parent() ? Parent()->GetAbsX() : 0));
}

int32_t TQZExScreen::GetAbsY() {
  return SaturateI32(int64_t{AnchoredTop()} + (Parent() ? Parent()->GetAbsY() : 0));
}

void TQZExScreen::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                        int32_t flag) {
  if (!ResourcesLoaded) LoadResources();
  TQZScreen* screen = Target();
  if (screen) {
    const double left = offsetX + AnchoredLeft();
    const double top = offsetY + AnchoredTop();
    Forward(*this, screen, [&](TQZScreen& s) { s.Paint(layer, colour, left, top, 0); });
  }
  TQZElement::Paint(layer, colour, offsetX, offsetY, flag);
}

TQZElement* TQZExScreen::HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra,
                                 int32_t flag) {
  if (!Vis && !MousedNotVis) return nullptr;
  TQZElement* hit = nullptr;
  if (TQZScreen* screen = Target()) {
    const int32_t ex = SaturateI32(int64_t{x} - AnchoredLeft());
    const int32_t ey = SaturateI32(int64_t{y} - AnchoredTop());
    Forward(*this, screen, [&](TQZScreen& s) { hit = s.HitTest(layer, ex, ey, extra, flag); });
  }
  if (!hit && layer == Order && Modal) return this;
  return hit;
}

// Becoming visible shows the embedded screen twice: once through this
// element's DoShow and once directly.
void TQZExScreen::SetVis(bool value) {
  if (value == Vis) return;
  Vis = value;
  TQZScreen* screen = Target();
  if (screen && Vis) {
    DoShow();
    Forward(*this, Target(), [](TQZScreen& s) { s.DoShow(); });
  }
}

void TQZExScreen::DoShow() {
  screen_ = nullptr;
  Forward(*this, Target(), [](TQZScreen& s) { s.DoShow(); });
  TQZElement::DoShow();
}

void TQZExScreen::DoProcess() {
  if (!Vis && !MousedNotVis) return;
  if (Processing) Forward(*this, Target(), [](TQZScreen& s) { s.DoProcess(); });
  TQZElement::DoProcess();
}

void TQZExScreen::DoUpdate() {
  Forward(*this, Target(), [](TQZScreen& s) { s.DoUpdate(); });
  TQZElement::DoUpdate();
}

void TQZExScreen::DoInit() {
  if (Initialised) return;
  Forward(*this, Target(), [](TQZScreen& s) { s.DoInit(); });
  TQZElement::DoInit();
}

void TQZExScreen::DoReinit() {
  Forward(*this, Target(), [](TQZScreen& s) { s.DoReinit(); });
  TQZElement::DoReinit();
}

void TQZExScreen::LoadResources() {
  if (ResourcesLoaded) return;
  TQZElement::LoadResources();
  Forward(*this, Target(), [](TQZScreen& s) { s.LoadResources(); });
}

void TQZExScreen::ReloadResources() {
  TQZElement::ReloadResources();
  Forward(*this, Target(), [](TQZScreen& s) { s.ReloadResources(); });
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
  t.EventScripts();
  t.Field("Modal", PropType::Bool, &TQZExScreen::Modal);
  t.Script("exShow", Ev::Show);
  t.Field("Tag", PropType::String, &TQZExScreen::Tag);
  t.Field("NotSave", PropType::Bool, &TQZExScreen::NotSave);
  t.Field("Processing", PropType::Bool, &TQZExScreen::Processing);
  registry.RegisterClass(std::move(cls));
}

}  // namespace scene
