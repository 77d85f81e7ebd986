// Any bytes as an effect file: the particle system reads it from disk, emits
// from two spawn points, steps with short and long time steps, moves, and
// draws with a real particle sheet. The parameter block must survive an
// encode/decode round trip bit for bit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_folder.h"
#include "render/bitmap.h"
#include "render/canvas2d.h"
#include "render/frame.h"
#include "render/image_store.h"
#include "render/render_image.h"
#include "scene/effect_element.h"
#include "scene/effect_params.h"
#include "scene/particles.h"

namespace {

const render::RenderImage* Sheet() {
  static render::ImageStore store;
  static const render::RenderImage* sheet = [] {
    std::vector<uint32_t> px(32 * 32);
    for (size_t i = 0; i < px.size(); ++i)
      px[i] = 0x80000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    render::BitmapView view;
    view.width = 32;
    view.height = 32;
    view.format = render::PixelFormat::kArgb32;
    view.pixels = px.data();
    render::RenderImage* image = store.AddImage();
    if (!store.LoadImagePixels(image, view, 4, 4)) std::abort();
    return image;
  }();
  return sheet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const scene::TEffectParams params = scene::DecodeEffectParams(bytes);
  const auto block = scene::EncodeEffectParams(params);
  if (scene::EncodeEffectParams(scene::DecodeEffectParams(block)) != block) __builtin_trap();
  for (const scene::EffectField& f : scene::EffectFields()) {
    if (f.offset < size && f.kind == scene::EffectFieldKind::Byte &&
        block[f.offset] != data[f.offset])
      __builtin_trap();
  }

  static const std::filesystem::path file = fuzzing::ScratchFolder() / "fx.eff";
  fuzzing::PutFile(file, {reinterpret_cast<const char*>(data), size});
  scene::TXParticleSystem system(scene::TQZEffect::kCapacity);
  if (!system.LoadFromFile(file) && size > 0) __builtin_trap();
  system.SetImage(Sheet());
  system.AddSpawnPoint(3, 4);
  system.AddSpawnPoint(-20, 9);
  system.SetEmitterPos(30, 20, false);
  system.StartEmit();

  render::Frame frame(64, 48);
  render::Canvas2D canvas(frame);
  static const float kSteps[] = {1.0f / 30, 1.0f / 30, 0.5f, 0, 1.0f / 30, 3.0f, 1e-6f, 1.0f / 30};
  for (size_t i = 0; i < std::size(kSteps); ++i) {
    system.Step(kSteps[i]);
    if (system.Count() < 0 || system.Count() > system.Capacity()) __builtin_trap();
    system.MoveEmitter(1.5f, -2.0f, i % 2 == 0);
    if (i % 3 == 0) {
      canvas.SetSmoothing(i % 2 == 0);
      system.DrawParticles(canvas, 2, -1, 0xFFFFFFFF);
    }
  }
  system.StopEmit(false);
  system.Step(1.0f / 30);
  system.DrawParticles(canvas, 0, 0, 0x80FFFFFF);
  system.StopEmit(true);
  if (system.Count() != 0) __builtin_trap();
  return 0;
}
