#pragma once
// Gamepad and touch input turned into the pointer and key events the game
// knows. The game never sees a pad or a finger: the sticks and the d-pad move
// a pointer once per logic step, the buttons press at it or type keys, the
// shoulders jump it between the hotspots of the screen, and a finger taps,
// drags or (two at once) types Escape. Lines of a session and the live
// devices go through the same translation, so a replay of pad lines gives the
// pointer track the pads gave.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/input_script.h"

namespace app {

// Game-controller buttons and axes, in the order and with the names of SDL's
// game controller API.
// clang-format off
enum class PadButton {
  A, B, X, Y, Back, Guide, Start, LeftStick, RightStick, LeftShoulder, RightShoulder,
  DpadUp, DpadDown, DpadLeft, DpadRight, Misc1, Paddle1, Paddle2, Paddle3, Paddle4, Touchpad,
  Count
};
// clang-format on
enum class PadAxis { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger, Count };

std::optional<PadButton> PadButtonFromName(std::string_view name);
std::optional<PadAxis> PadAxisFromName(std::string_view name);
const char* PadButtonName(PadButton b);
const char* PadAxisName(PadAxis a);

enum class TouchPhase { Down = 0, Move = 1, Up = 2 };
const char* TouchPhaseName(TouchPhase p);

// The pointer movement of one stick axis in one logic step, in pixels: none
// inside the dead zone, then 1 pixel rising with the square of the deflection
// beyond it to 40 pixels at full deflection.
double StickSpeed(int32_t axisValue);

struct PadPoint {
  int32_t x = 0, y = 0;
  bool operator==(const PadPoint&) const = default;
};

// The next (forward) or previous hotspot after the pointer in the hotspots'
// order (landing points by y, then x); wraps around; nullopt when there is none.
std::optional<PadPoint> CycleHotspot(const std::vector<PadPoint>& hotspots, PadPoint pointer,
                                     bool forward);

class PadInput {
 public:
  static constexpr double kDeadZone = 0.15;
  static constexpr int kDpadSpeed = 4;  // pixels per step while held
  static constexpr double kRightStickShare = 0.25;
  static constexpr int kWidth = 1024, kHeight = 768;
  // A finger that moves this far (in pixels, on either axis) from where it
  // came down drags; otherwise lifting it taps.
  static constexpr int kTapSlop = 8;

  // The landing points of the current screen's hotspots, in their order.
  using HotspotQuery = std::function<std::vector<PadPoint>()>;
  explicit PadInput(HotspotQuery hotspots) : hotspots_(std::move(hotspots)) {}

  // A pad, axis or touch event: appends the move, down, up, key and char
  // events it gives, in order (their pass is left as it was).
  void Handle(const InputEvent& ev, std::vector<InputEvent>& out);
  // One logic step: appends the pointer move the sticks and the d-pad give.
  void Step(std::vector<InputEvent>& out);
  // The pointer was put here by other input (the mouse, a replayed line): the
  // pad goes on from it, without the fractions it carried.
  void PointerAt(int32_t x, int32_t y);
  PadPoint Pointer() const { return {x_, y_}; }
  // A trigger is held: the player shows a marker over every hotspot.
  bool MarkersShown() const;
  // Whether the pad (a stick, the d-pad or a shoulder) moved the pointer
  // since the last call: the system cursor follows it.
  bool TakePadMove();

 private:
  void Button(PadButton b, bool down, std::vector<InputEvent>& out);
  void Touch(TouchPhase phase, int32_t x, int32_t y, int32_t finger, std::vector<InputEvent>& out);
  void MoveTo(int32_t x, int32_t y, std::vector<InputEvent>& out);

  HotspotQuery hotspots_;
  int32_t axes_[static_cast<int>(PadAxis::Count)] = {};
  bool buttons_[static_cast<int>(PadButton::Count)] = {};
  // The pointer starts where the window puts the system cursor: the middle.
  int32_t x_ = kWidth / 2, y_ = kHeight / 2;
  double carryX_ = 0, carryY_ = 0;
  bool padMoved_ = false;

  // Touch: the fingers down, first one first, and where the first came down;
  // a press is made only once a drag starts or the finger lifts.
  std::vector<int32_t> fingers_;
  PadPoint touchStart_;
  bool dragging_ = false;
  bool multiTouch_ = false;
};

}  // namespace app
