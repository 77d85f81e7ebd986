// The pad and touch translation on its own: session lines in, the pointer
// and key lines they give out, one logic step per pass as in a headless run.

#include <gtest/gtest.h>

#include "app/pad_input.h"

namespace app {
namespace {

// Feeds the events of each pass to the translation (mouse lines only place
// the pointer), then runs one step; what it gives, as session lines.
std::string Translate(const std::string& lines, int passes, std::vector<PadPoint> hotspots = {}) {
  const InputScript script = ParseInputScript(lines);
  EXPECT_TRUE(script.error.empty()) << script.error;
  PadInput pad([&] { return hotspots; });
  std::string out;
  size_t next = 0;
  for (int pass = 1; pass <= passes; ++pass) {
    std::vector<InputEvent> given;
    for (; next < script.events.size() && script.events[next].pass == pass; ++next) {
      const InputEvent& ev = script.events[next];
      if (ev.kind == InputEvent::Kind::Move)
        pad.PointerAt(ev.x, ev.y);
      else
        pad.Handle(ev, given);
    }
    const size_t stepped = given.size();
    pad.Step(given);
    for (size_t i = 0; i < given.size(); ++i) {
      given[i].pass = pass;
      if (i >= stepped) given[i].step = 1;
      out += FormatInputEvent(given[i]) + "\n";
    }
  }
  return out;
}

// One stick axis, one step: the dead zone, the curve, full deflection both ways.
TEST(PadInput, StickSpeedPerStep) {
  struct Case {
    int32_t value;
    double pixels;
  } cases[] = {{0, 0},      {4915, 0},     {-4915, 0},    {4916, 1.0},       {16384, 7.61303},
               {32767, 40}, {-32767, -40}, {-32768, -40}, {-16384, -7.61303}};
  for (const Case& c : cases) EXPECT_NEAR(StickSpeed(c.value), c.pixels, 1e-4) << c.value;
}

// Buttons, carried fractions and pointers placed by other input.
TEST(PadInput, ButtonsAndSteps) {
  struct Case {
    const char* lines;
    int passes;
    const char* out;
  } cases[] = {
      // A presses and releases where the pointer is, also while it moves.
      {"1 pad a down\n2 pad a up\n", 2, "1 down 512 384\n2 up 512 384\n"},
      {"1 axis leftx 32767\n1 pad a down\n2 pad a up\n", 2,
       "1 down 512 384\n1 move 552 384 step 1\n2 up 552 384\n2 move 592 384 step 1\n"},
      // A second pad pressing what the first holds changes nothing.
      {"1 pad a down\n2 pad a down\n3 pad a up\n4 pad a up\n", 4, "1 down 512 384\n3 up 512 384\n"},
      // Keys as the keyboard gives them: the key, then its character.
      {"1 pad b down\n1 pad b up\n2 pad x down\n3 pad y down\n4 pad back down\n5 pad start down\n",
       5,
       "1 key 27\n1 char 27\n2 key 13\n2 char 13\n3 key 32\n3 char 32\n4 key 9\n4 char 9\n5 key "
       "27\n5 char 27\n"},
      {"1 pad guide down\n1 pad leftstick down\n1 pad misc1 down\n", 1, ""},
      // Fractions carry; a pointer placed by the mouse drops them.
      {"1 axis leftx 16384\n", 3,
       "1 move 519 384 step 1\n2 move 527 384 step 1\n3 move 534 384 step 1\n"},
      {"1 axis leftx 16384\n2 move 100 100\n", 3,
       "1 move 519 384 step 1\n2 move 107 100 step 1\n3 move 115 100 step 1\n"},
      // The d-pad adds 4 pixels a step to the sticks; the right stick a quarter.
      {"1 pad dpright down\n1 axis leftx 4916\n2 pad dpright up\n2 axis leftx 0\n", 2,
       "1 move 517 384 step 1\n"},
      {"1 axis righty -32768\n", 2, "1 move 512 374 step 1\n2 move 512 364 step 1\n"},
      // Clamped to the frame; nothing is given while the pointer stays.
      {"1 move 1020 5\n1 axis leftx 32767\n1 axis lefty -32768\n", 3, "1 move 1023 0 step 1\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Translate(c.lines, c.passes), c.out) << c.lines;
}

// The shoulders jump to the next or previous landing point after the
// pointer, y first, wrapping around.
TEST(PadInput, HotspotCycling) {
  const std::vector<PadPoint> spots = {{320, 70}, {125, 125}, {60, 400}, {700, 400}};
  struct Case {
    const char* lines;
    const char* out;
  } cases[] = {
      {"1 pad rightshoulder down\n1 pad rightshoulder up\n2 pad rightshoulder down\n2 pad "
       "rightshoulder up\n"
       "3 pad rightshoulder down\n3 pad rightshoulder up\n",
       "1 move 60 400\n2 move 700 400\n3 move 320 70\n"},
      {"1 pad leftshoulder down\n1 pad leftshoulder up\n2 pad leftshoulder down\n",
       "1 move 125 125\n2 move 320 70\n"},
      {"1 move 1000 700\n1 pad leftshoulder down\n", "1 move 700 400\n"},
      {"1 move 0 0\n1 pad leftshoulder down\n", "1 move 700 400\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Translate(c.lines, 3, spots), c.out) << c.lines;
  EXPECT_EQ(Translate("1 pad rightshoulder down\n", 1, {}), "");
  EXPECT_EQ(Translate("1 move 60 400\n1 pad rightshoulder down\n", 1, {{60, 400}}), "");
}

// A finger hovers, then taps on lifting or drags once it leaves the slop;
// two fingers together type Escape.
TEST(PadInput, TouchGestures) {
  struct Case {
    const char* lines;
    const char* out;
  } cases[] = {
      {"1 touch down 100 200\n2 touch move 104 196\n3 touch up 108 192\n",
       "1 move 100 200\n3 down 100 200\n3 up 100 200\n"},
      {"1 touch down 100 200\n2 touch move 105 200\n3 touch move 120 200\n4 touch up 130 210\n",
       "1 move 100 200\n3 down 100 200\n3 move 120 200\n4 move 130 210\n4 up 130 210\n"},
      {"1 touch down 100 200\n2 touch up 100 220\n",
       "1 move 100 200\n2 down 100 200\n2 move 100 220\n2 up 100 220\n"},
      {"1 touch down 100 200\n1 touch down 300 200 1\n2 touch move 150 200\n2 touch up 100 200\n3 "
       "touch up 300 200 1\n",
       "1 move 100 200\n3 key 27\n3 char 27\n"},
      // A second finger while dragging is ignored, and forgotten with the first.
      {"1 touch down 100 200\n2 touch move 150 200\n3 touch down 400 400 1\n3 touch move 400 420 "
       "1\n"
       "4 touch up 150 200\n5 touch up 400 420 1\n",
       "1 move 100 200\n2 down 100 200\n2 move 150 200\n4 up 150 200\n"},
      {"1 touch move 5 5\n2 touch up 5 5\n3 touch down 7 7\n3 touch down 7 7\n", "3 move 7 7\n"},
      // The pad goes on from where the finger left the pointer.
      {"1 touch down 100 200\n2 touch up 100 200\n2 axis leftx 32767\n3 axis leftx 0\n",
       "1 move 100 200\n2 down 100 200\n2 up 100 200\n2 move 140 200 step 1\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Translate(c.lines, 5), c.out) << c.lines;
}

TEST(PadInput, TriggersShowMarkers) {
  struct Case {
    const char* lines;
    bool shown;
  } cases[] = {{"", false},
               {"1 axis lefttrigger 4915\n", false},
               {"1 axis lefttrigger 4916\n", true},
               {"1 axis righttrigger 32767\n", true},
               {"1 axis righttrigger 32767\n1 axis righttrigger 0\n", false}};
  for (const Case& c : cases) {
    PadInput pad(nullptr);
    std::vector<InputEvent> out;
    for (const InputEvent& ev : ParseInputScript(c.lines).events) pad.Handle(ev, out);
    EXPECT_EQ(pad.MarkersShown(), c.shown) << c.lines;
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace app
