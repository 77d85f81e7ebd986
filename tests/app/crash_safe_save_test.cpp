// Crash-safe saves: a headless player whose game saves its state in every
// step is killed with SIGKILL at random moments, and after every kill the
// save file must be one whole save, earlier or later, never a torn one.
//
// The game restores its last save when it starts and then counts on: every
// step sets a counter N in three elements (A.rX = B.rX = N, C.rY = 2N) and a
// 10 KiB text in A's Tag that starts with N, then saves. A save is whole when
// every record parses, the values agree with each other, and N never goes
// back from one kill to the next.
//
// QZ_KILL_COUNT sets the number of kills (default 5; the "kill" CTest label
// runs 200). Half the kills come at a random moment after the start (start-up
// included), half a random moment after the run was seen saving.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <thread>

#include "app_test_util.h"
#include "platform/file_io.h"
#include "scene/state_file.h"

extern char** environ;

namespace app {
namespace {

using testing_support::BinDir;
using testing_support::TempDir;

const char* kSavingGame = R"({
  "class": "TQZDB",
  "props": {"Id": "KillSave", "InitScreen": 1, "FileRS": "save.dat", "SaveErr": true,
            "exInit": "LoadState",
            "exProcess": "N := Round(QZDB.HALL.A.rX) + 1; QZDB.HALL.A.rX := N; QZDB.HALL.B.rX := N; QZDB.HALL.C.rY := N * 2; S := 'abcdefghij'; I := 0; FOR I := 1 TO 10 DO S := S + S; QZDB.HALL.A.TAG := IntToStr(N) + ':' + S; SaveState"},
  "children": [{"class": "TQZScreen", "props": {"Key": 1, "Id": "Hall"}, "children": [
    {"class": "TQZImage", "props": {"Key": 2, "Id": "A"}},
    {"class": "TQZImage", "props": {"Key": 3, "Id": "B"}},
    {"class": "TQZImage", "props": {"Key": 4, "Id": "C"}}]}]
})";

constexpr size_t kTextLength = 10 * 1024;

int KillCount() {
  const char* v = std::getenv("QZ_KILL_COUNT");
  const int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : 5;
}

// The counter of a whole, consistent save; a failure describes what is wrong.
struct SaveCheck {
  std::optional<int64_t> counter;
  std::string fault;
};

SaveCheck CheckSave(const std::string& bytes) {
  bool complete = false;
  const std::vector<scene::StateRecord> records = scene::ParseState(bytes, &complete);
  if (!complete) return {std::nullopt, "torn save: " + std::to_string(bytes.size()) + " bytes"};
  std::map<std::pair<int32_t, std::string>, script::Value> values;
  for (const auto& r : records) {
    std::string name = r.name;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    values[{r.key, name}] = r.value;
  }
  auto number = [&](int32_t key, const char* name) -> std::optional<double> {
    auto it = values.find({key, name});
    double d = 0;
    if (it == values.end() || !it->second.ToDouble(d)) return std::nullopt;
    return d;
  };
  const auto a = number(2, "RX"), b = number(3, "RX"), c = number(4, "RY");
  auto tag = values.find({2, "TAG"});
  if (!a || !b || !c || tag == values.end()) return {std::nullopt, "records missing"};
  const int64_t n = std::llround(*a);
  const std::string expectedTag = std::to_string(n) + ":";
  const std::string& text = tag->second.s;
  if (*b != *a || *c != 2 * *a || text.compare(0, expectedTag.size(), expectedTag) != 0 ||
      text.size() != expectedTag.size() + kTextLength)
    return {std::nullopt, "values of different saves: A.rX " + std::to_string(*a) + ", B.rX " +
                              std::to_string(*b) + ", C.rY " + std::to_string(*c) + ", tag " +
                              text.substr(0, 12)};
  return {n, ""};
}

pid_t StartPlayer(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

TEST(CrashSafeSave, KilledPlayersLeaveAWholeEarlierOrLaterSave) {
  TempDir game, users;
  apptest::BuildGame(game.Path(), "kill", kSavingGame);
  const std::filesystem::path save = users.Path() / "Qazmir" / "KillSave" / "save.dat";
  const std::vector<std::string> argv = {(BinDir() / "qazmir").string(),
                                         "--headless",
                                         "--seed",
                                         "3",
                                         "--steps",
                                         "100000000",
                                         "--user-dir",
                                         users.Path().string(),
                                         game.Path().string()};
  std::mt19937 random(14);
  const int kills = KillCount();
  int64_t last = 0;
  int interruptedLoops = 0;
  for (int k = 0; k < kills; ++k) {
    const pid_t pid = StartPlayer(argv);
    ASSERT_GT(pid, 0);
    if (k % 2 == 1) {
      // Wait until this run has saved past the last counter seen (a minute
      // at most, so that a game that stopped saving fails instead of hanging).
      for (int wait = 0; wait < 30000; ++wait) {
        auto bytes = platform::ReadWholeFile(save);
        if (bytes && !bytes->empty()) {
          SaveCheck c = CheckSave(*bytes);
          ASSERT_TRUE(c.counter) << "after kill " << k << ": " << c.fault;
          if (*c.counter > last) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 250000));
    }
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    // A run that exited by itself did not test anything.
    ASSERT_TRUE(WIFSIGNALED(status)) << "the player stopped before kill " << k;

    // The game creates an empty save file when it starts; it is empty until
    // the first save.
    auto bytes = platform::ReadWholeFile(save);
    if (!bytes || bytes->empty()) {
      ASSERT_EQ(last, 0) << "the save vanished at kill " << k;
      continue;
    }
    SaveCheck c = CheckSave(*bytes);
    ASSERT_TRUE(c.counter) << "kill " << k << ": " << c.fault;
    ASSERT_GE(*c.counter, last) << "kill " << k << " went back to an older save";
    if (*c.counter > last) ++interruptedLoops;
    last = *c.counter;
  }
  EXPECT_GT(last, 0) << "no run ever saved";
  RecordProperty("kills", kills);
  RecordProperty("runs_that_saved", interruptedLoops);
  RecordProperty("last_counter", static_cast<int>(last));

  // The next save cleans up the temporary files the killed writes left.
  const auto r = apptest::RunPlayer(users.Path(), {"--steps", "5", game.Path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  SaveCheck c = CheckSave(*platform::ReadWholeFile(save));
  ASSERT_TRUE(c.counter) << c.fault;
  EXPECT_GT(*c.counter, last);
  int leftovers = 0;
  for (const auto& entry : std::filesystem::directory_iterator(save.parent_path()))
    if (entry.path().filename() != "save.dat") ++leftovers;
  EXPECT_EQ(leftovers, 0) << "temporary files left in " << save.parent_path();
  std::printf("kills %d, runs that saved %d, last counter %lld, files left %d\n", kills,
              interruptedLoops, static_cast<long long>(last), leftovers);
}

}  // namespace
}  // namespace app
