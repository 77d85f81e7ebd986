#pragma once
// TFormMain: the main window. It owns the render device, the canvas, the
// image and font stores, the image cache, the audio layer, the frame timer
// and the game root; it starts the game, runs the frame loop (intro logos,
// loading steps, normal steps, drawing), turns window input into game input
// and switches between window and full screen.
//
// Index: main_window.cpp (start-up, close, GameHost), frame_loop.cpp
// (TimerTimer, TimerProcess, DeviceRender), window_input.cpp (mouse, keys,
// characters, activation, FlWin), sdl_events.cpp (the SDL event loop),
// headless_run.cpp (passes of a headless run), session.cpp (replayed and
// recorded sessions, the date natives' clock), game_list_run.cpp (the list
// shown without a game), pad_delivery.cpp (gamepads and touch turned into
// pointer and key input).

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/game_location.h"
#include "app/input_script.h"
#include "app/options.h"
#include "app/pad_input.h"
#include "app/session_recorder.h"
#include "scene/game_host.h"

namespace render {
class Device;
class RenderDevice;
class FrameTimer;
class FrameClock;
class ImageStore;
class FontStore;
class RenderImage;
}  // namespace render
namespace resources {
class AudioLibrary;
class ImageCache;
class SoundSystem;
class TQZIm;
}  // namespace resources
namespace scene {
class TQZDB;
class TQZElement;
}  // namespace scene

namespace app {

struct WindowLoopState;

#ifdef __EMSCRIPTEN__
// A page scales the picture to whatever screen it is on: no desktop is too
// small for a window there.
inline constexpr bool kEveryDesktopFits = true;
#else
inline constexpr bool kEveryDesktopFits = false;
#endif

// What --stats prints at exit.
struct RunStats {
  int64_t frames = 0;
  int64_t steps = 0;
  double drawSeconds = 0;
  double scriptSeconds = 0;
  double loadSeconds = 0;
};

class TFormMain : public scene::GameHost {
 public:
  explicit TFormMain(const PlayerOptions& options);
  ~TFormMain() override;
  TFormMain(const TFormMain&) = delete;
  TFormMain& operator=(const TFormMain&) = delete;

  // The whole life of the window; the process exit status.
  int Run();

  // Run in parts, for a host that owns the loop (a browser): StartUp, then
  // for a window StartWindowLoop, WindowPass once per pass until it answers
  // false, and EndWindowLoop. StartUp answers an exit status when the run
  // ends there (no game, a bad session, a failed start).
  std::optional<int> StartUp();
  void StartWindowLoop();
  bool WindowPass();
  int EndWindowLoop();
  // Called after a frame presented in the middle of a step (the loading
  // progress of a screen switch): a browser shows nothing until control
  // returns to it, so its host yields there.
  void SetProgressYield(std::function<void()> yield) { progressYield_ = std::move(yield); }

  // ---- GameHost ----------------------------------------------------------------
  bool TestMode() const override { return options_.testMode; }
  int DesktopWidth() const override;
  bool DesktopTooSmall() const override { return desktopTooSmall_; }
  void ApplyWindowMode(bool fullScreen) override;
  void ShowSystemCursor(bool visible) override;
  void ResetClock() override;
  int64_t Steps() const override { return tick_; }
  bool TimerEnabled() const override;
  void RenderFrame(bool present) override;

  // ---- for tests and the web page ----------------------------------------------------
  scene::TQZDB* Root() const { return root_.get(); }
  const RunStats& Stats() const { return stats_; }
  int LogoNumber() const { return logoNumber_; }
  int LogoTick() const { return logoTick_; }
  int64_t Passes() const { return passes_; }

 private:
  // start-up and close (main_window.cpp)
  std::string FindGame();
  // The game list (game_list_run.cpp): true when a game was chosen and loaded.
  bool ChooseGame();
  // Writes the --screenshot pictures of the frame drawn in this pass.
  void TakeScreenshots(int64_t pass);
  bool FormCreate();
  void DeviceInitialize(bool& ok);
  void FormClose();
  void ShowError(const std::string& text);
  void SetUpAudio();

  // frame loop (frame_loop.cpp)
  void TimerTimer();
  void TimerProcess();
  void DeviceRender();
  void IntroStep();
  void NextLogo();
  void DrawIntro();
  void PaintBounds(scene::TQZElement& e, double x, double y);

