// Completion of a screen switch.

#include "platform/path_resolver.h"
#include "resources/audio/sound_system.h"
#include "resources/image_cache.h"
#include "scene/db.h"

namespace scene {

// Asked for in every step and every frame while a switch loads.
TQZElement* TQZDB::LoadingScreenElement() {
  return LoadingScreen == 0 ? nullptr : keys_.Find(LoadingScreen);
}

void TQZDB::ImageLoadProgress() {
  RunScript(exLoadImProcess, "LIProcess");
  Host().RenderFrame(true);
}

void TQZDB::CompleteScreenSwitch() {
  Host().RenderFrame(false);
  if (!IsLoading()) return;
  DropHover();
  resources::ImageCache* cache = services_.images;
  if (cache) cache->ResetReferences();
  ClearResourcesLoaded();
  if (cache) {
    particleSheet_ = cache->RequestImage("particles.bmp", false);
    if (platform::GameFiles().Exists("unicode\\unicode.fnt"))
      unicodeGlyphs_ = cache->RequestImage("unicode\\unicode.png", true);
    cache->SetNeededImages(cache->NeededImages() + 1);
    cache->SetLoadedImages(0);
  }
  currentScreen_ = nullptr;
  {
    // The pictures SetScreen registered are decoded on worker threads while
    // the loads below take them in their own order.
    resources::DecodingAhead ahead(cache);
    for (size_t i = 0; i < ChildCount(); ++i) {
      TQZElement* c = Child(i);
      if (c->KeepLoaded) c->LoadResources();
    }
  }
  currentScreen_ = pendingScreen_;
  if (services_.sound) services_.sound->StopMuz();
  std::shared_ptr<script::TVarList> sink = Vars;
  RunScript(exSetScreen, "SetScreen", sink.get());
  if (currentScreen_) currentScreen_->DoShow();
  if (cache) cache->ReleaseUnreferenced();
  Host().ResetClock();
}

}  // namespace scene
