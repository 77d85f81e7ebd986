#pragma once
// AudioLibrary: the audio calls the player is written against (version check,
// start-up, pause and resume, samples with limited simultaneous playbacks,
// looping streams, channel play/stop/state/attributes, last error code).
//
// Built from an AudioMixer and an AudioOutput. All calls come from the main
// thread; the only other thread is the output device's, which enters the
// mixer through MixS16 under lock_. Decoding of samples and opening of
// streams happen before the lock is taken; streams decode while they play,
// inside the mix.
//
// Without a device (Init failed or never called) every call fails quietly
// with kAudioErrorInit and returns 0/false; nothing aborts.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "resources/audio/audio_mixer.h"
#include "resources/audio/audio_output.h"
#include "resources/audio/sound_decoder.h"

namespace resources {

// The version start-up insists on: 2.2.
inline constexpr uint32_t kAudioVersion = 0x20002;
inline constexpr uint32_t kStreamLoop = 0x4;
inline constexpr int kDefaultDevice = -1;

enum AudioErrorCode : int {
  kAudioOk = 0,
  kAudioErrorMemory = 1,
  kAudioErrorFileOpen = 2,
  kAudioErrorDriver = 3,
  kAudioErrorHandle = 5,
  kAudioErrorFormat = 6,
  kAudioErrorInit = 8,
  kAudioErrorAlready = 14,
  kAudioErrorNoChannel = 18,
  kAudioErrorIllegalParam = 20,
  kAudioErrorDevice = 23,
  kAudioErrorFileForm = 41,
  kAudioErrorEmpty = 31,
};

class AudioLibrary {
 public:
  // output may be null: then there is no device and Init fails.
  explicit AudioLibrary(std::unique_ptr<AudioOutput> output);
  ~AudioLibrary();
  AudioLibrary(const AudioLibrary&) = delete;
  AudioLibrary& operator=(const AudioLibrary&) = delete;

  uint32_t GetVersion() const { return kAudioVersion; }
  // device -1 (default) or 1; output is always 44100 Hz stereo whatever freq
  // asks; flags and window are accepted and not needed. Starts output.
  bool Init(int device, uint32_t freq, uint32_t flags, void* window);
  bool Start();
  bool Pause();

  // A sample from a file window (length 0: to the end) or a memory block
  // (decoded at once; the block may be freed afterwards). 0 on failure.
  uint32_t SampleLoad(const std::filesystem::path& file, uint64_t offset, uint64_t length,
                      uint32_t maxPlaybacks, uint32_t flags);
  uint32_t SampleLoad(std::string_view memory, uint64_t offset, uint64_t length,
                      uint32_t maxPlaybacks, uint32_t flags);
  uint32_t SampleGetChannel(uint32_t sample, bool onlyNew);
  // A stream decoding while it plays; kStreamLoop makes it loop. The memory
  // block is shared with the stream for the stream's whole life.
  uint32_t StreamCreateFile(const std::filesystem::path& file, uint64_t offset, uint64_t length,
                            uint32_t flags);
  uint32_t StreamCreateFile(std::shared_ptr<const std::string> memory, uint64_t offset,
                            uint64_t length, uint32_t flags);

  bool ChannelPlay(uint32_t channel, bool restart);
  bool ChannelStop(uint32_t channel);
  // 1 while playing, 0 when stopped (or not a channel).
  int ChannelIsActive(uint32_t channel);
  // Any pointer may be null.
  bool ChannelGetAttributes(uint32_t channel, int* frequency, int* volume, int* pan);
  // volume 0 to 100 (clamped); -1 leaves the volume as it is, 0 or -1 the
  // frequency (kept and reported, not a playback rate), -101 the pan.
  bool ChannelSetAttributes(uint32_t channel, int frequency, int volume, int pan);
  int ErrorGetCode() const { return error_; }

  bool Initialized() const { return initialized_; }
  // Headless runs: one logic step of the virtual clock has passed.
  void AdvanceVirtualClock(uint32_t frames = kFramesPerStep);
  // Frames mixed so far, by any output (diagnostics and tests).
  uint64_t MixedFrames();

 private:
  void MixS16(int16_t* out, uint32_t frames);
  bool Fail(int code) {
    error_ = code;
    return false;
  }
  uint32_t FailHandle(int code) {
    error_ = code;
    return 0;
  }
  uint32_t AddSample(std::shared_ptr<PcmBuffer> pcm, SoundLoadError error, uint32_t maxPlaybacks,
                     uint32_t flags);
  uint32_t AddStream(std::unique_ptr<PcmStream> stream, SoundLoadError error, uint32_t flags);

  std::unique_ptr<AudioOutput> output_;
  std::mutex lock_;  // guards mixer_ and mixedFrames_
  AudioMixer mixer_;
  uint64_t mixedFrames_ = 0;
  bool initialized_ = false;
  int error_ = kAudioOk;
};

}  // namespace resources
