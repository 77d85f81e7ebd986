#pragma once
// The layers a frame draws and a hit test searches.
//
// An element draws and answers hit tests only in the layer equal to its own
// Order (an ex-screen shows its screen's elements in theirs), and a star in
// its StarLayer. Frames walk the layers from MinOrder to MaxOrder; with one
// element whose Order lies far from the others (a damaged game file, or a
// script assigning Order := 2000000000) that walk would take billions of
// passes and freeze the player. A wide span therefore visits only the layers
// that hold something, in the same order; a narrow one visits every layer, as
// it always did.

#include <cstdint>
#include <vector>

namespace scene {

class StarTable;
class TQZElement;

// Spans of up to this many layers are walked layer by layer.
inline constexpr int64_t kDenseLayerSpan = 256;

// The layers of [minOrder, maxOrder] to visit, ascending: every one for a
// narrow span; for a wide one each layer holding an element of the tree that
// `anyElement` belongs to (the whole tree, since an ex-screen draws another
// screen's elements) or an active star of `stars` (may be null).
std::vector<int32_t> LayersToVisit(int64_t minOrder, int64_t maxOrder,
                                   const TQZElement& anyElement, const StarTable* stars);

}  // namespace scene
