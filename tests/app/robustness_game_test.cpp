// Whole games that once stalled or broke the player, kept as regressions of
// what the fuzz targets and the hostile-script tests found.

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app_test_util.h"
#include "scene/db.h"

namespace app {
namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

using RobustGame = apptest::HeadlessGameTest;

// Orders four billion layers apart (one from the game file, one set by a
// script): frames and hit tests visit only the layers in use,
// in order, instead of walking every layer in between.
TEST_F(RobustGame, FarApartOrdersDrawAndHitTestWithoutWalkingEveryLayer) {
  apptest::BuildGame(game_.Path(), "layers", R"J({"class": "TQZDB",
    "props": {"Id": "Layers", "InitScreen": 10},
    "children": [
      {"class": "TQZScreen",
       "props": {"Key": 10, "Id": "Hall",
                 "exShow": "QZDB.HALL.HIGH.ORDER := 2000000000"},
       "children": [
         {"class": "TQZShape", "props": {"Key": 11, "Id": "Low", "Order": -2000000000, "hxColor": 16711680,
                                         "rX": 100, "rY": 100, "SizeX": 200, "SizeY": 200}},
         {"class": "TQZShape", "props": {"Key": 12, "Id": "High", "hxColor": 255,
                                         "rX": 150, "rY": 150, "SizeX": 200, "SizeY": 200,
                                         "exMouseDown": "TAG := 'hit'"}}]}
    ]})J");
  const std::filesystem::path shot = game_ / "shot.png";
  PlayerOptions o = Options(5, "4 down 160 160\n4 up 160 160\n");
  o.screenshots.push_back({4, shot.string()});
  TFormMain window(o);
  ASSERT_EQ(window.Run(), 0);
  scene::TQZElement* high = window.Root()->FindByKey(12);
  ASSERT_NE(high, nullptr);
  EXPECT_EQ(high->Order, 2000000000);
  EXPECT_EQ(high->Tag, "hit");  // the element of the top layer takes the press
  int w, h;
  std::vector<uint32_t> px;
  ASSERT_TRUE(apptest::ReadPng(shot, w, h, px));
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFFu; };
  EXPECT_EQ(at(120, 120), 0xFF0000u);  // the low layer alone
  EXPECT_EQ(at(200, 200), 0x0000FFu);  // the high layer drawn over it
  EXPECT_EQ(at(330, 330), 0x0000FFu);
  EXPECT_EQ(at(500, 500), 0u);
}

}  // namespace
}  // namespace app
