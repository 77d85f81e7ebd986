#include "demo/tools/raster.h"

#include <SDL_ttf.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace demo {

namespace {

float Clamp01(double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); }
uint8_t Byte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0)); }

}  // namespace

// ---- colours ----------------------------------------------------------------------

Rgba Hex(uint32_t rgb, float alpha) {
  return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
          alpha};
}

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  const double u = 1 - t;
  return {static_cast<float>(a.r * u + b.r * t), static_cast<float>(a.g * u + b.g * t),
          static_cast<float>(a.b * u + b.b * t), static_cast<float>(a.a * u + b.a * t)};
}

Rgba Scaled(const Rgba& c, double f) {
  return {Clamp01(c.r * f), Clamp01(c.g * f), Clamp01(c.b * f), c.a};
}

Rgba WithAlpha(const Rgba& c, double alpha) { return {c.r, c.g, c.b, Clamp01(alpha)}; }

// ---- shapes -----------------------------------------------------------------------

Shape Rect(double x0, double y0, double x1, double y1) {
  return {x0, y0, x1, y1, [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }};
}

Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
  return {x0, y0, x1, y1, [=](double x, double y) {
            if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
            const double cx = std::clamp(x, x0 + r, x1 - r);
            const double cy = std::clamp(y, y0 + r, y1 - r);
            return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
          }};
}

Shape Ellipse(double cx, double cy, double rx, double ry) {
  return {cx - rx, cy - ry, cx + rx, cy + ry, [=](double x, double y) {
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            return dx * dx + dy * dy <= 1.0;
          }};
}

Shape Ring(double cx, double cy, double outer, double inner) {
  return {cx - outer, cy - outer, cx + outer, cy + outer, [=](double x, double y) {
            const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            return d <= outer * outer && d >= inner * inner;
          }};
}

Shape Polygon(std::vector<Pt> pts) {
  Shape s{1e9, 1e9, -1e9, -1e9, nullptr};
  for (const Pt& p : pts) {
    s.x0 = std::min(s.x0, p.x);
    s.y0 = std::min(s.y0, p.y);
    s.x1 = std::max(s.x1, p.x);
    s.y1 = std::max(s.y1, p.y);
  }
  s.inside = [pts = std::move(pts)](double x, double y) {
    bool in = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      const Pt& a = pts[i];
      const Pt& b = pts[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
  };
  return s;
}

Shape Line(Pt a, Pt b, double width) {
  const double r = width / 2;
  Shape s{std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r,
          std::max(a.y, b.y) + r, nullptr};
  s.inside = [=](double x, double y) {
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((x - a.x) * vx + (y - a.y) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
    return dx * dx + dy * dy <= r * r;
  };
  return s;
}

Shape Minus(Shape a, Shape b) {
  auto ia = a.inside;
  auto ib = b.inside;
  a.inside = [ia, ib](double x, double y) { return ia(x, y) && !ib(x, y); };
  return a;
}

// ---- paints -----------------------------------------------------------------------

Paint Solid(Rgba c) {
  return [c](double, double) { return c; };
}

Rgba Sample(const Stops& stops, double t) {
  if (stops.empty()) return {};
  if (t <= stops.front().first) return stops.front().second;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].first) {
      const double span = stops[i].first - stops[i - 1].first;
      return Mix(stops[i - 1].second, stops[i].second,
                 span > 0 ? (t - stops[i - 1].first) / span : 1.0);
    }
  }
  return stops.back().second;
}

Paint Linear(Pt from, Pt to, Stops stops) {
  const double vx = to.x - from.x, vy = to.y - from.y;
  const double len2 = std::max(1e-9, vx * vx + vy * vy);
  return [=](double x, double y) {
    return Sample(stops, ((x - from.x) * vx + (y - from.y) * vy) / len2);
  };
}

Paint Radial(Pt c, double radius, Stops stops) {
  return [=](double x, double y) { return Sample(stops, std::hypot(x - c.x, y - c.y) / radius); };
}

// ---- noise ------------------------------------------------------------------------

