#pragma once
// Side-by-side measurement: ours against a peer in the same process.
//
// Machines here are noisy (absolute times swing by more than 1.5x between
// runs), so only ratios taken in the same run count: both sides run in
// alternating order, round after round, each round's ratio is taken from the
// two runs made next to each other, and the median of the round ratios is
// reported. Times are process CPU time, so that other processes on the
// machine disturb the comparison less.
//
// Each goal ends in one summary line that `make bench` collects:
//   BENCH <name> ratio=<ours/peer> target=<t> <met|not met>

#include <functional>
#include <string>
#include <vector>

namespace bench {

// CPU seconds used by the whole process so far.
double CpuSeconds();
// Seconds of a steady clock: for work spread over threads, where CPU time
// would count every thread's share.
double WallSeconds();
double Median(std::vector<double> values);

struct Outcome {
  double ours = 0;   // median seconds of our side
  double peer = 0;   // median seconds of the peer
  double ratio = 0;  // median of the per-round ratios ours / peer
  int rounds = 0;
};

inline constexpr int kDefaultRounds = 9;

// Untimed work before each timed run of a side (a fresh tree, freeing what
// the previous run made).
struct Setup {
  std::function<void()> ours;
  std::function<void()> peer;
};

// Runs both sides `rounds` times, alternating which one goes first.
Outcome Alternate(const std::function<void()>& ours, const std::function<void()>& peer,
                  int rounds = kDefaultRounds, const Setup& setup = {});

// Prints the detail line and the summary line of one goal.
void Report(const std::string& name, const Outcome& outcome, double target,
            const std::string& peerName);
// A goal whose sides did not compute the same result (or could not run):
// its summary line says so and counts as not met.
void ReportFailure(const std::string& name, double target, const std::string& why);

}  // namespace bench
