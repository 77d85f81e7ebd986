// A headless run: numbered passes, each delivering its input lines, drawing a
// frame, running one logic step (none while paused) and presenting.

#include <iostream>

#include "app/main_window.h"
#include "render/device.h"
#include "render/frame_timer.h"
#include "scene/db.h"

namespace app {

// The frame drawn in pass S + 1 shows the state after S passes.
void TFormMain::TakeScreenshots(int64_t pass) {
  for (const auto& shot : options_.screenshots)
    if (shot.pass + 1 == pass && !WriteFramePng(shot.file))
      std::cerr << "qazmir: cannot write " << shot.file << "\n";
}

int TFormMain::RunHeadless() {
  int64_t pass = passes_;
  const int64_t limit = options_.steps.value_or(INT64_MAX);
  while (pass < limit && !closing_) {
    ++pass;
    ReplayPass();
    screenshotHook_ = [this, pass] { TakeScreenshots(pass); };
    timer_->Idle();
    screenshotHook_ = nullptr;
  }
  bool drewLast = false;
  for (const auto& shot : options_.screenshots) {
    if (shot.pass == pass) {
      if (!drewLast) {
        device_->Render(0, true);
        drewLast = true;
      }
      if (!WriteFramePng(shot.file)) std::cerr << "qazmir: cannot write " << shot.file << "\n";
    } else if (shot.pass > pass) {
      std::cerr << "qazmir: the run ended after " << pass << " passes; no screenshot for pass "
                << shot.pass << "\n";
    }
  }
  FormClose();
  return 0;
}

}  // namespace app
