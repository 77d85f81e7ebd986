// A headless run: numbered passes, each delivering its input lines, drawing a
// frame, running one logic step (none while paused) and presenting.

#include <algorithm>
#include <iostream>

#include "app/main_window.h"
#include "platform/file_io.h"
#include "render/device.h"
#include "render/frame_timer.h"
#include "scene/db.h"

namespace app {

int TFormMain::RunHeadless() {
  InputScript input;
  if (!options_.inputFile.empty()) {
    auto text = platform::ReadWholeFile(options_.inputFile, UINT64_C(64) << 20);
    if (!text) {
      std::cerr << "qazmir: cannot read the input file " << options_.inputFile << "\n";
      FormClose();
      return 2;
    }
    input = ParseInputScript(*text);
    if (!input.error.empty()) {
      std::cerr << "qazmir: " << options_.inputFile << ": " << input.error << "\n";
      FormClose();
      return 2;
    }
  }
  std::stable_sort(input.events.begin(), input.events.end(),
                   [](const InputEvent& a, const InputEvent& b) { return a.pass < b.pass; });
  size_t nextEvent = 0;
  int64_t pass = 0;
  const int64_t limit = options_.steps.value_or(INT64_MAX);
  while (pass < limit && !closing_) {
    ++pass;
    while (nextEvent < input.events.size() && input.events[nextEvent].pass == pass)
      Deliver(input.events[nextEvent++]);
    // The frame drawn in pass S + 1 shows the state after S passes.
    screenshotHook_ = [this, pass] {
      for (const auto& shot : options_.screenshots)
        if (shot.pass + 1 == pass && !WriteFramePng(shot.file))
          std::cerr << "qazmir: cannot write " << shot.file << "\n";
    };
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
