#pragma once
// Particle systems: TXObject (a positioned object), TXParticleSystem (an
// emitter with its particles) and TXParticleManager (the root's holder of the
// canvas and the particle sheet).
//
// A system emits sprites of the shared particle sheet, moves them with
// velocity, gravity and radial and tangential acceleration, and carries size,
// rotation and colour through three stages (birth, middle, death) over each
// particle's life. The live particles are the first Count() records of one
// preallocated array, oldest first; nothing is allocated per particle.
//
// Stages of zero length: a particle whose middle time is 0 or less (a life of
// 0, or MidFraction 0) is taken to reach its middle at birth, so its values
// head for the end stage from the start; a stage that would have to pass in
// no time leaves its values still instead of dividing by zero. A particle
// whose position, size or rotation is not a finite number is never drawn.
//
// Random numbers come from the program's one source (platform::Rng()), so a
// seeded run repeats exactly.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "scene/effect_params.h"

namespace render {
class Canvas;
class RenderImage;
}  // namespace render
namespace resources {
class TQZIm;
}

namespace scene {

class TXObject {
 public:
  virtual ~TXObject() = default;
  float PosX = 0;
  float PosY = 0;
  float Heading = 0;
};

// 26 float32 values, as the engine lays them out.
struct TParticle {
  float Pattern, PatternSpeed;
  float PosX, PosY;
  float BirthOffsetX, BirthOffsetY;
  float VelX, VelY;
  float Gravity, RadialAcc, TangentialAcc;
  float Rotation, RotationSpeed;
  float Size, SizeSpeed;
  float Colour[4];       // blue, green, red, alpha; each 0 to 255
  float ColourSpeed[4];
  float Age, MidTime, Life;
};
static_assert(sizeof(TParticle) == 104);

struct SpawnPoint {
  int32_t x = 0;
  int32_t y = 0;
};

class TXParticleSystem : public TXObject {
 public:
  // Parameters zero, one spawn point (0, 0), not emitting.
  explicit TXParticleSystem(int32_t capacity);

  // Resizes the particle array when n differs (live particles beyond n are dropped).
  void SetCapacity(int32_t n);
  int32_t Capacity() const { return static_cast<int32_t>(particles_.size()); }

  // Reads up to 136 bytes into the parameter block; true when at least one
  // byte was read. The rest of the block is zero.
  bool LoadFromStream(std::span<const uint8_t> bytes);
  // False when the file does not exist or is not a regular file.
  bool LoadFromFile(const std::filesystem::path& path);
  const TEffectParams& Params() const { return params_; }
  void SetParams(const TEffectParams& params) { params_ = params; }

  int32_t AddSpawnPoint(int32_t x, int32_t y);
  // A system without spawn points neither starts nor emits.
  void ClearSpawnPoints() { spawnPoints_.clear(); }
  const std::vector<SpawnPoint>& SpawnPoints() const { return spawnPoints_; }

  void StartEmit();
  // Ends emission; with clear, every particle vanishes at once.
  void StopEmit(bool clear);
  bool Emitting() const { return emitTime_ >= 0; }
  float EmitTime() const { return emitTime_; }

  // Moves the emitter. With shift the live particles move along; otherwise an
  // emitting system spreads its next particles along the whole move, and a
  // system that is not emitting just jumps (no trail).
  void MoveEmitter(float dx, float dy, bool shift);
  void SetEmitterPos(float x, float y, bool shift) { MoveEmitter(x - PosX, y - PosY, shift); }
  float PrevX() const { return prevX_; }
  float PrevY() const { return prevY_; }

  // One simulation step of dt time units.
  void Step(float dt);
  // Draws the live particles with the particle image; offsets in whole pixels,
  // colours ANDed with the mask.
  void DrawParticles(render::Canvas& canvas, int32_t offsetX, int32_t offsetY, uint32_t mask) const;

  // The particle sheet to draw with (may be null: nothing is drawn).
  void SetImage(const render::RenderImage* image) { image_ = image; }
  const render::RenderImage* Image() const { return image_; }

  // Stops emission and clears the particles, the image, the spawn points and the capacity.
  void Destroy();

  int32_t Count() const { return count_; }
  std::span<const TParticle> Particles() const { return {particles_.data(), static_cast<size_t>(count_)}; }
  float Carry() const { return carry_; }
  float DirectionOffset = 0;

 private:
  float RandomBetween(float a, float b);
  void EmitOne();
  void SetStageSpeeds(TParticle& p, float sizeTarget, float angleTarget, uint32_t colourTarget,
                      float time) const;

  TEffectParams params_;
  std::vector<TParticle> particles_;
  int32_t count_ = 0;
  std::vector<SpawnPoint> spawnPoints_;
  float emitTime_ = -1;
  float carry_ = 0;
  float prevX_ = 0;
  float prevY_ = 0;
  const render::RenderImage* image_ = nullptr;
};

// Created by the root when it has a canvas. Holds the canvas and the particle
// sheet's cache entry; the systems of effects are owned by the effects, the
// list here is for systems owned by the manager itself.
class TXParticleManager {
 public:
  explicit TXParticleManager(render::Canvas* canvas) : canvas_(canvas) {}
  ~TXParticleManager() { Clear(); }

  render::Canvas* Canvas() const { return canvas_; }
  resources::TQZIm* Sheet() const { return sheet_; }
  void SetSheet(resources::TQZIm* sheet) { sheet_ = sheet; }

  TXParticleSystem* Add(std::unique_ptr<TXParticleSystem> system);
  int32_t Count() const { return static_cast<int32_t>(systems_.size()); }
  // Frees every listed system.
  void Clear() { systems_.clear(); }

 private:
  render::Canvas* canvas_;
  resources::TQZIm* sheet_ = nullptr;
  std::vector<std::unique_ptr<TXParticleSystem>> systems_;
};

}  // namespace scene
