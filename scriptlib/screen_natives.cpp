// Screen switches: SetScreen (with a loading phase), FastSetScreen and
// FastSetScreenNS (immediate), LoadIm and EndLoadIm.
//
// A switch with a loading phase only prepares: it picks the pending screen,
// marks what must be loaded and registers the images while loading is off
// (so they are counted, not loaded), and sets the loading flag. The root's
// CompleteScreenSwitch finishes it, called by LoadIm from the loading
// screen's scripts or by the frame loop when the game has no loading screen;
// EndLoadIm ends the phase.
//
// Every switch empties the star table and drops the text focus. Unusable
// arguments do nothing and succeed.

#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/screen.h"
#include "scriptlib/element_args.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

// The screen a switch goes to: the first argument when it is a screen.
scene::TQZScreen* TargetScreen(const TVarList& args) {
  auto* screen = dynamic_cast<scene::TQZScreen*>(ElementArg(args, 0));
  return screen && screen->Root() ? screen : nullptr;
}

// The further arguments that name elements: loaded along with the screen.
template <class F>
void ForEachFurtherElement(const TVarList& args, F f) {
  for (size_t i = 1; i < args.Count(); ++i)
    if (scene::TQZElement* e = ElementArg(args, i)) f(*e);
}

// The part both immediate switches share, up to and including the focus.
void SwitchAt(scene::TQZDB& root, scene::TQZScreen& screen, const TVarList& args) {
  root.SetCurrentScreen(&screen);
  root.Stars().Clear();
  screen.LoadResources();
  ForEachFurtherElement(args, [](scene::TQZElement& e) { e.LoadResources(); });
  root.SetFocusedText(nullptr);
}

}  // namespace

namespace natives {

bool SetScreen(TPasCalc&, TVarList& args, TVar&) {
  scene::TQZScreen* screen = TargetScreen(args);
  if (!screen) return true;
  scene::TQZDB& root = *screen->Root();
  resources::ImageCache* cache = root.Services().images;

  root.Stars().Clear();
  root.SetFocusedText(nullptr);
  if (cache) {
    cache->SetNeededImages(0);
    cache->SetLoadedImages(0);
  }
  scene::SetLoading(true);

  if (cache) cache->ResetReferences();
  root.ClearResourcesLoaded();
  for (size_t i = 0; i < root.ChildCount(); ++i) {
    auto* s = ExactlyClass<scene::TQZScreen>(root.Child(i));
    if (!s) continue;
    s->KeepLoaded = s->AllwaysLoad;
    if (s->KeepLoaded) s->LoadResources();
  }

  // From here on requests only register and count their images.
  if (cache) cache->SetLoadNow(false);
  root.SetPendingScreen(screen);
  screen->KeepLoaded = true;
  screen->LoadResources();
  if (scene::TQZElement* loading = root.LoadingScreenElement()) loading->DoReinit();
  ForEachFurtherElement(args, [](scene::TQZElement& e) {
    e.KeepLoaded = true;
    e.LoadResources();
  });
  if (cache) cache->SetLoadNow(true);
  root.Host().ResetClock();
  return true;
}

bool FastSetScreen(TPasCalc&, TVarList& args, TVar&) {
  scene::TQZScreen* screen = TargetScreen(args);
  if (!screen) return true;
  scene::TQZDB& root = *screen->Root();
  if (scene::TQZElement* hovered = root.Hovered()) {
    hovered->DoMouseOut();
    root.SetHovered(nullptr);
  }
  SwitchAt(root, *screen, args);
  std::shared_ptr<script::TVarList> sink = root.Vars;  // alive even if the script replaces it
  root.RunScript(root.exSetScreen, "SetScreen", sink.get());
  screen->DoShow();
  // The hover follows the new screen as the next pointer move would find it:
  // the same layer walk from the top. The scripts above may have switched
  // again or hovered something; an element that stays hovered gets no second
  // mouse-in.
  scene::TQZElement* found = root.HitTestLayers(root.MouseX(), root.MouseY());
  scene::TQZElement* before = root.Hovered();
  if (found != before) {
    if (before) before->DoMouseOut();
    root.SetHovered(found);
    if (found) found->DoMouseIn();
  }
  root.Host().ResetClock();
  return true;
}

// No scripts, no Show and no hover update: the hovered element of the old
// screen stays hovered until the pointer next moves.
bool FastSetScreenNS(TPasCalc&, TVarList& args, TVar&) {
  scene::TQZScreen* screen = TargetScreen(args);
  if (!screen) return true;
  scene::TQZDB& root = *screen->Root();
  SwitchAt(root, *screen, args);
  root.Host().ResetClock();
  return true;
}

// Completes the pending switch, and only while a switch is loading.
bool LoadIm(TPasCalc&, TVarList&, TVar&) {
  if (!scene::IsLoading()) return true;
  if (scene::TQZDB* root = GameRoot()) root->CompleteScreenSwitch();
  return true;
}

bool EndLoadIm(TPasCalc&, TVarList&, TVar&) {
  scene::SetLoading(false);
  return true;
}

}  // namespace natives
}  // namespace scriptlib
