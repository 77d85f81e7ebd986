#pragma once
// Font archives built byte by byte for the tests (zlib used directly), and a
// canvas that records the quads it is asked to draw.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_reader.h"
#include "render/canvas.h"

namespace render_test {

inline std::string Zlib(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size,
           reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

struct StreamSpec {
  uint8_t format = 5;
  int32_t patternWidth = 1, patternHeight = 1;
  int32_t visibleWidth = 1, visibleHeight = 1;
  int32_t patternCount = 1;
  int32_t textureWidth = 1, textureHeight = 1;
  int32_t textureCount = 1;
  std::string pixels;  // every texture's rows, already encoded
};

inline std::string ImageStream(const StreamSpec& s) {
  platform::ByteWriter w;
  w.U8(s.format);
  for (int32_t v : {s.patternWidth, s.patternHeight, s.visibleWidth, s.visibleHeight,
                    s.patternCount, s.textureWidth, s.textureHeight, s.textureCount}) {
    w.I32LE(v);
  }
  w.Bytes(s.pixels);
  return w.Take();
}

struct GlyphSize {
  int32_t width, height;
};

inline std::string FontRecord(int32_t firstCode, int32_t extraAdvance,
                              const std::vector<GlyphSize>& glyphs, const std::string& stream) {
  platform::ByteWriter w;
  w.I32LE(firstCode);
  w.I32LE(extraAdvance);
  w.I32LE(0x7777);  // reserved
  w.I32LE(static_cast<int32_t>(glyphs.size()));
  for (const GlyphSize& g : glyphs) {
    w.I32LE(g.width);
    w.I32LE(g.height);
  }
  w.Bytes(stream);
  return w.Take();
}

struct ArchiveRecordSpec {
  std::string name;
  std::string data;  // unpacked
  uint16_t kind = 3;
  bool secured = false;
  int32_t statedUnpacked = -1;  // -1: the real size
};

inline std::string Archive(const std::vector<ArchiveRecordSpec>& records) {
  platform::ByteWriter body;
  std::vector<int32_t> offsets;
  for (const ArchiveRecordSpec& r : records) {
    const std::string packed = Zlib(r.data);
    offsets.push_back(static_cast<int32_t>(12 + body.Data().size()));
    body.U16LE(r.kind);
    body.I32LE(r.statedUnpacked >= 0 ? r.statedUnpacked : static_cast<int32_t>(r.data.size()));
    body.I32LE(static_cast<int32_t>(packed.size()));
    body.F64LE(45000.5);
    body.Bytes(std::string(16, 'c'));
    body.U16LE(r.secured ? 1 : 0);
    body.Bytes(std::string(8, 's'));
    body.Bytes(packed);
  }
  platform::ByteWriter w;
  w.Bytes("ASDb");
  w.I32LE(static_cast<int32_t>(records.size()));
  w.I32LE(static_cast<int32_t>(12 + body.Data().size()));
  w.Bytes(body.Data());
  for (size_t i = 0; i < records.size(); ++i) {
    w.LString(records[i].name);
    w.I32LE(offsets[i]);
  }
  return w.Take();
}

// Records every DrawImageQuad call; other drawing is ignored.
class RecordingCanvas : public render::Canvas {
 public:
  struct Quad {
    render::QuadCorners corners;
    render::QuadColours colours;
    int pattern;
    uint32_t effect;
  };
  std::vector<Quad> quads;

  int Width() const override { return 1024; }
  int Height() const override { return 768; }
  void DrawImageQuad(const render::RenderImage*, const render::QuadCorners& corners,
                     const render::QuadColours& colours, int pattern, const render::SourceRect&,
                     uint32_t effect) override {
    quads.push_back(Quad{corners, colours, pattern, effect});
  }
  void FillRect(int, int, int, int, uint32_t, uint32_t) override {}
  void FillTriangle(render::PointD, render::PointD, render::PointD, uint32_t, uint32_t) override {}
  void SetClipRect(const render::ClipRect&) override {}
  render::ClipRect GetClipRect() const override { return {0, 0, 1024, 768}; }
  void SetSmoothing(bool) override {}
  bool Smoothing() const override { return false; }
};

}  // namespace render_test
