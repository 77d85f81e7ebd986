#pragma once
// Spline tracks of keyframe animations: per object (image Id), the samples of
// six values at the first frame of each key, and a cubic spline through each
// value list with parabolically terminated ends (the straight line for two
// samples). Outside the samples a curve continues with its end cubic.

#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace scene {

class SplineCurve {
 public:
  SplineCurve();
  ~SplineCurve();
  SplineCurve(SplineCurve&&) noexcept;
  SplineCurve& operator=(SplineCurve&&) noexcept;

  // Times strictly increasing, at least two samples. False (and no curve)
  // when the spline library refuses the samples.
  bool Build(std::span<const double> times, std::span<const double> values);
  bool Valid() const { return impl_ != nullptr; }
  // The curve at t; 0 without a curve.
  double Value(double t) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class SplineTrack {
 public:
  enum Channel { kCentreX, kCentreY, kScale, kAngle, kScaleX, kScaleY, kChannels };
  using Sample = std::array<double, kChannels>;

  explicit SplineTrack(std::string id) : id_(std::move(id)) {}

  const std::string& Id() const { return id_; }
  // Samples come in time order. A sample at a time the track already holds
  // is ignored (the first one counts): the spline needs distinct times.
  bool AddSample(double time, const Sample& values);
  size_t SampleCount() const { return times_.size(); }

  // Builds the six curves when there is more than one sample.
  void Build();
  // The curves exist (more than one sample, accepted by the library).
  bool Built() const { return built_; }
  double Value(Channel channel, double t) const { return curves_[channel].Value(t); }

 private:
  std::string id_;
  std::vector<double> times_;
  std::vector<Sample> samples_;
  std::array<SplineCurve, kChannels> curves_;
  bool built_ = false;
};

}  // namespace scene
