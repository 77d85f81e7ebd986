// A game whose script fills an array without end: the event stops at the
// variable budget with a line in the log, memory stays bounded, and the game
// goes on (a later event still runs). The budget follows --variable-budget.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "app_test_util.h"

namespace app {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

// The screen's show marks itself and fills A[1..count]; the root's process
// script, in the steps after it, prints once the show has run.
std::string FillingGame(int64_t count) {
  return R"J({"class": "TQZDB",
    "props": {"Id": "Filler", "InitScreen": 1, "SaveErr": true,
              "exProcess": "IF QZDB.HALL.TAG = 'shown' THEN Print('alive')"},
    "children": [{"class": "TQZScreen",
      "props": {"Key": 1, "Id": "Hall",
                "exShow": "TAG := 'shown'; I := 0; FOR I := 1 TO )J" +
         std::to_string(count) + R"J( DO A[I] := I"}}]})J";
}

long ChildrenPeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_maxrss;
}

TEST(ScriptBudgetGame, FillingAnArrayStopsAtTheVariableBudget) {
  const std::string stop = "Script stopped: variable budget exceeded";
  const struct {
    std::vector<std::string> args;
    int64_t count;
    bool stops;
  } rows[] = {
      {{}, 20'000'000, true},
      {{"--variable-budget", "100"}, 200, true},
      {{"--variable-budget", "100"}, 50, false},
  };
  for (const auto& row : rows) {
    TempDir game, users;
    apptest::BuildGame(game.Path(), "filler", FillingGame(row.count));
    std::vector<std::string> args = row.args;
    args.insert(args.end(), {"--console", "--steps", "4", game.Path().string()});
    const auto r = apptest::RunPlayer(users.Path(), args);
    const std::string log =
        std::filesystem::exists(game / "qazmir.err") ? ReadFile(game / "qazmir.err") : "";
    EXPECT_EQ(r.status, 0) << row.count << ": " << r.err;
    EXPECT_NE(r.out.find("alive"), std::string::npos) << row.count;
    EXPECT_EQ(log.find(stop) != std::string::npos, row.stops) << row.count << ": " << log;
#if !defined(__SANITIZE_ADDRESS__)
    // A million elements, not the 4.6 GB that twenty million took.
    if (row.count == 20'000'000) {
      EXPECT_LT(ChildrenPeakRssKb(), 512 * 1024);
    }
#endif
  }
  TempDir users;
  EXPECT_EQ(apptest::RunPlayer(users.Path(), {"--variable-budget", "-1"}).status, 2);
}

}  // namespace
}  // namespace app
