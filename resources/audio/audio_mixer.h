#pragma once
// AudioMixer: the pure mixing core of the audio layer. It knows no device and
// no clock: samples (whole decoded sounds with a bounded number of
// simultaneous playbacks) and streams (decoded while they play, optionally
// looping) are mixed on request into interleaved stereo frames at the mixing
// rate. The same inputs always give the same output.
//
// Handles are nonzero 32-bit values whose top bits tell samples, sample
// playbacks and streams apart; 0 is never a valid handle. Not thread-safe:
// the owner serialises every call (the audio library holds one lock around it).

#include <cstdint>
#include <memory>
#include <vector>

#include "resources/audio/pcm.h"

namespace resources {

// When every playback of a sample is busy, a new one replaces the playback that
// has played longest.
inline constexpr uint32_t kSampleOverridePosition = 0x20000;

struct ChannelAttributes {
  int frequency = kMixRate;  // the source's own rate unless set otherwise
  int volume = 100;          // 0 to 100, linear
  int pan = 0;               // -100 (left) to 100 (right)
};

class AudioMixer {
 public:
  AudioMixer();
  ~AudioMixer();
  AudioMixer(const AudioMixer&) = delete;
  AudioMixer& operator=(const AudioMixer&) = delete;

  // A sample with at most maxPlaybacks simultaneous playbacks (at least 1).
  uint32_t AddSample(std::shared_ptr<const PcmBuffer> pcm, uint32_t maxPlaybacks, uint32_t flags);
  // A playback channel of the sample: a stopped playback is reused unless
  // onlyNew; with all playbacks busy, the longest-playing one is taken over when
  // the sample was added with kSampleOverridePosition. The channel is stopped,
  // at the start, with default attributes. 0 when none can be had.
  uint32_t SampleGetChannel(uint32_t sample, bool onlyNew);
  uint32_t AddStream(std::unique_ptr<PcmStream> stream, bool loop);

  // restart: from the first frame; otherwise a paused or fresh channel
  // continues where it is (a channel that ran to its end starts over).
  bool Play(uint32_t channel, bool restart);
  bool Stop(uint32_t channel);
  // 1 while playing, 0 otherwise (also for unknown handles).
  int IsActive(uint32_t channel) const;
  bool GetAttributes(uint32_t channel, ChannelAttributes& out) const;
  // Values are clamped to their ranges; -1 (volume), 0 or -1 (frequency) and
  // -101 (pan) leave a value unchanged. The frequency is kept and reported but
  // does not change the playback rate: sources are converted to the mixing
  // rate when they are decoded.
  bool SetAttributes(uint32_t channel, int frequency, int volume, int pan);
  bool IsChannel(uint32_t handle) const;
  bool IsSample(uint32_t handle) const;

  // While paused, mixing gives silence and no channel moves.
  void SetPaused(bool paused) { paused_ = paused; }
  bool Paused() const { return paused_; }

  // Mixes `frames` stereo frames into out (overwritten).
  void MixFloat(float* out, uint32_t frames);
  // The same, as 16-bit signed values (full scale 32768, clipped).
  void MixS16(int16_t* out, uint32_t frames);

 private:
  struct Channel;
  struct Sample;
  Channel* FindChannel(uint32_t handle);
  const Channel* FindChannel(uint32_t handle) const;
  void MixChannel(Channel& ch, float* out, uint32_t frames);

  std::vector<Sample> samples_;
  std::vector<std::unique_ptr<Channel>> channels_;  // sample playbacks and streams
  std::vector<float> scratch_;
  std::vector<float> mixBuffer_;
  bool paused_ = false;
};

}  // namespace resources
