// Fuzz target: the font archive reader, the font record and image stream
// reader, and drawing and measuring text with whatever fonts come out.

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/canvas2d.h"
#include "render/font_store.h"

namespace {

void Exercise(const render::RenderFont& font, render::Canvas2D& canvas) {
  static const char kText[] = "Ab #$FF00FF00xyz\xC0\xFF 0x11223344!&$0000000";
  font.TextOut(canvas, kText, 3.5, 7, 0xFFFFFFFF, 0x80FF0000, 0x504);
  font.TextWidth(kText);
  font.TextHeight(kText);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  render::Frame frame(64, 48);
  render::Canvas2D canvas(frame);
  canvas.SetSmoothing(size % 2 == 0);

  // The bytes as an archive.
  render::FontArchive archive;
  archive.Parse(std::string(reinterpret_cast<const char*>(data), size));
  render::FontStore store;
  store.LoadFontArchive(archive);
  for (const render::RenderFont* font : store.Fonts()) Exercise(*font, canvas);

  // The same bytes as an unpacked font record, so that the record and image
  // stream readers see arbitrary input without going through zlib.
  render::RenderFont font("fuzz");
  if (font.Load({data, size}) == render::FontRecordError::kNone) Exercise(font, canvas);
  return 0;
}
