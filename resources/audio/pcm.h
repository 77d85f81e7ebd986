#pragma once
// The one sample format inside the audio layer: interleaved stereo float frames
// at the mixing rate. Decoders convert to it; the mixer only ever sees it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace resources {

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;
// Audio of one fixed logic step (1/30 s) at the mixing rate.
inline constexpr uint32_t kFramesPerStep = kMixRate / 30;

// A whole decoded sound, shared by all playbacks of a sample.
struct PcmBuffer {
  std::vector<float> samples;  // frames * 2 values, left then right
  int sourceRate = kMixRate;   // the file's own rate, reported as the channel frequency
  size_t Frames() const { return samples.size() / kMixChannels; }
};

// A sound decoded while it plays. Called only with the mixer's lock held.
class PcmStream {
 public:
  virtual ~PcmStream() = default;
  // Writes up to `frames` stereo frames; fewer (0 included) means the end of the sound.
  virtual size_t Read(float* out, size_t frames) = 0;
  // Back to the first frame; false when the source cannot start again.
  virtual bool Rewind() = 0;
  virtual int SourceRate() const = 0;
};

}  // namespace resources
