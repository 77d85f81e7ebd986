#pragma once
// TQZExScreen: shows another screen, given by its Key, inside the current one.
//
// The embedding element forwards drawing, hit testing and the events to the
// embedded screen, placed at the element's anchored position. A chain of
// embeddings that leads back to a screen it is already inside is cut at the
// repeated link: that link draws, hit-tests and forwards nothing.

#include <cstdint>

#include "scene/element.h"

namespace scene {

class TQZScreen;

class TQZExScreen : public TQZElement {
 public:
  explicit TQZExScreen(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  TQZPosHor PosHor = TQZPosHor::phLeft;
  TQZPosVert PosVert = TQZPosVert::pvTop;
  bool Modal = false;
  bool Processing = true;

  int32_t obScreen() const { return obScreen_; }
  // Writing obScreen forgets the cached screen.
  void SetObScreen(int32_t key) {
    obScreen_ = key;
    screen_ = nullptr;
  }

  // Finds the embedded screen (the first root child screen whose Key is
  // obScreen) unless it is cached, and widens this element's layer bounds to
  // the screen's so every layer pass it needs reaches this element.
  void ResolveScreen();
  // The cached embedded screen, or null.
  TQZScreen* EmbeddedScreen() const { return screen_; }
  // Top-left corner of the embedded screen relative to the parent's origin.
  int32_t AnchoredLeft();
  int32_t AnchoredTop();

  void SetVis(bool value) override;
  int32_t GetSizeX() override;
  int32_t GetSizeY() override;
  int32_t GetAbsX() override;
  int32_t GetAbsY() override;
  TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
             int32_t flag) override;
  void DoProcess() override;
  void DoShow() override;
  void DoUpdate() override;
  void DoInit() override;
  void DoReinit() override;
  void LoadResources() override;
  void ReloadResources() override;

 private:
  // The embedded screen when forwarding to it would not repeat a screen of
  // the running chain of embeddings; null otherwise.
  TQZScreen* Target();

  int32_t obScreen_ = 0;
  TQZScreen* screen_ = nullptr;  // cache of the screen found by obScreen
};

}  // namespace scene
