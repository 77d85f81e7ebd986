// Gamepads and touch reaching the game: their events go through the pad
// translation and arrive as the pointer and key input they give, which is
// what a session records. The sticks move the pointer at the start of each
// logic step; a session records such a move with its step, and a replay
// delivers it at the start of that step again.

#include "app/main_window.h"
#include "render/render_device.h"
#include "scene/db.h"
#include "scene/hotspots.h"

namespace app {

void TFormMain::DeliverDevice(const InputEvent& ev) {
  std::vector<InputEvent> out;
  pad_.Handle(ev, out);
  for (const InputEvent& given : out) Deliver(given);
}

void TFormMain::StepInput() {
  ++stepInPass_;
  std::vector<InputEvent> due;
  for (auto it = stepEvents_.begin(); it != stepEvents_.end();) {
    if (it->step <= stepInPass_) {
      due.push_back(*it);
      it = stepEvents_.erase(it);
    } else {
      ++it;
    }
  }
  for (const InputEvent& ev : due) Deliver(ev);
  std::vector<InputEvent> out;
  pad_.Step(out);
  for (InputEvent& ev : out) {
    ev.step = stepInPass_;
    Deliver(ev);
  }
}

void TFormMain::EndStepInput() {
  // A replayed move of a step the pass did not run comes after its last step.
  std::vector<InputEvent> late;
  late.swap(stepEvents_);
  for (InputEvent& ev : late) {
    ev.step = 0;
    Deliver(ev);
  }
  if (!window_) return;
  std::vector<render::LogicalPoint> marks;
  if (pad_.MarkersShown())
    for (const PadPoint& p : HotspotPoints()) marks.push_back({p.x, p.y});
  window_->SetMarkers(std::move(marks));
}

std::vector<PadPoint> TFormMain::HotspotPoints() {
  std::vector<PadPoint> points;
  if (!root_ || logoNumber_ >= 0 || scene::IsLoading()) return points;
  for (const scene::Hotspot& h : scene::FindHotspots(*root_)) points.push_back({h.x, h.y});
  return points;
}

}  // namespace app
