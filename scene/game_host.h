#pragma once
// What the game root needs from the main window and the frame loop. app/
// implements it; tests use the defaults (a headless host on a wide desktop).

#include <cstdint>

namespace scene {

class GameHost {
 public:
  virtual ~GameHost() = default;

  // "/TESTMODE" was given: the player stays windowed.
  virtual bool TestMode() const { return false; }
  // The desktop's width in pixels, and whether it is too narrow for the window.
  virtual int DesktopWidth() const { return 1920; }
  virtual bool DesktopTooSmall() const { return false; }
  // Switches the render device and styles the window: windowed exactly when
  // fullScreen is false.
  virtual void ApplyWindowMode(bool /*fullScreen*/) {}
  // Shows the system arrow cursor over the window, or hides the cursor.
  virtual void ShowSystemCursor(bool /*visible*/) {}
  // The frame timer's ResetClock.
  virtual void ResetClock() {}
  // Logic steps run so far: the game's own clock, which a headless run
  // repeats exactly.
  virtual int64_t Steps() const { return 0; }
  // The frame timer runs (the player is not paused).
  virtual bool TimerEnabled() const { return true; }
  // Render with clearing and, when asked, present: a frame drawn in the middle
  // of a step (the loading progress, a screen switch).
  virtual void RenderFrame(bool /*present*/) {}
};

}  // namespace scene
