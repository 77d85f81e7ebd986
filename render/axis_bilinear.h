#pragma once
// AxisBilinear: bilinear drawing of images whose texture coordinates follow
// the frame's axes (scaled, not turned: u changes along x only, v along y
// only). Internal to render/.
//
// The filter mixes each texel row first and the two rows after, each step
// truncated. Along an axis-aligned primitive every column keeps its texel
// index and weight from row to row, and every texel row is mixed at the same
// columns for each frame row that reads it, so the mixed rows are made once
// (two kept, as consecutive frame rows share one) and a frame row only mixes
// two of them. The pixels are exactly those of the per-pixel loops. Columns
// whose texels are all transparent are left alone where the blend allows.

#include <cstdint>
#include <vector>

#include "render/blend.h"
#include "render/render_image.h"
#include "render/span_shader.h"

namespace render::detail {

class AxisBilinear {
 public:
  // Whether this machine has the vector loops; without them nothing is drawn.
  static bool Available();

  // Starts a primitive. du is the u step from one column to the next; uMax and
  // vMax are the walk's upper clamps. Only kNone and kConstant colours and the
  // opaque, alpha and additive blends are handled.
  void Begin(const PatternTexture& texture, int64_t du, int64_t uMax, int64_t vMax,
             ColourMode colourMode, uint32_t colour, BlendKind kind);
  // Draws columns [begin, end) of a frame row whose first pixel has texture
  // coordinates (u, v), in the walk's fixed point.
  void DrawRow(uint32_t* frameRow, int begin, int end, int64_t u, int64_t v);

 private:
  // A texel row mixed at the columns of the table, valid over [from, to).
  struct MixedRow {
    bool used = false;
    int texelRow = 0;
    int from = 0, to = 0;
    std::vector<uint32_t> pixels;
  };

  void BuildColumns(int begin, int end, int64_t u);
  // Table columns whose texel pairs touch a texel with alpha above 0 in `texelRow`.
  void ColumnsTouching(int texelRow, int& from, int& to) const;
  MixedRow& Mixed(int texelRow, const MixedRow* keep);
  void Extend(MixedRow& row, int from, int to);

  const PatternTexture* texture_ = nullptr;
  int64_t du_ = 0, uMax_ = 0, vMax_ = 0;
  ColourMode colourMode_ = ColourMode::kNone;
  uint32_t colour_ = 0xFFFFFFFF;
  BlendKind kind_ = BlendKind::kOpaque;

  // Column table: frame columns [columnsBegin_, columnsBegin_ + size) whose
  // first column has the unclamped u firstU_.
  bool columnsValid_ = false;
  int columnsBegin_ = 0;
  int64_t firstU_ = 0;
  std::vector<int32_t> index_;     // left texel of each column (-1..Width()-1)
  std::vector<uint16_t> weights_;  // per column: 256 - f four times, then f four times
  MixedRow rows_[2];
};

}  // namespace render::detail
