#pragma once
// TQZAnim: a keyframe animation built from its keys (TQZAnKey children).
//
// The keys' images are turned, once and ahead of time, into a table of
// frames, each a list of draw items. Images with the same Id in consecutive
// keys are one object: its pose is interpolated between the keys, linearly or
// along spline tracks through all keys; a changed picture jumps, or
// cross-fades on a Morph key. Playback advances one frame per process step.
//
// Index: anim.cpp (class, writers, slots, playback, script names),
// anim_build.cpp (Rebuild), anim_draw.cpp (DrawFrame).

#include <cstdint>
#include <string>
#include <vector>

#include "scene/element.h"

namespace resources {
class TQZIm;
}

namespace scene {

class TQZImage;
class TQZAnKey;

// One picture of one frame. x and y are the picture's centre relative to the
// animation's origin.
struct AnimDrawItem {
  resources::TQZIm* picture = nullptr;
  int32_t pattern = 0;
  double x = 0;
  double y = 0;
  double scale = 1;
  double angle = 0;  // degrees
  double scaleX = 1;
  double scaleY = 1;
  uint32_t colour = 0xFFFFFFFF;
  uint32_t effect = 0x504;
  // A direction sprite (pattern -1 at build time): the pattern was chosen
  // from the total angle and `angle` is what remains of it, so the
  // animation's Angle is not added again when it is drawn.
  bool directional = false;
};

using AnimFrame = std::vector<AnimDrawItem>;

class TQZAnim : public TQZElement {
 public:
  // Limits of the frame table: a larger one is not built (the animation
  // then has no frames).
  static constexpr int64_t kMaxFrames = int64_t{1} << 20;
  static constexpr int64_t kMaxDrawItems = int64_t{1} << 20;

  explicit TQZAnim(TQZElement* parent);
  static void Register(ClassRegistry& registry);

  int32_t SizeX = 0;
  int32_t SizeY = 0;
  uint32_t hxDrawFx = 1;
  int32_t Agro = 0;
  bool Modal = false;
  int32_t Pos = 0;
  bool Morph = false;
  bool Rep = false;
  bool ShowAn = false;
  bool Active = false;
  script::ScriptSlot exStop;
  script::ScriptSlot exStart;
  script::ScriptSlot exAnim;
  double Angle = 0;
  bool Interpol = false;

  virtual std::string GetImBack() const;
  // Requests the background without the force flag; a loaded background
  // gives SizeX and SizeY its pattern size.
  virtual void SetImBack(const std::string& name);
  resources::TQZIm* Background() const { return background_; }

  // Rebuilds the frame table from the keys. While the loading flag is set it
  // only marks the table stale; a stale table is rebuilt at its next use
  // (drawing, playback, the KEY names, an embedded animation's drawing).
  virtual void Rebuild();
  // Pos := value; at or beyond the frame count: 0 with Rep, else the last
  // frame. A negative value is stored unchanged.
  virtual void SetPosValue(int32_t value);
  virtual void SetMorph(bool value) {
    Morph = value;
    Rebuild();
  }
  virtual void SetInterpol(bool value) { Interpol = value; }

  // Draws frame `frame` with the animation's origin at (x, y).
  void DrawFrame(int32_t frame, uint32_t colour, double x, double y);

  int32_t FrameCount() { return EnsureFrames(), frameCount_; }
  const std::vector<AnimFrame>& Frames() { return EnsureFrames(), frames_; }
  bool FramesStale() const { return stale_; }

  // The operation of the AnimStart native: Pos 0, Active, Vis, then exStart
  // with `context` as its event label (the natives pass the current label).
  void Start(const char* context);

  void SetSizeX(int32_t value) override { SizeX = value; }
  void SetSizeY(int32_t value) override { SizeY = value; }
  int32_t GetSizeX() override { return SizeX; }
  int32_t GetSizeY() override { return SizeY; }
  // An animation and everything in it is never hit.
  TQZElement* HitTest(int32_t, int32_t, int32_t, int32_t, int32_t) override { return nullptr; }
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY, int32_t flag) override;
  void DoProcess() override;
  void DoUpdate() override;
  void DoInit() override;
  void DoReinit() override;
  void LoadResources() override;
  void ReloadResources() override;
  bool GetValue(const std::string& name, script::Value& out) override;

 protected:
  void EnsureFrames() {
    if (stale_ && !IsLoading()) Rebuild();
  }
  void BuildFrames();
  void DrawBackground(uint32_t colour, double x, double y);

  std::string imBackName_;
  resources::TQZIm* background_ = nullptr;
  std::vector<AnimFrame> frames_;
  int32_t frameCount_ = 0;
  bool stale_ = true;
};

}  // namespace scene
