// Soak: the demo game played headless on random input from a seeded
// generator (pointer moves, clicks, keys and typed characters), once for a
// quarter of the passes and once for all of them, from the same start.
// Nothing may crash, and the peak memory of the long run may exceed the
// short run's by less than 10%: whatever the game does over and over must
// not make memory grow.
//
// QZ_SOAK_STEPS sets the passes of the long run (the "soak" CTest label runs
// 200,000); without it a short run of 1,200 passes checks only that the game
// survives random input. ExitGame is taken out of a copy of the game so that
// a random click on "Quit" cannot end the run.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>

#include "app_test_util.h"

extern char** environ;

namespace app {
namespace {

using testing_support::BinDir;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;

int64_t SoakSteps() {
  const char* v = std::getenv("QZ_SOAK_STEPS");
  const long long n = v ? std::atoll(v) : 0;
  return n > 0 ? n : 1200;
}

// One line per pass at most: mostly pointer moves, with presses, releases,
// keys and characters among them.
std::string RandomInput(int64_t passes, uint32_t seed) {
  std::mt19937 random(seed);
  static const int kKeys[] = {13, 27, 32, 8, 9, 37, 38, 39, 40, 65, 90, 112};
  std::string out;
  int x = 512, y = 384;
  bool down = false;
  for (int64_t pass = 1; pass <= passes; ++pass) {
    const uint32_t r = random() % 100;
    std::string p = std::to_string(pass) + " ";
    if (r < 60) {
      x = std::clamp(x + static_cast<int>(random() % 81) - 40, 0, 1023);
      y = std::clamp(y + static_cast<int>(random() % 81) - 40, 0, 767);
      if (random() % 16 == 0) {
        x = static_cast<int>(random() % 1024);
        y = static_cast<int>(random() % 768);
      }
      out += p + "move " + std::to_string(x) + " " + std::to_string(y) + "\n";
    } else if (r < 70) {
      out += p + (down ? "up " : "down ") + std::to_string(x) + " " + std::to_string(y) + "\n";
      down = !down;
    } else if (r < 73) {
      out += p + "key " + std::to_string(kKeys[random() % std::size(kKeys)]) + "\n";
    } else if (r < 76) {
      out += p + "char " + std::to_string(32 + random() % 95) + "\n";
    }
  }
  return out;
}

struct SoakRun {
  int status = -1;
  long peakKiB = 0;
  std::string out;
};

// Runs the player and takes its peak resident size from the kernel's
// accounting of the finished child.
SoakRun RunAndMeasure(const std::vector<std::string>& argv, const std::filesystem::path& outFile) {
  SoakRun run;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return run;
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKiB = usage.ru_maxrss;
  run.out = ReadFile(outFile);
  return run;
}

int64_t StatsValue(const std::string& out, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(out, m, std::regex("(^|\n)" + name + " ([0-9]+)"))) return -1;
  return std::stoll(m[2]);
}

TEST(Soak, DemoSurvivesRandomInputWithFlatMemory) {
  const std::filesystem::path demo = BinDir() / ".." / "demo";
  std::filesystem::path gameFile;
  if (std::filesystem::is_directory(demo))
    for (const auto& e : std::filesystem::directory_iterator(demo))
      if (e.path().extension() == ".qzf") gameFile = e.path();
  if (gameFile.empty()) GTEST_SKIP() << "no demo game in " << demo;

  TempDir game, users;
  std::filesystem::copy(demo, game.Path(), std::filesystem::copy_options::recursive);
  // The game without ExitGame: dumped, its calls replaced, built again.
  const std::filesystem::path copy = game.Path() / gameFile.filename();
  const auto tool = (BinDir() / "qazmir-tool").string();
  auto dump = RunCommand({tool, "dump", copy.string()});
  ASSERT_EQ(dump.status, 0) << dump.err;
  std::string json = std::regex_replace(dump.out, std::regex("ExitGame"), "TimerReset");
  WriteFile(game.Path() / "soak.json", json);
  auto build = RunCommand({tool, "build", (game.Path() / "soak.json").string(), "-o", copy.string()});
  ASSERT_EQ(build.status, 0) << build.err;

  const int64_t steps = SoakSteps();
  WriteFile(game.Path() / "input.txt", RandomInput(steps, 20240));
  auto play = [&](int64_t passes) {
    std::vector<std::string> argv = {(BinDir() / "qazmir").string(),
                                     "--headless",
                                     "--seed",
                                     "11",
                                     "--stats",
                                     "--steps",
                                     std::to_string(passes),
                                     "--input",
                                     (game.Path() / "input.txt").string(),
                                     "--user-dir",
                                     users.Path().string(),
                                     copy.string()};
    return RunAndMeasure(argv, game.Path() / "stats.txt");
  };
  const SoakRun shortRun = play(steps / 4);
  ASSERT_EQ(shortRun.status, 0) << shortRun.out;
  std::filesystem::remove_all(users.Path() / "Qazmir");  // the same start for both runs
  const SoakRun longRun = play(steps);
  ASSERT_EQ(longRun.status, 0) << longRun.out;
  EXPECT_GE(StatsValue(longRun.out, "frames"), steps) << "the game ended early: " << longRun.out;

  const double growth = static_cast<double>(longRun.peakKiB - shortRun.peakKiB) /
                        static_cast<double>(shortRun.peakKiB);
  RecordProperty("passes", static_cast<int>(steps));
  RecordProperty("peak_kib_quarter", static_cast<int>(shortRun.peakKiB));
  RecordProperty("peak_kib_whole", static_cast<int>(longRun.peakKiB));
  std::printf("soak: %lld passes, peak %ld KiB after a quarter, %ld KiB at the end (%+.2f%%)\n",
              static_cast<long long>(steps), shortRun.peakKiB, longRun.peakKiB, growth * 100);
  // Short runs only check that the game survives: their first quarter is too
  // short to have reached every screen.
  if (steps >= 20000) {
    EXPECT_LT(growth, 0.10) << "peak memory grew over the long run";
  }
}

}  // namespace
}  // namespace app