namespace {

double Lattice(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / 16777215.0;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

}  // namespace

double Noise(double x, double y, uint32_t seed) {
  const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
  const double fx = Smooth(x - xi), fy = Smooth(y - yi);
  const double a = Lattice(xi, yi, seed), b = Lattice(xi + 1, yi, seed);
  const double c = Lattice(xi, yi + 1, seed), d = Lattice(xi + 1, yi + 1, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double Fbm(double x, double y, int octaves, uint32_t seed) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += Noise(x, y, seed + static_cast<uint32_t>(i) * 101u) * amp;
    norm += amp;
    x *= 2.03;
    y *= 2.03;
    amp *= 0.5;
  }
  return sum / norm;
}

uint32_t Rng::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

// ---- image ------------------------------------------------------------------------

Image::Image(int width, int height, Rgba fill)
    : width_(width), height_(height), px_(static_cast<size_t>(width) * height, fill) {}

void Image::Put(int x, int y, const Rgba& c, double coverage, Blend blend) {
  Rgba& d = At(x, y);
  const double sa = c.a * coverage;
  if (sa <= 0) return;
  if (blend == Blend::Add) {
    d.r = Clamp01(d.r + c.r * sa);
    d.g = Clamp01(d.g + c.g * sa);
    d.b = Clamp01(d.b + c.b * sa);
    d.a = std::max(d.a, static_cast<float>(sa));
    return;
  }
  const double da = d.a * (1 - sa);
  const double outA = sa + da;
  if (outA <= 0) return;
  d.r = static_cast<float>((c.r * sa + d.r * da) / outA);
  d.g = static_cast<float>((c.g * sa + d.g * da) / outA);
  d.b = static_cast<float>((c.b * sa + d.b * da) / outA);
  d.a = static_cast<float>(outA);
}

void Image::Fill(const Shape& s, const Paint& paint, Blend blend) {
  const int x0 = std::max(0, static_cast<int>(std::floor(s.x0)) - 1);
  const int y0 = std::max(0, static_cast<int>(std::floor(s.y0)) - 1);
  const int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(s.x1)) + 1);
  const int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(s.y1)) + 1);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (s.inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
      if (hits == 0) continue;
      Put(x, y, paint(x + 0.5, y + 0.5), hits / 16.0, blend);
    }
  }
}

void Image::FillAll(const Paint& paint, Blend blend) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) Put(x, y, paint(x + 0.5, y + 0.5), 1.0, blend);
}

void Image::Draw(const Image& src, int x, int y, Blend blend) {
  for (int sy = 0; sy < src.height_; ++sy) {
    const int dy = y + sy;
    if (dy < 0 || dy >= height_) continue;
    for (int sx = 0; sx < src.width_; ++sx) {
      const int dx = x + sx;
      if (dx < 0 || dx >= width_) continue;
      Put(dx, dy, src.At(sx, sy), 1.0, blend);
    }
  }
}

void Image::Glow(Pt c, double radius, Rgba colour) {
  Fill(Ellipse(c.x, c.y, radius, radius),
       Radial(c, radius, {{0.0, colour}, {0.35, WithAlpha(colour, colour.a * 0.45)},
                          {1.0, WithAlpha(colour, 0)}}),
       Blend::Add);
}

void Image::BlurAlpha(int radius) {
  if (radius <= 0) return;
  std::vector<float> a(px_.size()), tmp(px_.size());
  for (size_t i = 0; i < px_.size(); ++i) a[i] = px_[i].a;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        double sum = 0;
        int n = 0;
        for (int k = -radius; k <= radius; ++k) {
          const int xx = x + k;
          if (xx >= 0 && xx < width_) sum += a[static_cast<size_t>(y) * width_ + xx];
          ++n;
        }
        tmp[static_cast<size_t>(y) * width_ + x] = static_cast<float>(sum / n);
      }
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        double sum = 0;
        int n = 0;
        for (int k = -radius; k <= radius; ++k) {
          const int yy = y + k;
          if (yy >= 0 && yy < height_) sum += tmp[static_cast<size_t>(yy) * width_ + x];
          ++n;
        }
        a[static_cast<size_t>(y) * width_ + x] = static_cast<float>(sum / n);
      }
  }
  for (size_t i = 0; i < px_.size(); ++i) px_[i].a = a[i];
}

Image Image::Outlined(Rgba colour, int radius) const {
  Image halo(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      float best = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
          const int xx = x + dx, yy = y + dy;
          if (xx < 0 || yy < 0 || xx >= width_ || yy >= height_) continue;
          if (dx * dx + dy * dy > radius * radius) continue;
          best = std::max(best, At(xx, yy).a);
        }
      halo.At(x, y) = WithAlpha(colour, best * colour.a);
    }
  halo.BlurAlpha(1);
  // Brighten the picture itself a little as well.
  Image lit = *this;
  for (Rgba& p : lit.px_) p = {Clamp01(p.r * 1.12 + 0.05), Clamp01(p.g * 1.12 + 0.05),
                               Clamp01(p.b * 1.12 + 0.04), p.a};
  halo.Draw(lit, 0, 0);
  return halo;
}

Image SideBySide(const std::vector<Image>& patterns) {
  int w = 0, h = 0;
  for (const Image& p : patterns) {
    w += p.Width();
    h = std::max(h, p.Height());
  }
  Image out(w, h);
  int x = 0;
  for (const Image& p : patterns) {
    for (int yy = 0; yy < p.Height(); ++yy)
      for (int xx = 0; xx < p.Width(); ++xx) out.At(x + xx, yy) = p.At(xx, yy);
    x += p.Width();
  }
  return out;
}

