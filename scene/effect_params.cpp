#include "scene/effect_params.h"

#include <algorithm>
#include <cstring>

#include "platform/numeric.h"

namespace scene {

static_assert(sizeof(TEffectParams) == kEffectBlockSize);
static_assert(offsetof(TEffectParams, AlignToMotion) == 40);
static_assert(offsetof(TEffectParams, SpeedA) == 44);
static_assert(offsetof(TEffectParams, ColourStart) == 108);
static_assert(offsetof(TEffectParams, MidFraction) == 128);
static_assert(offsetof(TEffectParams, NewestFirst) == 132);

namespace {

using K = EffectFieldKind;

constexpr EffectField kFields[] = {
    {"StartFrame", 0, K::Int32},     {"EndFrame", 4, K::Int32},
    {"Reserved", 8, K::Int32},       {"DrawEffect", 12, K::Int32},
    {"Rate", 16, K::Int32},          {"Duration", 20, K::Float32},
    {"LifeA", 24, K::Float32},       {"LifeB", 28, K::Float32},
    {"Direction", 32, K::Float32},   {"Spread", 36, K::Float32},
    {"AlignToMotion", 40, K::Byte},  {"SpeedA", 44, K::Float32},
    {"SpeedB", 48, K::Float32},      {"GravityA", 52, K::Float32},
    {"GravityB", 56, K::Float32},    {"RadialA", 60, K::Float32},
    {"RadialB", 64, K::Float32},     {"TangentialA", 68, K::Float32},
    {"TangentialB", 72, K::Float32}, {"SizeStart", 76, K::Float32},
    {"SizeMid", 80, K::Float32},     {"SizeEnd", 84, K::Float32},
    {"SizeVar", 88, K::Float32},     {"AngleStart", 92, K::Float32},
    {"AngleMid", 96, K::Float32},    {"AngleEnd", 100, K::Float32},
    {"AngleVar", 104, K::Float32},   {"ColourStart", 108, K::UInt32},
    {"ColourMid", 112, K::UInt32},   {"ColourEnd", 116, K::UInt32},
    {"ColourVar", 120, K::Float32},  {"AlphaVar", 124, K::Float32},
    {"MidFraction", 128, K::Float32}, {"NewestFirst", 132, K::Byte},
};

size_t Width(K kind) { return kind == K::Byte ? 1 : 4; }

uint32_t ReadLE(const uint8_t* b, size_t width) {
  uint32_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= static_cast<uint32_t>(b[i]) << (8 * i);
  return v;
}

// The struct's layout equals the block's (asserted above), so a field's value
// lives at the same offset in both; only the byte order is converted.
uint32_t RawGet(const TEffectParams& p, const EffectField& f) {
  const auto* base = reinterpret_cast<const uint8_t*>(&p) + f.offset;
  if (f.kind == K::Byte) return *base;
  uint32_t v;
  std::memcpy(&v, base, 4);
  return v;
}

void RawSet(TEffectParams& p, const EffectField& f, uint32_t v) {
  auto* base = reinterpret_cast<uint8_t*>(&p) + f.offset;
  if (f.kind == K::Byte) {
    *base = static_cast<uint8_t>(v);
    return;
  }
  std::memcpy(base, &v, 4);
}

}  // namespace

std::span<const EffectField> EffectFields() { return kFields; }

const EffectField* FindEffectField(std::string_view name) {
  for (const EffectField& f : kFields)
    if (platform::AsciiIEquals(f.name, name)) return &f;
  return nullptr;
}

TEffectParams DecodeEffectParams(std::span<const uint8_t> bytes) {
  uint8_t block[kEffectBlockSize] = {};
  if (!bytes.empty()) std::memcpy(block, bytes.data(), std::min(bytes.size(), kEffectBlockSize));
  TEffectParams p;
  for (const EffectField& f : kFields) RawSet(p, f, ReadLE(block + f.offset, Width(f.kind)));
  return p;
}

std::array<uint8_t, kEffectBlockSize> EncodeEffectParams(const TEffectParams& p) {
  std::array<uint8_t, kEffectBlockSize> block{};
  for (const EffectField& f : kFields) {
    uint32_t v = RawGet(p, f);
    for (size_t i = 0; i < Width(f.kind); ++i) block[f.offset + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  return block;
}

int64_t GetEffectInt(const TEffectParams& p, const EffectField& f) {
  uint32_t v = RawGet(p, f);
  if (f.kind == K::Int32) return static_cast<int32_t>(v);
  return v;
}

float GetEffectFloat(const TEffectParams& p, const EffectField& f) {
  float v;
  uint32_t raw = RawGet(p, f);
  std::memcpy(&v, &raw, 4);
  return v;
}

void SetEffectInt(TEffectParams& p, const EffectField& f, int64_t value) {
  RawSet(p, f, static_cast<uint32_t>(value));
}

void SetEffectFloat(TEffectParams& p, const EffectField& f, float value) {
  uint32_t raw;
  std::memcpy(&raw, &value, 4);
  RawSet(p, f, raw);
}

}  // namespace scene
