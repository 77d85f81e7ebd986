#include "resources/audio/resampler.h"

namespace resources {

LinearResampler::LinearResampler(int inRate, int outRate)
    : inRate_(inRate > 0 ? inRate : 1), outRate_(outRate > 0 ? outRate : 1) {}

void LinearResampler::Reset() {
  havePrev_ = false;
  frac_ = 0;
}

void LinearResampler::Push(const float* in, size_t frames, std::vector<float>& out) {
  if (inRate_ == outRate_) {
    out.insert(out.end(), in, in + frames * 2);
    return;
  }
  // Each output frame lies in the interval [prev, next) of two input frames;
  // frac_ is its offset from prev in units of 1/outRate of an input frame.
  const float scale = 1.0f / static_cast<float>(outRate_);
  for (size_t i = 0; i < frames; ++i) {
    const float l = in[2 * i];
    const float r = in[2 * i + 1];
    if (!havePrev_) {
      prev_[0] = l;
      prev_[1] = r;
      havePrev_ = true;
      frac_ = 0;
      continue;
    }
    while (frac_ < outRate_) {
      const float t = static_cast<float>(frac_) * scale;
      out.push_back(prev_[0] + (l - prev_[0]) * t);
      out.push_back(prev_[1] + (r - prev_[1]) * t);
      frac_ += inRate_;
    }
    frac_ -= outRate_;
    prev_[0] = l;
    prev_[1] = r;
  }
}

void LinearResampler::Finish(std::vector<float>& out) {
  if (inRate_ != outRate_ && havePrev_) {
    // The last input frame is held over its own interval.
    while (frac_ < outRate_) {
      out.push_back(prev_[0]);
      out.push_back(prev_[1]);
      frac_ += inRate_;
    }
  }
  Reset();
}

}  // namespace resources
