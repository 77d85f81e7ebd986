#pragma once
// Streaming linear-interpolation resampler for stereo float frames.
//
// Exact integer bookkeeping keeps the output deterministic and its length
// exact: n input frames give ceil(n * outRate / inRate) output frames, the
// first equal to the first input frame. Equal rates pass frames through
// unchanged.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace resources {

class LinearResampler {
 public:
  LinearResampler(int inRate, int outRate);

  // Appends the output frames that the given input frames complete.
  void Push(const float* in, size_t frames, std::vector<float>& out);
  // Appends the frames that follow the last input frame; then starts afresh.
  void Finish(std::vector<float>& out);
  void Reset();

  int InRate() const { return inRate_; }
  int OutRate() const { return outRate_; }

 private:
  int64_t inRate_;
  int64_t outRate_;
  bool havePrev_ = false;
  float prev_[2] = {0, 0};
  // Position of the next output frame after prev_, in 1/outRate input frames.
  int64_t frac_ = 0;
};

}  // namespace resources
