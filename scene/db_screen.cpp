// Completion of a screen switch.

#include "resources/audio/sound_system.h"
#include "scene/db.h"

namespace scene {

TQZElement* TQZDB::LoadingScreenElement() {
  return LoadingScreen == 0 ? nullptr : FindByKey(LoadingScreen);
}

void TQZDB::ImageLoadProgress() {
  RunScript(exLoadImProcess, "LIProcess");
  Host().RenderFrame(true);
}

void TQZDB::CompleteScreenSwitch() {
  Host().RenderFrame(false);
  if (!IsLoading()) return;
  DropHover();
  ClearResourcesLoaded();
  currentScreen_ = nullptr;
  for (size_t i = 0; i < ChildCount(); ++i) {
    TQZElement* c = Child(i);
    if (c->KeepLoaded) c->LoadResources();
  }
  currentScreen_ = pendingScreen_;
  if (services_.sound) services_.sound->StopMuz();
  RunScript(exSetScreen, "SetScreen", Vars.get());
  if (currentScreen_) currentScreen_->DoShow();
  Host().ResetClock();
}

}  // namespace scene
