#include "bench/side_by_side.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

double Timed(const std::function<void()>& f) {
  const double start = CpuSeconds();
  f();
  return CpuSeconds() - start;
}

}  // namespace

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double WallSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Outcome Alternate(const std::function<void()>& ours, const std::function<void()>& peer,
                  int rounds, const Setup& setup) {
  std::vector<double> a, b, r;
  auto runOurs = [&] {
    if (setup.ours) setup.ours();
    return Timed(ours);
  };
  auto runPeer = [&] {
    if (setup.peer) setup.peer();
    return Timed(peer);
  };
  for (int i = 0; i < rounds; ++i) {
    double ta, tb;
    if (i % 2 == 0) {
      ta = runOurs();
      tb = runPeer();
    } else {
      tb = runPeer();
      ta = runOurs();
    }
    a.push_back(ta);
    b.push_back(tb);
    r.push_back(tb > 0 ? ta / tb : 0);
  }
  Outcome o;
  o.ours = Median(a);
  o.peer = Median(b);
  o.ratio = Median(r);
  o.rounds = rounds;
  return o;
}

void Report(const std::string& name, const Outcome& o, double target,
            const std::string& peerName) {
  std::printf("%-26s ours %9.3f ms  %-12s %9.3f ms  (median of %d rounds)\n", name.c_str(),
              o.ours * 1e3, peerName.c_str(), o.peer * 1e3, o.rounds);
  std::printf("BENCH %s ratio=%.2f target=%g %s\n", name.c_str(), o.ratio, target,
              o.ratio <= target ? "met" : "not met");
  std::fflush(stdout);
}

void ReportFailure(const std::string& name, double target, const std::string& why) {
  std::printf("%s: %s\n", name.c_str(), why.c_str());
  std::printf("BENCH %s ratio=none target=%g not met (%s)\n", name.c_str(), target, why.c_str());
  std::fflush(stdout);
}

}  // namespace bench