  // input (window_input.cpp)
  void FormMouseDown(int32_t x, int32_t y);
  void FormMouseMove(int32_t x, int32_t y);
  void FormMouseUp(int32_t x, int32_t y);
  void FormKeyDown(int virtualKey, bool altOnly);
  void WMChar(uint16_t code);
  void WMActivate(bool active, bool minimised);
  void Timer1Timer();
  void FormPaint();
  void FlWin();
  void SaveScreenshotKey();
  // Every input reaches the game through here, live or replayed, and is recorded.
  void Deliver(const InputEvent& ev);
  // Runs or pauses the frame timer and the audio (activation, the watchdog).
  void SetRunning(bool running);

  // sessions (session.cpp)
  bool ReadSession();
  void StartRecording();
  void Record(const InputEvent& ev);
  // The pass the next input belongs to, or the pass being drawn and stepped.
  int64_t CurrentPass() const { return inFrame_ ? passes_ : passes_ + 1; }
  // Delivers the replayed events of the coming pass and sets its steps; false
  // once the session has nothing more to replay.
  bool ReplayPass();
  double SessionClock();
  // The desktop the game is told of: a replayed session's, else the device's.
  int DesktopHeight() const;

  // gamepads and touch (pad_delivery.cpp)
  void DeliverDevice(const InputEvent& ev);
  // At the start of each logic step: the replayed moves of the step, then the sticks'.
  void StepInput();
  // After the steps of a frame: replayed moves of steps that did not run, and
  // the hotspot markers of the frame about to be shown.
  void EndStepInput();
  std::vector<PadPoint> HotspotPoints();

  // loops
  int RunWindow();    // sdl_events.cpp
  std::unique_ptr<WindowLoopState> loop_;
  int RunHeadless();  // headless_run.cpp
  bool WriteFramePng(const std::filesystem::path& file);

  PlayerOptions options_;
  std::unique_ptr<render::FrameClock> clock_;
  std::unique_ptr<render::FrameTimer> timer_;
  std::unique_ptr<render::Device> device_;
  render::RenderDevice* window_ = nullptr;  // the device when it is a window
  std::unique_ptr<render::ImageStore> imageStore_;
  std::unique_ptr<render::FontStore> fonts_;
  std::unique_ptr<resources::ImageCache> images_;
  std::unique_ptr<resources::AudioLibrary> audio_;
  std::unique_ptr<resources::SoundSystem> sound_;
  std::unique_ptr<scene::TQZDB> root_;

  std::optional<GameLocation> location_;
  std::string title_;
  bool desktopTooSmall_ = false;
  bool closing_ = false;
  bool closed_ = false;
  bool windowActive_ = true;
  bool minimised_ = false;
  std::string gameStem_;

  // frame-loop state
  int32_t tick_ = 0;
  int logoNumber_ = 0;
  int logoTick_ = 0;
  resources::TQZIm* logoImage_ = nullptr;
  bool rootInitialised_ = false;
  bool screenShown_ = false;

  // sessions
  InputScript session_;              // the replayed one
  size_t nextEvent_ = 0;             // its next event to deliver
  std::deque<double> clockReadings_; // its clock readings not yet read
  bool replaying_ = false;
  SessionRecorder recorder_;
  int64_t passes_ = 0;               // frames drawn
  int64_t recordOffset_ = 0;         // frames of the game list before the game
  bool inFrame_ = false;
  double startTime_ = 0;             // the headless clock at step 0
  std::optional<std::pair<int32_t, int32_t>> desktop_;  // a replayed session's
  InputEvent pendingMove_;           // the last pointer move not yet delivered
  bool movePending_ = false;
  PadInput pad_{[this] { return HotspotPoints(); }};
  std::vector<InputEvent> stepEvents_;  // replayed moves of the coming steps
  int stepInPass_ = 0;                  // the logic step running in this pass, from 1

  RunStats stats_;
  // Called after each frame is drawn, before its steps (headless screenshots).
  std::function<void()> screenshotHook_;
  std::function<void()> progressYield_;
  std::chrono::steady_clock::time_point lastWatchdog_;
};

}  // namespace app
