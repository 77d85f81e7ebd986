#pragma once
// Canvas: the drawing interface every element draws through.
//
// Coordinates are logical pixels of the frame: origin top-left, x right, y
// down. Pixel (x, y) is the unit square [x, x + 1) x [y, y + 1); a primitive
// covers a pixel when it covers the pixel's centre, and a centre exactly on an
// edge belongs to the primitive on the edge's right or lower side (the
// top-left rule), so primitives that share an edge never cover a pixel twice.
// Image corners are thus effectively shifted by -0.5 pixel against the pixel
// grid: an unscaled, unrotated pattern drawn at whole-pixel coordinates
// (x, y) puts texel (i, j) exactly on pixel (x + i, y + j), with or without
// smoothing.
//
// Colours are ARGB (alpha in the top byte). A vertex colour modulates the
// texture's colour and alpha channel by channel; 0xFFFFFFFF leaves the
// texture unchanged.
//
// Effect codes (hxDrawFx) are read byte by byte: byte 0 is the source blend
// factor, byte 1 the destination factor, byte 2 the operation; the top byte is
// ignored. Factor index i: 0 zero, 1 one, 2 source colour, 3 inverse source
// colour, 4 source alpha, 5 inverse source alpha, 6 destination alpha,
// 7 inverse destination alpha, 8 destination colour, 9 inverse destination
// colour, 10 source alpha saturated. Operation index: 0 add, 1 reverse
// subtract (destination - source), 2 subtract (source - destination),
// 3 minimum, 4 maximum (minimum and maximum ignore the factors). The frame has
// no alpha channel: destination alpha reads as 255. Code 1 (one, zero, add)
// draws opaquely: no blending and no alpha test. Every other code blends and
// alpha-tests: a pixel whose source alpha (after modulation and filtering) is
// 0 is not written. A code naming a factor or operation beyond these draws
// nothing.
//
// Drawing may be deferred (batched) by an implementation; Flush makes every
// earlier call reach the frame. State calls (clip, smoothing) apply to the
// calls made after them.

#include <array>
#include <cstdint>

namespace render {

class RenderImage;

inline constexpr uint32_t kEffectOpaque = 0x1;
inline constexpr uint32_t kEffectAlpha = 0x504;     // source alpha, inverse source alpha, add
inline constexpr uint32_t kEffectAdditive = 0x104;  // source alpha, one, add (stars: 260)
inline constexpr uint32_t kColourWhite = 0xFFFFFFFFu;

struct PointD {
  double x = 0;
  double y = 0;
};

// Corners in the order top-left, top-right, bottom-right, bottom-left (of the
// source rectangle they show).
using QuadCorners = std::array<PointD, 4>;
using QuadColours = std::array<uint32_t, 4>;

// Part of a pattern, in pattern pixels. A width or height of 0 means the whole pattern.
struct SourceRect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// Right and bottom are exclusive.
struct ClipRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  bool operator==(const ClipRect&) const = default;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Size of the frame in pixels.
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Maps the source rectangle of the pattern onto the quadrilateral (as two
  // triangles, top-left/top-right/bottom-right and top-left/bottom-right/
  // bottom-left, colours interpolated across each). Nothing is drawn for a
  // null image, a pattern without texture, non-finite corners or an unknown
  // effect. Corners may come in either winding (mirrored images draw).
  virtual void DrawImageQuad(const RenderImage* image, const QuadCorners& corners,
                             const QuadColours& colours, int pattern, const SourceRect& source,
                             uint32_t effect) = 0;

  // The pattern with its top-left corner at (x, y) at the visible size.
  virtual void DrawImage(const RenderImage* image, uint32_t colour, double x, double y,
                         int pattern, uint32_t effect);
  // Like DrawImage at round(visible width x scale) x round(visible height x
  // scale) (halves to even); the top-left corner stays at (x, y).
  virtual void DrawImageScaled(const RenderImage* image, uint32_t colour, double x, double y,
                               double scale, int pattern, uint32_t effect);
  // The pattern centred on (centreX, centreY): each corner relative to the
  // pattern's centre (half the visible size) is multiplied by the scale,
  // rotated by the angle (x' = x cos a - y sin a, y' = y cos a + x sin a:
  // positive angles turn clockwise on screen) and moved to the centre.
  virtual void DrawImageRotated(const RenderImage* image, uint32_t colour, double centreX,
                                double centreY, double angle, double scale, int pattern,
                                uint32_t effect);

  // Pixels left..left+width-1, top..top+height-1; nothing when a size is not positive.
  virtual void FillRect(int left, int top, int width, int height, uint32_t colour,
                        uint32_t effect) = 0;
  // The one-pixel outline of the same rectangle: the top and bottom rows and
  // the left and right columns (right and bottom one pixel inside the size),
  // every outline pixel drawn exactly once.
  virtual void FrameRect(int left, int top, int width, int height, uint32_t colour,
                         uint32_t effect);
  // FillRect in the fill colour, then FrameRect in the outline colour.
  virtual void FillFrameRect(int left, int top, int width, int height, uint32_t fillColour,
                             uint32_t outlineColour, uint32_t effect);
  // A filled triangle in one colour (either winding).
  virtual void FillTriangle(PointD a, PointD b, PointD c, uint32_t colour, uint32_t effect) = 0;

  // Restricts drawing to the rectangle, cut to the frame. An empty rectangle
  // draws nothing until the next SetClipRect.
  virtual void SetClipRect(const ClipRect& rect) = 0;
  // The current clip rectangle (initially the whole frame).
  virtual ClipRect GetClipRect() const = 0;

  // Bilinear texture filtering (true) or nearest texel (false). Initially false.
  virtual void SetSmoothing(bool on) = 0;
  virtual bool Smoothing() const = 0;

  virtual void Flush() {}
};

// The corners of an axis-aligned rectangle (x, y, width, height).
QuadCorners RectCorners(double x, double y, double width, double height);
// The corners of a width x height rectangle scaled and rotated about its
// centre, then centred on (centreX, centreY), as DrawImageRotated places them.
QuadCorners RotatedCorners(double centreX, double centreY, double width, double height,
                           double angle, double scale);
inline QuadColours SameColours(uint32_t colour) { return {colour, colour, colour, colour}; }

}  // namespace render
