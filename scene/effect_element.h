#pragma once
// TQZEffect: a particle effect element. It owns one particle system (none
// until EffectFN is assigned while the root has a particle manager), loads its
// parameters from the effect file, moves the emitter with the element and
// steps it once per process pass.

#include <cstdint>
#include <memory>
#include <string>

#include "scene/element.h"
#include "scene/particles.h"

namespace scene {

class TQZEffect : public TQZElement {
 public:
  // Process steps per second of the main window's frame timer: one step of
  // an effect advances DAnim / kTimerSpeed time units.
  static constexpr double kTimerSpeed = 30.0;
  static constexpr int32_t kCapacity = 5000;

  explicit TQZEffect(TQZElement* parent);
  ~TQZEffect() override;
  static void Register(ClassRegistry& registry);

  double DAnim = 0;             // time units per second of play
  uint32_t hxColor = 0xFFFFFF;  // colour mask (ANDed, with alpha 0xFF)
  script::ScriptSlot exStart;

  bool Active() const { return active_; }
  // With a system: true starts emission, false stops it (live particles finish).
  virtual void SetActive(bool value);
  const std::string& EffectFN() const { return effectFN_; }
  // Makes a new system and loads the named effect file into it (a loose file
  // first, then the resource pack; otherwise the parameters stay zero).
  virtual void SetEffectFN(const std::string& name);

  TXParticleSystem* System() const { return system_.get(); }

  // The operations the animation natives issue. Start: Active true, then
  // exStart runs with `context` as its event label (the natives pass the
  // label current when they are called). Stop: Active false. Break: the
  // particles vanish at once, then Active false.
  void Start(const char* context);
  void Stop() { SetActive(false); }
  void Break();
  // One particle step of dt time units (what a process pass does, and what
  // the ProcEf native asks for with its own dt).
  void StepBy(float dt);

  void SetX(int32_t value) override;
  void SetY(int32_t value) override;
  void SetPos(int32_t x, int32_t y) override;
  void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY, int32_t flag) override;
  void DoProcess() override;
  void LoadResources() override;
  void ReloadResources() override;

 protected:
  // Hands the system the root's current particle sheet.
  void GiveSheet();
  void MoveEmitterToElement();

  bool active_ = false;
  std::string effectFN_;
  std::unique_ptr<TXParticleSystem> system_;
  resources::TQZIm* sheet_ = nullptr;
};

}  // namespace scene
