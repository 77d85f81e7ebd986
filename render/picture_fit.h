#pragma once
// Where the logical frame appears in a window, and the way back for mouse
// positions.

namespace render {

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PictureRect&) const = default;
};

// The largest rectangle with the frame's aspect ratio that fits the output,
// centred; the rest of the output shows black bars. An output of exactly k
// times the frame size gives exactly k times the frame.
PictureRect FitPicture(int outputWidth, int outputHeight, int frameWidth, int frameHeight);

struct LogicalPoint {
  int x = 0;
  int y = 0;
  bool operator==(const LogicalPoint&) const = default;
};

// The frame pixel under output position (x, y) of a picture shown in
// `picture`; positions on the bars are clamped to the nearest frame edge.
LogicalPoint OutputToFrame(const PictureRect& picture, int x, int y, int frameWidth,
                           int frameHeight);

}  // namespace render
