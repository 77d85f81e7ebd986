#include "scene/spline_track.h"

#include <cmath>

#include <interpolation.h>

namespace scene {

struct SplineCurve::Impl {
  alglib::spline1dinterpolant spline;
};

SplineCurve::SplineCurve() = default;
SplineCurve::~SplineCurve() = default;
SplineCurve::SplineCurve(SplineCurve&&) noexcept = default;
SplineCurve& SplineCurve::operator=(SplineCurve&&) noexcept = default;

bool SplineCurve::Build(std::span<const double> times, std::span<const double> values) {
  impl_.reset();
  const size_t n = times.size();
  if (n < 2 || values.size() != n) return false;
  try {
    alglib::real_1d_array x, y;
    x.setcontent(static_cast<alglib::ae_int_t>(n), times.data());
    y.setcontent(static_cast<alglib::ae_int_t>(n), values.data());
    auto impl = std::make_unique<Impl>();
    if (n == 2) {
      alglib::spline1dbuildlinear(x, y, 2, impl->spline);
    } else {
      // Boundary type 0 at both ends: parabolically terminated.
      alglib::spline1dbuildcubic(x, y, static_cast<alglib::ae_int_t>(n), 0, 0.0, 0, 0.0,
                                 impl->spline);
    }
    impl_ = std::move(impl);
    return true;
  } catch (const alglib::ap_error&) {
    // Equal or non-finite positions, or values that are not numbers.
    return false;
  }
}

double SplineCurve::Value(double t) const {
  if (!impl_) return 0;
  try {
    return alglib::spline1dcalc(impl_->spline, t);
  } catch (const alglib::ap_error&) {
    return 0;
  }
}

bool SplineTrack::AddSample(double time, const Sample& values) {
  for (double t : times_)
    if (t == time) return false;
  times_.push_back(time);
  samples_.push_back(values);
  return true;
}

void SplineTrack::Build() {
  built_ = false;
  if (times_.size() < 2) return;
  std::vector<double> column(times_.size());
  for (int c = 0; c < kChannels; ++c) {
    for (size_t i = 0; i < samples_.size(); ++i) column[i] = samples_[i][static_cast<size_t>(c)];
    if (!curves_[static_cast<size_t>(c)].Build(times_, column)) return;
  }
  built_ = true;
}

}  // namespace scene
