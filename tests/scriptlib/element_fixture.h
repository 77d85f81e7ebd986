#pragma once
// A small game built in the test process for the element, screen, animation
// and star natives: a root with a software canvas, the image cache over a
// game folder of libpng-made pictures, the interpreter pool with the native
// table, and scripts run as the root's process event.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "render/canvas2d.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/script_runner.h"
#include "support/test_support.h"

namespace scriptlib_test {

class CountingHost : public scene::GameHost {
 public:
  int clockResets = 0;
  int frames = 0;
  void ResetClock() override { ++clockResets; }
  void RenderFrame(bool) override { ++frames; }
};

class ElementGame : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static scene::ScriptRunner& Runner() { return scene::ScriptRunner::Instance(); }

  // A new child of `parent`, with an Id and a Key.
  template <class T>
  T* Add(scene::TQZElement* parent, const char* className, const std::string& id, int32_t key) {
    auto* e = dynamic_cast<T*>(parent->CreateChild(className));
    EXPECT_NE(e, nullptr) << className;
    if (!e) return nullptr;
    e->SetId(id);
    e->SetKey(key);
    return e;
  }
  static void Script(scene::TQZElement* e, scene::Ev ev, const std::string& text) {
    e->SetScriptText(e->Script(ev), text);
  }

  // Runs text as the root's exProcess; the run's error message ("" without one).
  std::string Run(const std::string& text);
  // "Kind:text" of a variable the last Run left, or "<none>".
  std::string Var(const std::string& name);

  // An RGBA PNG (pixels as ARGB) written with libpng into the game folder.
  void Png(const std::string& name, int width, int height,
           const std::function<uint32_t(int, int)>& pixel);
  // A 24-bit BMP in one colour (the particle sheet is a BMP).
  void SolidBmp(const std::string& name, int width, int height, uint32_t rgb);

  testing_support::TempDir game_;
  render::Frame frame_;
  render::Canvas2D canvas_{frame_};
  render::ImageStore store_;
  resources::ImageCache cache_{store_};
  CountingHost host_;
  scene::TQZDB root_;
};

}  // namespace scriptlib_test
