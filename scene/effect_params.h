#pragma once
// The parameter block of a particle effect: the first 136 bytes of an effect
// file, little-endian, no header. Bytes past 136 are ignored; a shorter file
// fills only the start of the block and the rest stays zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace scene {

inline constexpr size_t kEffectBlockSize = 136;

struct TEffectParams {
  int32_t StartFrame = 0;   // first pattern of a particle
  int32_t EndFrame = 0;     // last pattern; below 0 or equal to StartFrame: no frame animation
  int32_t Reserved = 0;     // not used by the player, kept for round trips
  int32_t DrawEffect = 0;   // draw effect code of every particle
  int32_t Rate = 0;         // particles per time unit
  float Duration = 0;       // emission time; 0 or less: never emits
  float LifeA = 0, LifeB = 0;
  float Direction = 0;      // radians; 0 points along +Y (down the screen)
  float Spread = 0;         // cone width in radians, centred on Direction
  uint8_t AlignToMotion = 0;
  uint8_t pad1_[3] = {};
  float SpeedA = 0, SpeedB = 0;
  float GravityA = 0, GravityB = 0;
  float RadialA = 0, RadialB = 0;
  float TangentialA = 0, TangentialB = 0;
  float SizeStart = 0, SizeMid = 0, SizeEnd = 0, SizeVar = 0;
  float AngleStart = 0, AngleMid = 0, AngleEnd = 0, AngleVar = 0;
  uint32_t ColourStart = 0, ColourMid = 0, ColourEnd = 0;  // 0xAARRGGBB
  float ColourVar = 0, AlphaVar = 0;
  float MidFraction = 0;    // middle time as a fraction of the particle's life
  uint8_t NewestFirst = 0;  // draw the newest particle first (older ones cover it)
  uint8_t pad2_[3] = {};
};

enum class EffectFieldKind : uint8_t { Int32, UInt32, Float32, Byte };

// One named field of the block (the padding bytes are not fields).
struct EffectField {
  const char* name;
  uint32_t offset;  // in the file, and in TEffectParams
  EffectFieldKind kind;
};

// The fields in block order.
std::span<const EffectField> EffectFields();
const EffectField* FindEffectField(std::string_view name);  // any letter case

// Decodes a block from up to 136 bytes; missing bytes count as zero.
TEffectParams DecodeEffectParams(std::span<const uint8_t> bytes);
std::array<uint8_t, kEffectBlockSize> EncodeEffectParams(const TEffectParams& params);

// Typed access to a field of a decoded block through its descriptor.
int64_t GetEffectInt(const TEffectParams& p, const EffectField& f);  // Int32, UInt32, Byte
float GetEffectFloat(const TEffectParams& p, const EffectField& f);   // Float32
void SetEffectInt(TEffectParams& p, const EffectField& f, int64_t value);  // truncates to the width
void SetEffectFloat(TEffectParams& p, const EffectField& f, float value);

}  // namespace scene
