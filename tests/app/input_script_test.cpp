// The replayed-input format.

#include <gtest/gtest.h>

#include "app/input_script.h"

namespace app {
namespace {

TEST(InputScript, EveryEventKindCommentsAndErrors) {
  auto s = ParseInputScript(
      "# a comment\n\n1 move 10 20\n2 down 3 4 # trailing comment\n2 up 3 4\n"
      "3 key 13 alt\n3 key 65\n4 char 1046\n5 activate 0\n");
  ASSERT_TRUE(s.error.empty()) << s.error;
  ASSERT_EQ(s.events.size(), 7u);
  EXPECT_EQ(s.events[0].kind, InputEvent::Kind::Move);
  EXPECT_EQ(s.events[0].x, 10);
  EXPECT_EQ(s.events[0].y, 20);
  EXPECT_EQ(s.events[1].pass, 2);
  EXPECT_EQ(s.events[3].kind, InputEvent::Kind::Key);
  EXPECT_TRUE(s.events[3].alt);
  EXPECT_FALSE(s.events[4].alt);
  EXPECT_EQ(s.events[5].code, 1046);
  EXPECT_EQ(s.events[6].kind, InputEvent::Kind::Activate);
  EXPECT_EQ(s.events[6].code, 0);

  for (const char* bad : {"0 move 1 2", "x move 1 2", "1 jump", "1 move 1", "1 key 300",
                          "1 key 13 ctrl", "1 activate 2", "1 char 70000", "1 up 1 2 3"}) {
    EXPECT_FALSE(ParseInputScript(bad).error.empty()) << bad;
  }
  EXPECT_EQ(ParseInputScript("1 move 1 2\n1 bogus\n").error.substr(0, 6), "line 2");
}

}  // namespace
}  // namespace app
