#pragma once
// A small software painter for the demo's pictures: straight-alpha float
// pixels, shapes filled with 4 x 4 supersampling, gradient and noise paints,
// text through SDL2_ttf, and writers for PNG, JPEG and 32-bit BMP.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace demo {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;  // 0..1, not premultiplied
};

// 0xRRGGBB with the given opacity.
Rgba Hex(uint32_t rgb, float alpha = 1.0f);
Rgba Mix(const Rgba& a, const Rgba& b, double t);
Rgba Scaled(const Rgba& c, double factor);  // colour channels times factor, clamped
Rgba WithAlpha(const Rgba& c, double alpha);

struct Pt {
  double x = 0, y = 0;
};

// Where a shape lies: a bounding box and a point test.
struct Shape {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::function<bool(double, double)> inside;
};

Shape Rect(double x0, double y0, double x1, double y1);
Shape RoundRect(double x0, double y0, double x1, double y1, double radius);
Shape Ellipse(double cx, double cy, double rx, double ry);
Shape Ring(double cx, double cy, double outer, double inner);
Shape Polygon(std::vector<Pt> points);
// A thick line segment with round ends.
Shape Line(Pt a, Pt b, double width);
// Points of shape b removed from shape a.
Shape Minus(Shape a, Shape b);

using Paint = std::function<Rgba(double x, double y)>;
using Stops = std::vector<std::pair<double, Rgba>>;

Paint Solid(Rgba c);
Paint Linear(Pt from, Pt to, Stops stops);
Paint Radial(Pt centre, double radius, Stops stops);
Rgba Sample(const Stops& stops, double t);

// Value noise in [0, 1] and its fractal sum, both deterministic.
double Noise(double x, double y, uint32_t seed);
double Fbm(double x, double y, int octaves, uint32_t seed);

// A deterministic random sequence (the pictures must not change between builds).
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 1) {}
  uint32_t Next();
  double Uniform() { return (Next() >> 8) / 16777216.0; }
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint32_t state_;
};

enum class Blend { Over, Add };

class Image {
 public:
  Image(int width, int height, Rgba fill = {});
  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgba& At(int x, int y) { return px_[static_cast<size_t>(y) * width_ + x]; }
  const Rgba& At(int x, int y) const { return px_[static_cast<size_t>(y) * width_ + x]; }

  // Composites the paint over the pixels the shape covers.
  void Fill(const Shape& shape, const Paint& paint, Blend blend = Blend::Over);
  void Fill(const Shape& shape, Rgba colour, Blend blend = Blend::Over) {
    Fill(shape, Solid(colour), blend);
  }
  void FillAll(const Paint& paint, Blend blend = Blend::Over);
  // Composites another picture with its top-left corner at (x, y).
  void Draw(const Image& src, int x, int y, Blend blend = Blend::Over);
  // A soft glow: a radial fade added to the colours.
  void Glow(Pt centre, double radius, Rgba colour);
  // Blurs the alpha channel (a box blur of the given radius, three passes).
  void BlurAlpha(int radius);
  // A copy with every covered pixel's surroundings lit: a highlight outline
  // of the given colour drawn under the picture (for hover patterns).
  Image Outlined(Rgba colour, int radius) const;

  bool WritePng(const std::string& file) const;
  bool WriteJpeg(const std::string& file, int quality) const;  // alpha dropped over black
  bool WriteBmp32(const std::string& file) const;

 private:
  void Put(int x, int y, const Rgba& c, double coverage, Blend blend);

  int width_, height_;
  std::vector<Rgba> px_;
};

// Patterns side by side in one picture (a sprite sheet of one row).
Image SideBySide(const std::vector<Image>& patterns);

// Text drawn with a TrueType font; (x, y) is the anchor point: the left, the
// centre or the right of the line's top edge for align -1, 0 or 1.
bool DrawText(Image& image, const std::string& fontFile, int pixelSize, const std::string& utf8,
              double x, double y, int align, Rgba colour);

}  // namespace demo
