#pragma once
// Where mixed audio goes: a platform boundary with a real device (SDL), a WAV
// file fed by the virtual clock of headless runs, and nothing at all.
//
// Lock rule: the mix function takes the audio library's lock itself, so an
// output must never be opened, paused or closed while that lock is held (the
// device's thread may be waiting for it inside the mix function).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace resources {

class AudioOutput {
 public:
  // Fills `frames` interleaved stereo 16-bit frames at the mixing rate.
  using MixFunction = std::function<void(int16_t* out, uint32_t frames)>;

  virtual ~AudioOutput() = default;
  // Starts output (not paused); false when there is no device.
  virtual bool Open(MixFunction mix) = 0;
  virtual void SetPaused(bool paused) = 0;
  // One logic step of the virtual clock has passed: outputs that follow that
  // clock mix `frames` frames now (none while paused); real devices ignore it.
  virtual void AdvanceVirtualClock(uint32_t frames) { (void)frames; }
  // Stops output; the mix function is not called any more afterwards.
  virtual void Close() = 0;
};

// The default SDL audio device at 44100 Hz, stereo, 16-bit.
std::unique_ptr<AudioOutput> MakeSdlAudioOutput();
// A 16-bit stereo 44100 Hz WAV file written as the virtual clock advances.
std::unique_ptr<AudioOutput> MakeWavFileOutput(const std::filesystem::path& file);
// No device: opening fails, so the game runs silent.
std::unique_ptr<AudioOutput> MakeNullAudioOutput();

}  // namespace resources
