#pragma once
// Exact 8-bit channel arithmetic shared by the canvas and its tests.
//
// Every product of two channel values is rounded to nearest: Mul255(a, b) =
// round(a x b / 255). A blend rounds once: round((s x fs + d x fd) / 255).

#include <cstdint>

namespace render {

// round(n / 255) for 0 <= n <= 65662 (exact there; larger sums only ever get clamped to 255).
inline uint32_t Div255(uint32_t n) {
  n += 128;
  return (n + (n >> 8)) >> 8;
}

inline uint32_t Mul255(uint32_t a, uint32_t b) { return Div255(a * b); }

inline uint32_t AlphaOf(uint32_t argb) { return argb >> 24; }
inline uint32_t RedOf(uint32_t argb) { return (argb >> 16) & 0xFF; }
inline uint32_t GreenOf(uint32_t argb) { return (argb >> 8) & 0xFF; }
inline uint32_t BlueOf(uint32_t argb) { return argb & 0xFF; }
inline uint32_t MakeArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// Texture colour and alpha modulated by a vertex colour, channel by channel.
inline uint32_t Modulate(uint32_t texel, uint32_t colour) {
  return MakeArgb(Mul255(AlphaOf(texel), AlphaOf(colour)), Mul255(RedOf(texel), RedOf(colour)),
                  Mul255(GreenOf(texel), GreenOf(colour)), Mul255(BlueOf(texel), BlueOf(colour)));
}

// Linear mix of two pixels with an 8-bit weight w (0..256) of b, per channel
// truncated: (a x (256 - w) + b x w) >> 8. Two channels travel together in
// the 0x00FF00FF lanes; the products stay below 2^16 per lane.
inline uint32_t Lerp256(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((a & 0xFF00FFu) * iw + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t ag = ((((a >> 8) & 0xFF00FFu) * iw + ((b >> 8) & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  return rb | (ag << 8);
}

// Bilinear filter of four texels (p00 top-left, p10 top-right, p01 bottom-left,
// p11 bottom-right) with 8-bit fractions fx and fy (0..255): rows first, then
// columns, each step truncated.
inline uint32_t Bilinear(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t fx,
                         uint32_t fy) {
  return Lerp256(Lerp256(p00, p10, fx), Lerp256(p01, p11, fx), fy);
}

}  // namespace render
