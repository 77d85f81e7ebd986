#include "scene/particles.h"

#include <algorithm>
#include <cmath>

#include "platform/file_io.h"
#include "platform/random.h"
#include "render/canvas.h"
#include "render/render_image.h"

namespace scene {

namespace {

// The fixed scale of all accelerations.
constexpr float kAccelerationScale = 10.0f;

// Colour components stay within 0 to 255; a component that is not a number becomes 0.
inline float LimitComponent(float v) {
  if (!(v >= 0.0f)) return 0.0f;
  return v > 255.0f ? 255.0f : v;
}

inline float Component(uint32_t argb, int index) {  // 0 blue, 1 green, 2 red, 3 alpha
  return static_cast<float>((argb >> (8 * index)) & 0xFF);
}

inline uint32_t RoundedComponent(float v) {
  return static_cast<uint32_t>(std::nearbyint(LimitComponent(v)));
}

// Truncation toward zero, limited to the int range (a pattern beyond the
// sheet draws nothing).
inline int32_t TruncatePattern(float v) {
  if (!(v > -2147483520.0f)) return INT32_MIN;
  if (v >= 2147483520.0f) return INT32_MAX;
  return static_cast<int32_t>(v);
}

}  // namespace

TXParticleSystem::TXParticleSystem(int32_t capacity) {
  SetCapacity(capacity);
  spawnPoints_.push_back({0, 0});
}

void TXParticleSystem::SetCapacity(int32_t n) {
  n = std::max(n, 0);
  if (n == Capacity()) return;
  particles_.assign(static_cast<size_t>(n), TParticle{});
  count_ = std::min(count_, n);
}

bool TXParticleSystem::LoadFromStream(std::span<const uint8_t> bytes) {
  params_ = DecodeEffectParams(bytes.first(std::min(bytes.size(), kEffectBlockSize)));
  return !bytes.empty();
}

bool TXParticleSystem::LoadFromFile(const std::filesystem::path& path) {
  std::string block;
  if (!platform::ReadFileHead(path, kEffectBlockSize, block)) return false;
  return LoadFromStream({reinterpret_cast<const uint8_t*>(block.data()), block.size()});
}

int32_t TXParticleSystem::AddSpawnPoint(int32_t x, int32_t y) {
  spawnPoints_.push_back({x, y});
  return static_cast<int32_t>(spawnPoints_.size()) - 1;
}

void TXParticleSystem::StartEmit() {
  if (spawnPoints_.empty()) return;
  emitTime_ = params_.Duration > 0 ? 0.0f : -1.0f;
}

void TXParticleSystem::StopEmit(bool clear) {
  emitTime_ = -1;
  if (clear) count_ = 0;
}

void TXParticleSystem::Destroy() {
  StopEmit(true);
  image_ = nullptr;
  spawnPoints_.clear();
  SetCapacity(0);
}

void TXParticleSystem::MoveEmitter(float dx, float dy, bool shift) {
  if (shift) {
    for (int32_t i = 0; i < count_; ++i) {
      particles_[i].PosX += dx;
      particles_[i].PosY += dy;
    }
    prevX_ += dx;
    prevY_ += dy;
  } else if (Emitting()) {
    // The next update spreads its particles along the whole move.
    prevX_ = PosX;
    prevY_ = PosY;
  } else {
    prevX_ = PosX + dx;
    prevY_ = PosY + dy;
  }
  PosX += dx;
  PosY += dy;
}

float TXParticleSystem::RandomBetween(float a, float b) {
  const float lo = std::min(a, b);
  const float hi = std::max(a, b);
  return static_cast<float>(lo + platform::Rng().NextDouble() * (static_cast<double>(hi) - lo));
}

void TXParticleSystem::SetStageSpeeds(TParticle& p, float sizeTarget, float angleTarget,
                                      uint32_t colourTarget, float time) const {
  // A stage that has no time to pass leaves the values where they are.
  if (!(time > 0.0f)) {
    p.SizeSpeed = p.RotationSpeed = 0;
    for (float& s : p.ColourSpeed) s = 0;
    return;
  }
  p.SizeSpeed = (sizeTarget - p.Size) / time;
  p.RotationSpeed = (angleTarget - p.Rotation) / time;
  for (int c = 0; c < 4; ++c) p.ColourSpeed[c] = (Component(colourTarget, c) - p.Colour[c]) / time;
}

void TXParticleSystem::EmitOne() {
  const TEffectParams& q = params_;
  TParticle& p = particles_[static_cast<size_t>(count_)];
  p.Age = 0;
  p.Life = RandomBetween(q.LifeA, q.LifeB);
  p.MidTime = p.Life * q.MidFraction;

  // A random point on the path the emitter travelled since the last update.
  const float t = RandomBetween(1, 0);
  float x = prevX_ + (PosX - prevX_) * t;
  float y = prevY_ + (PosY - prevY_) * t;
  const SpawnPoint& sp =
      spawnPoints_[static_cast<size_t>(platform::Rng().NextInt(static_cast<int32_t>(spawnPoints_.size())))];
  x += static_cast<float>(sp.x);
  y += static_cast<float>(sp.y);
  p.PosX = x;
  p.PosY = y;
  p.BirthOffsetX = x - PosX;
  p.BirthOffsetY = y - PosY;

  float a = q.Direction + DirectionOffset + RandomBetween(q.Spread, 0) - q.Spread / 2;
  // The angle of the vector pointing back along the movement, from +Y toward +X.
  if (q.AlignToMotion) a += std::atan2(prevX_ - PosX, prevY_ - PosY);
  const float s = RandomBetween(q.SpeedA, q.SpeedB);
  p.VelX = std::sin(a) * s;
  p.VelY = std::cos(a) * s;

  p.Gravity = RandomBetween(q.GravityA, q.GravityB);
  p.RadialAcc = RandomBetween(q.RadialA, q.RadialB);
  p.TangentialAcc = RandomBetween(q.TangentialA, q.TangentialB);

  p.Size = RandomBetween(q.SizeStart, q.SizeStart + (q.SizeMid - q.SizeStart) * q.SizeVar);
  p.Rotation = RandomBetween(q.AngleStart, q.AngleStart + (q.AngleMid - q.AngleStart) * q.AngleVar);

  p.Pattern = static_cast<float>(q.StartFrame);
  const bool animated = q.EndFrame >= 0 && q.EndFrame != q.StartFrame && p.Life > 0;
  p.PatternSpeed =
      animated ? static_cast<float>(static_cast<double>(q.EndFrame) - q.StartFrame) / p.Life : 0.0f;

  const float r1 = RandomBetween(q.ColourVar, 0);
  const float r2 = RandomBetween(q.AlphaVar, 0);
  for (int c = 0; c < 4; ++c) {
    const float start = Component(q.ColourStart, c);
    const float mid = Component(q.ColourMid, c);
    p.Colour[c] = LimitComponent(start + (mid - start) * (c == 3 ? r2 : r1));
  }

  if (p.MidTime > 0) {
    SetStageSpeeds(p, q.SizeMid, q.AngleMid, q.ColourMid, p.MidTime);
  } else {
    // No first stage: the particle is at its middle from birth.
    SetStageSpeeds(p, q.SizeEnd, q.AngleEnd, q.ColourEnd, p.Life);
  }
  ++count_;
}

void TXParticleSystem::Step(float dt) {
  if (emitTime_ >= 0) {
    emitTime_ += dt;
    if (emitTime_ >= params_.Duration) emitTime_ = -1;
  }

  const float acc = kAccelerationScale * dt;
  const float ex = PosX, ey = PosY;
  int32_t kept = 0;
  TParticle* ps = particles_.data();
  for (int32_t i = 0; i < count_; ++i) {
    TParticle p = ps[i];
    p.Age += dt;
    if (p.Age >= p.Life) continue;  // removed; later particles move up
    const bool crossed = p.Age - dt < p.MidTime && p.Age >= p.MidTime;

    float rx = p.PosX - (ex + p.BirthOffsetX);
    float ry = p.PosY - (ey + p.BirthOffsetY);
    const float len = std::sqrt(rx * rx + ry * ry);
    if (len > 0) {
      rx /= len;
      ry /= len;
    } else {
      rx = ry = 0;
    }
    p.VelX += (rx * p.RadialAcc - ry * p.TangentialAcc) * acc;
    p.VelY += (ry * p.RadialAcc + rx * p.TangentialAcc) * acc;
    p.VelY += p.Gravity * acc;
    p.PosX += p.VelX * dt;
    p.PosY += p.VelY * dt;
    p.Rotation += p.RotationSpeed * dt;
    p.Size += p.SizeSpeed * dt;
    p.Pattern += p.PatternSpeed * dt;
    if (crossed) SetStageSpeeds(p, params_.SizeEnd, params_.AngleEnd, params_.ColourEnd, p.Life - p.MidTime);
    for (int c = 0; c < 4; ++c) p.Colour[c] = LimitComponent(p.Colour[c] + p.ColourSpeed[c] * dt);
    ps[kept++] = p;
  }
  count_ = kept;

  if (emitTime_ >= 0) {
    const float want = static_cast<float>(params_.Rate) * dt + carry_;
    int64_t n = 0;
    if (std::isfinite(want)) {
      const float rounded = std::nearbyint(want);
      carry_ = want - rounded;
      n = rounded <= 0 ? 0 : rounded > 1e9f ? int64_t{1000000000} : static_cast<int64_t>(rounded);
    } else {
      carry_ = 0;
    }
    if (!spawnPoints_.empty())
      for (int64_t k = 0; k < n && count_ < Capacity(); ++k) EmitOne();
  }
  prevX_ = PosX;
  prevY_ = PosY;
}

void TXParticleSystem::DrawParticles(render::Canvas& canvas, int32_t offsetX, int32_t offsetY,
                                     uint32_t mask) const {
  if (!image_ || count_ == 0) return;
  const double w = image_->PatternWidth();
  const double h = image_->PatternHeight();
  const double width = canvas.Width();
  const double height = canvas.Height();
  const uint32_t effect = static_cast<uint32_t>(params_.DrawEffect);
  auto draw = [&](const TParticle& p) {
    const double x = offsetX + static_cast<double>(p.PosX);
    const double y = offsetY + static_cast<double>(p.PosY);
    const double s = p.Size;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(s) || !std::isfinite(p.Rotation))
      return;
    if (x + w * s < 0 || y + h * s < 0 || x - w * s > width || y - h * s > height) return;
    const uint32_t colour = ((RoundedComponent(p.Colour[3]) << 24) | (RoundedComponent(p.Colour[2]) << 16) |
                             (RoundedComponent(p.Colour[1]) << 8) | RoundedComponent(p.Colour[0])) &
                            mask;
    canvas.DrawImageRotated(image_, colour, x, y, p.Rotation, s, TruncatePattern(p.Pattern), effect);
  };
  if (params_.NewestFirst) {
    for (int32_t i = count_; i-- > 0;) draw(particles_[static_cast<size_t>(i)]);
  } else {
    for (int32_t i = 0; i < count_; ++i) draw(particles_[static_cast<size_t>(i)]);
  }
}

TXParticleSystem* TXParticleManager::Add(std::unique_ptr<TXParticleSystem> system) {
  systems_.push_back(std::move(system));
  return systems_.back().get();
}

}  // namespace scene
