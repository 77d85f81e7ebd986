// The session format: events, directives and what stops a replay before the
// game starts.

#include <gtest/gtest.h>

#include "app/input_script.h"

namespace app {
namespace {

TEST(InputScript, EveryEventKindCommentsAndDirectives) {
  auto s = ParseInputScript(
      "# a comment\nseed 42\nstart-time 2026-12-07 09:30:15\ndesktop 1280 1024\ngame Tower of Ash\n"
      "\n1 move 10 20\n2 down 3 4 # trailing comment\n2 up 3 4\n"
      "3 key 13 alt\n3 key 65\n4 char 1046\n5 activate 0\n5 steps 0\n6 clock 46363.25\n");
  ASSERT_TRUE(s.error.empty()) << s.error;
  EXPECT_EQ(s.header.seed, 42u);
  EXPECT_EQ(FormatStartTime(*s.header.startTime), "2026-12-07 09:30:15");
  EXPECT_EQ(s.header.desktop, std::make_pair(1280, 1024));
  EXPECT_EQ(s.header.game, "Tower of Ash");
  ASSERT_EQ(s.events.size(), 9u);
  EXPECT_EQ(s.events[0].kind, InputEvent::Kind::Move);
  EXPECT_EQ(s.events[0].x, 10);
  EXPECT_EQ(s.events[0].y, 20);
  EXPECT_EQ(s.events[1].pass, 2);
  EXPECT_TRUE(s.events[3].alt);
  EXPECT_FALSE(s.events[4].alt);
  EXPECT_EQ(s.events[5].code, 1046);
  EXPECT_EQ(s.events[6].kind, InputEvent::Kind::Activate);
  EXPECT_EQ(s.events[7].kind, InputEvent::Kind::Steps);
  EXPECT_EQ(s.events[8].clock, 46363.25);
  // What is written reads back the same, clock readings to the last bit.
  InputEvent clock;
  clock.pass = 9;
  clock.kind = InputEvent::Kind::Clock;
  clock.clock = 46363.123456789012;
  auto again = ParseInputScript(FormatSessionHeader(s.header) + FormatInputEvent(clock) + "\n");
  ASSERT_TRUE(again.error.empty()) << again.error;
  EXPECT_EQ(again.header.startTime, s.header.startTime);
  EXPECT_EQ(again.header.game, s.header.game);
  EXPECT_EQ(again.events[0].clock, clock.clock);
}

// Pad, axis and touch lines, and a move given inside a logic step, read back
// as they are written.
TEST(InputScript, DeviceLinesRoundTrip) {
  struct Case {
    const char* line;
    InputEvent::Kind kind;
    int32_t code, value, x, y, step;
  } cases[] = {
      {"3 pad a down", InputEvent::Kind::Pad, 0, 1, 0, 0, 0},
      {"3 pad rightshoulder up", InputEvent::Kind::Pad, 10, 0, 0, 0, 0},
      {"3 pad dpright down", InputEvent::Kind::Pad, 14, 1, 0, 0, 0},
      {"4 axis leftx -32768", InputEvent::Kind::Axis, 0, -32768, 0, 0, 0},
      {"4 axis righttrigger 32767", InputEvent::Kind::Axis, 5, 32767, 0, 0, 0},
      {"5 touch down 10 20", InputEvent::Kind::Touch, 0, 0, 10, 20, 0},
      {"5 touch move 11 21 2", InputEvent::Kind::Touch, 1, 2, 11, 21, 0},
      {"5 touch up 12 22 1", InputEvent::Kind::Touch, 2, 1, 12, 22, 0},
      {"6 move 513 384 step 2", InputEvent::Kind::Move, 0, 0, 513, 384, 2},
  };
  for (const Case& c : cases) {
    auto s = ParseInputScript(c.line);
    ASSERT_TRUE(s.error.empty()) << c.line << ": " << s.error;
    ASSERT_EQ(s.events.size(), 1u) << c.line;
    const InputEvent& ev = s.events[0];
    EXPECT_EQ(ev.kind, c.kind) << c.line;
    EXPECT_EQ(ev.code, c.code) << c.line;
    EXPECT_EQ(ev.value, c.value) << c.line;
    EXPECT_EQ(ev.x, c.x) << c.line;
    EXPECT_EQ(ev.y, c.y) << c.line;
    EXPECT_EQ(ev.step, c.step) << c.line;
    EXPECT_EQ(FormatInputEvent(ev), c.line);
  }
  EXPECT_EQ(FormatInputEvent(ParseInputScript("5 touch down 10 20 0").events.at(0)),
            "5 touch down 10 20");
}

// Every kind of bad line names its line.
TEST(InputScript, BadLines) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"0 move 1 2", "line 1: expected a pass number of at least 1, found \"0\""},
      {"1 jump", "line 1: unknown event \"jump\""},
      {"1 move 1", "line 1: expected two coordinates after \"move\""},
      {"1 key 300", "line 1: expected a virtual-key code from 0 to 255 after \"key\""},
      {"1 key 13 ctrl", "line 1: unknown key modifier \"ctrl\""},
      {"1 activate 2", "line 1: expected 0 or 1 after \"activate\""},
      {"1 char 70000", "line 1: expected a UTF-16 code unit after \"char\""},
      {"1 up 1 2 3", "line 1: unexpected \"3\" at the end of the line"},
      {"1 steps 33", "line 1: expected a step count from 0 to 32 after \"steps\""},
      {"1 clock nan", "line 1: expected a date-time number after \"clock\""},
      {"1 clock 1e300", "line 1: expected a date-time number after \"clock\""},
      {"1 move 1 2\n1 bogus\n", "line 2: unknown event \"bogus\""},
      {"5 move 1 2\n4 move 1 2\n", "line 2: pass 4 comes after pass 5"},
      {"speed 3", "line 1: unknown directive \"speed\""},
      {"seed x", "line 1: expected a seed (a whole number) after \"seed\""},
      {"seed 1\nseed 2", "line 2: \"seed\" is given twice"},
      {"start-time 2026-13-01 00:00:00", "line 1: expected \"YYYY-MM-DD hh:mm:ss\" after \"start-time\""},
      {"desktop 1280", "line 1: expected a width and a height after \"desktop\""},
      {"game", "line 1: expected the game's Id after \"game\""},
      {"1 move 1 2\nseed 3", "line 2: directives come before the first event"},
      {"1 pad z down", "line 1: expected a button name and \"down\" or \"up\" after \"pad\""},
      {"1 pad a", "line 1: expected a button name and \"down\" or \"up\" after \"pad\""},
      {"1 pad A down", "line 1: expected a button name and \"down\" or \"up\" after \"pad\""},
      {"1 axis leftx 32768", "line 1: expected an axis name and a value from -32768 to 32767 after \"axis\""},
      {"1 axis wheel 3", "line 1: expected an axis name and a value from -32768 to 32767 after \"axis\""},
      {"1 touch tap 1 2", "line 1: expected \"down\", \"move\" or \"up\" and two coordinates after \"touch\""},
      {"1 touch up 1", "line 1: expected \"down\", \"move\" or \"up\" and two coordinates after \"touch\""},
      {"1 touch up 1 2 x", "line 1: expected a finger number from 0 to 1000 after the coordinates"},
      {"1 touch up 1 2 3 4", "line 1: unexpected \"4\" at the end of the line"},
      {"1 move 1 2 step 0", "line 1: expected \"step\" and a step from 1 to 32 after the coordinates"},
      {"1 move 1 2 3", "line 1: expected \"step\" and a step from 1 to 32 after the coordinates"},
      {"1 pad a down now", "line 1: unexpected \"now\" at the end of the line"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInputScript(c.text).error, c.error) << c.text;
}

}  // namespace
}  // namespace app
