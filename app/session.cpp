// Sessions: the input a run replays, the session it records, and the clock
// the date natives read. A replay is fed everything the recorded session
// consumed that does not follow from the game itself: its input, the steps
// of each frame, its wall-clock readings, its seed and its desktop size.

#include <iostream>

#include "app/main_window.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/path_resolver.h"
#include "platform/user_dirs.h"
#include "render/device.h"
#include "render/frame_timer.h"
#include "scene/db.h"
#include "scene/game_file.h"
#include "scriptlib/date_time.h"

namespace app {

namespace {
constexpr double kStepsPerDay = 30.0 * 86400.0;
// 1 January 2000, 12:00: a headless run's clock unless told otherwise.
constexpr double kDefaultStartTime = 36526.5;
}  // namespace

// Before anything is loaded or written: a session that cannot be replayed
// stops the player with the line that is wrong.
bool TFormMain::ReadSession() {
  startTime_ = options_.startTime.value_or(kDefaultStartTime);
  if (options_.inputFile.empty()) return true;
  auto text = platform::ReadWholeFile(options_.inputFile, UINT64_C(64) << 20);
  if (!text) {
    std::cerr << "qazmir: cannot read the input file " << options_.inputFile << "\n";
    return false;
  }
  session_ = ParseInputScript(*text);
  if (!session_.error.empty()) {
    std::cerr << "qazmir: " << options_.inputFile << ": " << session_.error << "\n";
    return false;
  }
  const SessionHeader& h = session_.header;
  if (h.game && location_) {
    auto bytes = platform::ReadWholeFile(location_->folder / location_->fileName);
    const platform::CodePage* cp = platform::CodePage::Find(options_.codepage);
    std::optional<std::string> id =
        bytes ? scene::ReadRootId({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()})
              : std::nullopt;
    const std::string game = id && cp ? cp->ToUtf8(*id) : std::string();
    if (game != *h.game) {
      std::cerr << "qazmir: " << options_.inputFile << " is a session of the game \"" << *h.game
                << "\", not of \"" << game << "\"\n";
      return false;
    }
  }
  if (!options_.seed && h.seed) options_.seed = h.seed;
  if (!options_.startTime && h.startTime) startTime_ = *h.startTime;
  desktop_ = h.desktop;
  for (const InputEvent& ev : session_.events)
    if (ev.kind == InputEvent::Kind::Clock) clockReadings_.push_back(ev.clock);
  replaying_ = true;
  return true;
}

// After the load, when the game's Id and per-user folder are known: the file
// of --record, else for a window session the black box session.rec.
void TFormMain::StartRecording() {
  std::filesystem::path file = options_.recordFile;
  const bool blackBox = file.empty() && !options_.headless && !options_.noRecord;
  if (blackBox) {
    std::filesystem::path folder = root_->PerUserFolder();
    if (folder.empty()) folder = platform::PerUserFolder(root_->Id, platform::GameFiles().Cp());
    if (folder.empty()) return;
    file = folder / "session.rec";
  }
  if (file.empty()) return;
  if (!recorder_.Open(file, blackBox)) {
    if (!blackBox) std::cerr << "qazmir: cannot write the session to " << file.string() << "\n";
    return;
  }
  SessionHeader h;
  h.seed = options_.seed;
  if (options_.headless) h.startTime = startTime_;
  h.desktop = std::make_pair(DesktopWidth(), DesktopHeight());
  h.game = platform::GameFiles().Cp().ToUtf8(root_->Id);
  recorder_.Header(h);
}

void TFormMain::Record(const InputEvent& ev) {
  if (!recorder_.Active()) return;
  InputEvent line = ev;
  line.pass = CurrentPass() - recordOffset_;
  recorder_.Event(line);
}

bool TFormMain::ReplayPass() {
  const int64_t pass = passes_ + 1;
  int steps = 1;
  auto& events = session_.events;
  for (; nextEvent_ < events.size() && events[nextEvent_].pass == pass; ++nextEvent_) {
    const InputEvent& ev = events[nextEvent_];
    if (ev.kind == InputEvent::Kind::Steps) steps = ev.code;
    else if (ev.step > 0) stepEvents_.push_back(ev);
    else if (ev.kind != InputEvent::Kind::Clock) Deliver(ev);
  }
  timer_->SetVirtualSteps(steps);
  return nextEvent_ < events.size();
}

// A replay reads the recorded readings in order; a headless run then reads
// its own clock, which starts at the start time and moves 1/30 s a step; a
// window reads the wall clock. Readings that are not the headless clock's
// are recorded, so that the recording replays them.
double TFormMain::SessionClock() {
  double now;
  if (!clockReadings_.empty()) {
    now = clockReadings_.front();
    clockReadings_.pop_front();
  } else if (options_.headless) {
    return startTime_ + static_cast<double>(tick_) / kStepsPerDay;
  } else {
    now = scriptlib::WallClockDateTime();
  }
  InputEvent ev;
  ev.kind = InputEvent::Kind::Clock;
  ev.clock = now;
  Record(ev);
  return now;
}

int TFormMain::DesktopWidth() const {
  if (desktop_) return desktop_->first;
  return device_ ? device_->DesktopSize().width : 0;
}

int TFormMain::DesktopHeight() const {
  if (desktop_) return desktop_->second;
  return device_ ? device_->DesktopSize().height : 0;
}

}  // namespace app
