#include "app/pad_input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace app {

namespace {

// clang-format off
constexpr const char* kButtonNames[] = {
    "a",       "b",       "x",       "y",       "back",     "guide",        "start",
    "leftstick", "rightstick", "leftshoulder", "rightshoulder", "dpup", "dpdown", "dpleft",
    "dpright", "misc1",   "paddle1", "paddle2", "paddle3",  "paddle4",      "touchpad"};
// clang-format on
constexpr const char* kAxisNames[] = {"leftx",  "lefty",       "rightx",
                                      "righty", "lefttrigger", "righttrigger"};
static_assert(std::size(kButtonNames) == static_cast<size_t>(PadButton::Count));
static_assert(std::size(kAxisNames) == static_cast<size_t>(PadAxis::Count));

constexpr int kVkTab = 9, kVkReturn = 13, kVkEscape = 27, kVkSpace = 32;

// What a key on the keyboard gives: the key, then its character (these keys'
// characters come with the key, as the window's character messages give them).
void TypeKey(int vk, std::vector<InputEvent>& out) {
  InputEvent key;
  key.kind = InputEvent::Kind::Key;
  key.code = vk;
  out.push_back(key);
  InputEvent ch;
  ch.kind = InputEvent::Kind::Char;
  ch.code = vk;
  out.push_back(ch);
}

void PointerEvent(InputEvent::Kind kind, PadPoint p, std::vector<InputEvent>& out) {
  InputEvent ev;
  ev.kind = kind;
  ev.x = p.x;
  ev.y = p.y;
  out.push_back(ev);
}

bool Before(PadPoint a, PadPoint b) {
  return a.y != b.y ? a.y < b.y : a.x < b.x;
}

}  // namespace

std::optional<PadButton> PadButtonFromName(std::string_view name) {
  for (size_t i = 0; i < std::size(kButtonNames); ++i)
    if (name == kButtonNames[i]) return static_cast<PadButton>(i);
  return std::nullopt;
}

std::optional<PadAxis> PadAxisFromName(std::string_view name) {
  for (size_t i = 0; i < std::size(kAxisNames); ++i)
    if (name == kAxisNames[i]) return static_cast<PadAxis>(i);
  return std::nullopt;
}

const char* PadButtonName(PadButton b) {
  const auto i = static_cast<size_t>(b);
  return i < std::size(kButtonNames) ? kButtonNames[i] : "?";
}

const char* PadAxisName(PadAxis a) {
  const auto i = static_cast<size_t>(a);
  return i < std::size(kAxisNames) ? kAxisNames[i] : "?";
}

const char* TouchPhaseName(TouchPhase p) {
  switch (p) {
    case TouchPhase::Down:
      return "down";
    case TouchPhase::Move:
      return "move";
    case TouchPhase::Up:
      return "up";
  }
  return "?";
}

double StickSpeed(int32_t axisValue) {
  const double d = std::clamp(axisValue / 32767.0, -1.0, 1.0);
  const double a = std::fabs(d);
  if (a < PadInput::kDeadZone) return 0;
  const double s = (a - PadInput::kDeadZone) / (1 - PadInput::kDeadZone);
  return std::copysign(1 + 39 * s * s, d);
}

std::optional<PadPoint> CycleHotspot(const std::vector<PadPoint>& hotspots, PadPoint pointer,
                                     bool forward) {
  if (hotspots.empty()) return std::nullopt;
  if (forward) {
    for (const PadPoint& h : hotspots)
      if (Before(pointer, h)) return h;
    return hotspots.front();
  }
  for (auto h = hotspots.rbegin(); h != hotspots.rend(); ++h)
    if (Before(*h, pointer)) return *h;
  return hotspots.back();
}

void PadInput::Handle(const InputEvent& ev, std::vector<InputEvent>& out) {
  switch (ev.kind) {
    case InputEvent::Kind::Pad:
      if (ev.code >= 0 && ev.code < static_cast<int>(PadButton::Count))
        Button(static_cast<PadButton>(ev.code), ev.value != 0, out);
      break;
    case InputEvent::Kind::Axis:
      if (ev.code >= 0 && ev.code < static_cast<int>(PadAxis::Count))
        axes_[ev.code] = std::clamp(ev.value, -32768, 32767);
      break;
    case InputEvent::Kind::Touch:
      Touch(static_cast<TouchPhase>(ev.code), ev.x, ev.y, ev.value, out);
      break;
    default:
      break;
  }
}