// ---- writers ----------------------------------------------------------------------

bool Image::WritePng(const std::string& file) const {
  std::vector<uint8_t> bytes(px_.size() * 4);
  for (size_t i = 0; i < px_.size(); ++i) {
    bytes[i * 4] = Byte(px_[i].r);
    bytes[i * 4 + 1] = Byte(px_[i].g);
    bytes[i * 4 + 2] = Byte(px_[i].b);
    bytes[i * 4 + 3] = Byte(px_[i].a);
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width_);
  image.height = static_cast<png_uint_32>(height_);
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, file.c_str(), 0, bytes.data(), 0, nullptr) != 0;
}

namespace {

struct JpegError : jpeg_error_mgr {};

[[noreturn]] void ThrowJpegError(j_common_ptr) { throw std::runtime_error("jpeg"); }

}  // namespace

bool Image::WriteJpeg(const std::string& file, int quality) const {
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jerr.error_exit = ThrowJpegError;
  bool ok = true;
  try {
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(width_);
    cinfo.image_height = static_cast<JDIMENSION>(height_);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width_) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
      const int y = static_cast<int>(cinfo.next_scanline);
      for (int x = 0; x < width_; ++x) {
        const Rgba& p = At(x, y);
        row[static_cast<size_t>(x) * 3] = Byte(p.r * p.a);
        row[static_cast<size_t>(x) * 3 + 1] = Byte(p.g * p.a);
        row[static_cast<size_t>(x) * 3 + 2] = Byte(p.b * p.a);
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
  } catch (const std::exception&) {
    ok = false;
  }
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
  return ok;
}

bool Image::WriteBmp32(const std::string& file) const {
  std::string b = "BM";
  auto u16 = [&](uint32_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const uint32_t dataSize = static_cast<uint32_t>(px_.size() * 4);
  u32(54 + dataSize);
  u32(0);
  u32(54);
  u32(40);
  u32(static_cast<uint32_t>(width_));
  u32(static_cast<uint32_t>(height_));  // bottom-up rows
  u16(1);
  u16(32);
  for (uint32_t v : {0u, dataSize, 2835u, 2835u, 0u, 0u}) u32(v);
  for (int y = height_ - 1; y >= 0; --y)
    for (int x = 0; x < width_; ++x) {
      const Rgba& p = At(x, y);
      b.push_back(static_cast<char>(Byte(p.b)));
      b.push_back(static_cast<char>(Byte(p.g)));
      b.push_back(static_cast<char>(Byte(p.r)));
      b.push_back(static_cast<char>(Byte(p.a)));
    }
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

// ---- text -------------------------------------------------------------------------

bool DrawText(Image& image, const std::string& fontFile, int pixelSize, const std::string& utf8,
              double x, double y, int align, Rgba colour) {
  if (TTF_WasInit() == 0 && TTF_Init() != 0) return false;
  std::unique_ptr<TTF_Font, void (*)(TTF_Font*)> font(TTF_OpenFont(fontFile.c_str(), pixelSize),
                                                       TTF_CloseFont);
  if (!font) return false;
  SDL_Surface* drawn = TTF_RenderUTF8_Blended(font.get(), utf8.c_str(), SDL_Color{255, 255, 255, 255});
  if (!drawn) return false;
  SDL_Surface* s = SDL_ConvertSurfaceFormat(drawn, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(drawn);
  if (!s) return false;
  const int left = static_cast<int>(std::lround(x - (align + 1) * s->w / 2.0));
  const int top = static_cast<int>(std::lround(y));
  for (int yy = 0; yy < s->h; ++yy) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) +
                                                        static_cast<size_t>(yy) * s->pitch);
    for (int xx = 0; xx < s->w; ++xx) {
      const int dx = left + xx, dy = top + yy;
      if (dx < 0 || dy < 0 || dx >= image.Width() || dy >= image.Height()) continue;
      const double a = (row[xx] >> 24) / 255.0;
      if (a <= 0) continue;
      Rgba& d = image.At(dx, dy);
      const double sa = a * colour.a;
      const double da = d.a * (1 - sa);
      const double outA = sa + da;
      d.r = static_cast<float>((colour.r * sa + d.r * da) / outA);
      d.g = static_cast<float>((colour.g * sa + d.g * da) / outA);
      d.b = static_cast<float>((colour.b * sa + d.b * da) / outA);
      d.a = static_cast<float>(outA);
    }
  }
  SDL_FreeSurface(s);
  return true;
}

}  // namespace demo
