// Star sprites: AddStar and ImStarsR.
//
// Unlike the other element natives these two fail: on a wrong argument count
// and on an argument that does not convert (ImStarsR also when its first
// argument is not an element reference). A full table adds nothing and is
// no failure.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/numeric.h"
#include "platform/random.h"
#include "render/render_image.h"
#include "resources/image_cache.h"
#include "scene/db.h"
#include "scene/image_element.h"
#include "scene/stars.h"
#include "script/value_ops.h"
#include "scriptlib/element_args.h"
#include "scriptlib/handlers.h"

namespace scriptlib {

namespace {

// The optional tail shared by both natives: pattern, colour, layer, effect,
// starting at argument `first`.
struct StarTail {
  int32_t pattern = 0;
  std::string colour;  // empty: a random colour per star
  int32_t layer = scene::StarTable::kTopLayer;
  int32_t effect = static_cast<int32_t>(scene::StarTable::kStarDrawEffect);
};

StarTail ReadTail(const TVarList& args, size_t first) {
  StarTail t;
  if (args.Count() > first) t.pattern = AsInteger(Arg(args, first));
  if (args.Count() > first + 1) t.colour = AsText(Arg(args, first + 1));
  if (args.Count() > first + 2) t.layer = AsInteger(Arg(args, first + 2));
  if (args.Count() > first + 3) t.effect = AsInteger(Arg(args, first + 3));
  return t;
}

// A colour text read as StrToInt reads it; nullopt when it is not an integer
// (the slot then keeps its previous colour).
std::optional<uint32_t> ColourFromText(const std::string& text) {
  auto n = platform::ParseIntegerText(text);
  if (!n) return std::nullopt;
  if (*n >= INT32_MIN && *n <= INT32_MAX) return static_cast<uint32_t>(static_cast<int32_t>(*n));
  if (text.find('$') != std::string::npos && *n > INT32_MAX && *n <= UINT32_MAX)
    return static_cast<uint32_t>(*n);
  return std::nullopt;
}

// Puts one star into the first free slot; false when every slot is taken.
bool AddOne(scene::StarTable& stars, scene::StarSpec spec, const StarTail& tail) {
  const int slot = stars.FirstFree();
  if (slot < 0) return false;
  spec.pattern = tail.pattern;
  spec.layer = tail.layer;
  spec.effect = tail.effect;
  if (tail.colour.empty())
    spec.colour = static_cast<uint32_t>(platform::GlobalRandom().NextInt(0xFFFFFF));
  else
    spec.colour = ColourFromText(tail.colour);
  stars.Place(slot, spec);
  return true;
}

}  // namespace

namespace natives {

// AddStar(angle, x, y, scale, spin, grow, dx, dy, [pattern], [colour], [layer], [effect])
bool AddStar(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIn(args, 8, 12)) return false;
  scene::StarSpec spec;
  spec.angle = AsReal(Arg(args, 0));
  spec.x = AsReal(Arg(args, 1));
  spec.y = AsReal(Arg(args, 2));
  spec.scale = AsReal(Arg(args, 3));
  spec.spin = AsReal(Arg(args, 4));
  spec.grow = AsReal(Arg(args, 5));
  spec.dx = AsReal(Arg(args, 6));
  spec.dy = AsReal(Arg(args, 7));
  const StarTail tail = ReadTail(args, 8);
  if (scene::TQZDB* root = GameRoot()) AddOne(root->Stars(), spec, tail);
  result.value = Value::Byte(0);
  return true;
}

// ImStarsR(image, count, minAlpha, scale, scaleRandom, grow, angle, spin, dx, dy,
//          [pattern], [colour], [layer], [effect]):
// count attempts, each at a random texel of the image's picture; a texel whose
// alpha is not below minAlpha gets a star at its place on the screen.
bool ImStarsR(TPasCalc&, TVarList& args, TVar&) {
  if (!CountIn(args, 10, 14) || !Arg(args, 0).IsLongWord()) return false;
  const int32_t count = AsInteger(Arg(args, 1));
  const Value& minAlpha = Arg(args, 2);
  const double scale = AsReal(Arg(args, 3));
  const int32_t scaleRandom = AsInteger(Arg(args, 4));
  scene::StarSpec spec;
  spec.grow = AsReal(Arg(args, 5));
  spec.angle = AsReal(Arg(args, 6));
  spec.spin = AsReal(Arg(args, 7));
  spec.dx = AsReal(Arg(args, 8));
  spec.dy = AsReal(Arg(args, 9));
  const StarTail tail = ReadTail(args, 10);

  // Which alphas pass, decided once with the script's own comparison.
  std::array<bool, 256> passes{};
  bool anyPasses = false;
  for (int a = 0; a < 256; ++a) {
    bool below = false;
    if (!script::CompareValues(script::Op::Lt, Value::Integer(a), minAlpha, below)) return false;
    passes[static_cast<size_t>(a)] = !below;
    anyPasses = anyPasses || !below;
  }

  auto* image = dynamic_cast<scene::TQZImage*>(ElementArg(args, 0));
  scene::TQZDB* root = image ? image->Root() : nullptr;
  const render::RenderImage* texture =
      image && image->Picture() ? image->Picture()->Texture() : nullptr;
  if (!root || !texture || count < 1 || !anyPasses) return true;

  const int32_t width = texture->VisibleWidth();
  const int32_t height = texture->VisibleHeight();
  const int32_t left = image->GetAbsX();
  const int32_t top = image->GetAbsY();
  scene::StarTable& stars = root->Stars();
  platform::RandomSource& random = platform::GlobalRandom();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t rx = random.NextInt(width);
    const int32_t ry = random.NextInt(height);
    const uint32_t alpha = texture->ReadPixel(rx, ry, image->Anim) >> 24;
    if (!passes[alpha]) continue;
    spec.x = static_cast<double>(left) + rx;
    spec.y = static_cast<double>(top) + ry;
    spec.scale = scale + random.NextInt(scaleRandom) / 100.0;
    // Once the table is full no later attempt can add a star.
    if (!AddOne(stars, spec, tail)) break;
  }
  return true;
}

}  // namespace natives
}  // namespace scriptlib