void PadInput::Button(PadButton b, bool down, std::vector<InputEvent>& out) {
  bool& held = buttons_[static_cast<int>(b)];
  if (held == down) return;  // a second pad pressing what the first holds
  held = down;
  if (b == PadButton::A) {
    PointerEvent(down ? InputEvent::Kind::Down : InputEvent::Kind::Up, {x_, y_}, out);
    return;
  }
  if (!down) return;
  switch (b) {
    case PadButton::B:
    case PadButton::Start:
      TypeKey(kVkEscape, out);
      break;
    case PadButton::X:
      TypeKey(kVkReturn, out);
      break;
    case PadButton::Y:
      TypeKey(kVkSpace, out);
      break;
    case PadButton::Back:
      TypeKey(kVkTab, out);
      break;
    case PadButton::LeftShoulder:
    case PadButton::RightShoulder: {
      const auto to = CycleHotspot(hotspots_ ? hotspots_() : std::vector<PadPoint>{}, {x_, y_},
                                   b == PadButton::RightShoulder);
      if (to && !(*to == PadPoint{x_, y_})) {
        MoveTo(to->x, to->y, out);
        padMoved_ = true;
      }
      break;
    }
    default:
      break;
  }
}

void PadInput::Step(std::vector<InputEvent>& out) {
  auto held = [&](PadButton b) { return buttons_[static_cast<int>(b)] ? 1 : 0; };
  const auto axis = [&](PadAxis a) { return axes_[static_cast<int>(a)]; };
  carryX_ += StickSpeed(axis(PadAxis::LeftX)) +
             kRightStickShare * StickSpeed(axis(PadAxis::RightX)) +
             kDpadSpeed * (held(PadButton::DpadRight) - held(PadButton::DpadLeft));
  carryY_ += StickSpeed(axis(PadAxis::LeftY)) +
             kRightStickShare * StickSpeed(axis(PadAxis::RightY)) +
             kDpadSpeed * (held(PadButton::DpadDown) - held(PadButton::DpadUp));
  const double mx = std::trunc(carryX_), my = std::trunc(carryY_);
  carryX_ -= mx;
  carryY_ -= my;
  const auto clampTo = [](double v, int size) {
    return static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(size - 1)));
  };
  const int32_t nx = clampTo(x_ + mx, kWidth), ny = clampTo(y_ + my, kHeight);
  if (nx == x_ && ny == y_) return;
  x_ = nx;
  y_ = ny;
  padMoved_ = true;
  PointerEvent(InputEvent::Kind::Move, {x_, y_}, out);
}

void PadInput::PointerAt(int32_t x, int32_t y) {
  if (x == x_ && y == y_) return;
  x_ = x;
  y_ = y;
  carryX_ = carryY_ = 0;
}

void PadInput::MoveTo(int32_t x, int32_t y, std::vector<InputEvent>& out) {
  PointerAt(x, y);
  PointerEvent(InputEvent::Kind::Move, {x, y}, out);
}

bool PadInput::MarkersShown() const {
  return axes_[static_cast<int>(PadAxis::LeftTrigger)] >= kDeadZone * 32767 ||
         axes_[static_cast<int>(PadAxis::RightTrigger)] >= kDeadZone * 32767;
}

bool PadInput::TakePadMove() {
  const bool moved = padMoved_;
  padMoved_ = false;
  return moved;
}

// One finger hovers where it comes down, then taps when it lifts or drags
// once it moves away; a second finger before any press turns the touch into
// Escape, typed when the last finger lifts.
void PadInput::Touch(TouchPhase phase, int32_t x, int32_t y, int32_t finger,
                     std::vector<InputEvent>& out) {
  const auto at = std::find(fingers_.begin(), fingers_.end(), finger);
  const bool known = at != fingers_.end();
  if (phase == TouchPhase::Down) {
    if (known) return;
    fingers_.push_back(finger);
    if (fingers_.size() == 1) {
      touchStart_ = {x, y};
      dragging_ = multiTouch_ = false;
      MoveTo(x, y, out);
    } else if (!dragging_) {
      multiTouch_ = true;
    }
    return;
  }
  if (!known) return;
  // Only the first finger points; others count only towards Escape.
  if (multiTouch_ || at != fingers_.begin()) {
    if (phase == TouchPhase::Up) {
      fingers_.erase(at);
      if (fingers_.empty() && multiTouch_) {
        multiTouch_ = false;
        TypeKey(kVkEscape, out);
      }
    }
    return;
  }
  if (!dragging_ && (std::abs(int64_t{x} - touchStart_.x) > kTapSlop ||
                     std::abs(int64_t{y} - touchStart_.y) > kTapSlop)) {
    dragging_ = true;
    PointerEvent(InputEvent::Kind::Down, touchStart_, out);
  }
  if (dragging_ && !(PadPoint{x, y} == PadPoint{x_, y_})) MoveTo(x, y, out);
  if (phase != TouchPhase::Up) return;
  if (dragging_) {
    PointerEvent(InputEvent::Kind::Up, {x, y}, out);
  } else {
    PointerEvent(InputEvent::Kind::Down, touchStart_, out);
    PointerEvent(InputEvent::Kind::Up, touchStart_, out);
  }
  // Fingers still down when the first lifts are forgotten with it.
  fingers_.clear();
  dragging_ = false;
}

}  // namespace app
