// The auto-repeat rule of the hot keys, on the event sequences the X server sends a key grab.
#include "platform/x11/x11_key_repeat.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace pigmora::qt {
namespace {

struct KeyEvent {
  bool press;
  uint8_t keycode;
  uint32_t time;
};

struct Case {
  std::string name;
  std::vector<KeyEvent> events;
  std::vector<bool> newPresses;  // Press's answer for each press, in order
  bool detectable = false;       // the server confirmed detectable auto-repeat
};

const Case kCases[] = {
    {"detectable auto-repeat: presses without releases between",
     {{true, 34, 100}, {true, 34, 400}, {true, 34, 433}, {false, 34, 450}},
     {true, false, false}},
    {"core auto-repeat: release and press share a time stamp",
     {{true, 34, 100},
      {false, 34, 400},
      {true, 34, 400},
      {false, 34, 433},
      {true, 34, 433},
      {false, 34, 450}},
     {true, false, false}},
    {"two real presses",
     {{true, 34, 100}, {false, 34, 180}, {true, 34, 260}, {false, 34, 300}},
     {true, true}},
    {"a real press after a held one",
     {{true, 34, 100}, {false, 34, 400}, {true, 34, 400}, {false, 34, 450}, {true, 34, 900}},
     {true, false, true}},
    {"keys are apart: holding one does not swallow another",
     {{true, 34, 100}, {true, 35, 150}, {true, 34, 433}, {false, 35, 200}, {true, 35, 500}},
     {true, true, false, true}},
    {"a release of another key with the same time is no repeat",
     {{true, 34, 100}, {false, 35, 300}, {false, 34, 290}, {true, 34, 300}},
     {true, true}},
    {"detectable auto-repeat confirmed: a held key's presses are repeats",
     {{true, 34, 100}, {true, 34, 400}, {true, 34, 433}, {false, 34, 450}, {true, 34, 900}},
     {true, false, false, true},
     true},
    {"detectable auto-repeat confirmed: a release and a press in one millisecond are two presses",
     {{true, 34, 100}, {false, 34, 100}, {true, 34, 100}, {false, 34, 100}, {true, 34, 100}},
     {true, true, true},
     true},
};

class HeldKeysTest : public testing::TestWithParam<Case> {};

TEST_P(HeldKeysTest, TellsNewPressesFromRepeats) {
  HeldKeys held;
  held.SetDetectableAutoRepeat(GetParam().detectable);
  std::vector<bool> answers;
  for (const KeyEvent& event : GetParam().events) {
    if (event.press) {
      answers.push_back(held.Press(event.keycode, event.time));
    } else {
      held.Release(event.keycode, event.time);
    }
  }
  EXPECT_EQ(answers, GetParam().newPresses);
}

INSTANTIATE_TEST_SUITE_P(Sequences, HeldKeysTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           std::string name;
                           for (char c : info.param.name)
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(HeldKeys, ClearForgetsAKeyWhoseReleaseWasNotSeen) {
  HeldKeys held;
  ASSERT_TRUE(held.Press(34, 100));
  held.Clear();
  EXPECT_TRUE(held.Press(34, 900));
}

}  // namespace
}  // namespace pigmora::qt
