// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/PlayerLayouts.h"

#include <gtest/gtest.h>

#include "PlayerRig.h"

namespace tessaly::test {
namespace {

// Applies a layout to buttons all enabled and all disabled (pictures all shown and all
// hidden): the cells the row leaves alone show up as the starting state.
std::string layoutFrom(bool start, Layout layout) {
  PlayerRig rig("x.wav");
  for (auto& button : rig.buttons) button->setEnabled(start);
  for (auto& picture : rig.pictures) picture.setVisible(start);
  applyLayout(layout, *rig.controls);
  return rig.layout();
}

TEST(PlayerLayouts, LayoutRowsSetExactlyTheirCells) {
  struct Row {
    Layout layout;
    std::string fromEnabled;
    std::string fromDisabled;
  };
  const Row rows[] = {
      {Layout::Start, "TTTTTTFTTTTTTTTTFTTTFTF", "TTTTTTFTTTTTTTTTFTTTFTF"},
      {Layout::Stop, "TTFFTFFFFTTTFFTFFFFTTFF", "TTFFTFFFFFTTFFTFFFFFTFF"},
      {Layout::EnterRepeatLoop, "TTTFFTFFFTTTTFFTFFFTFFT", "FFFFFTFFFFFFFFFTFFFFFFT"},
      {Layout::LeaveRepeatLoop, "TTTTTTFTTTTTTTTTFTTTFTF", "TTTTTTFTTFTTTTTTFTTFFTF"},
      {Layout::Pause, "FTFFFFTFFTFTFFFFTFFTTTT", "FFFFFFTFFFFFFFFFTFFFFFF"},
      {Layout::ContinueInRepeatLoop, "TTTFFTFFFTTTTFFTFFFTFFT", "TTTFFTFFFFTTTFFTFFFFFFT"},
      {Layout::ContinueInNormalListening, "TTTTTTFTTTTTTTTTFTTTFTF", "TTTTTTFTTFTTTTTTFTTFFTF"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(layoutFrom(true, row.layout), row.fromEnabled) << static_cast<int>(row.layout);
    EXPECT_EQ(layoutFrom(false, row.layout), row.fromDisabled) << static_cast<int>(row.layout);
  }
}

TEST(PlayerLayouts, PositionsGoBackToTheDeviceAsTheNearestWholeMillisecond) {
  EXPECT_EQ(toDevicePosition(1.0), 1);
  EXPECT_EQ(toDevicePosition(12000.4), 12000);
  EXPECT_EQ(toDevicePosition(12000.5), 12001);
  EXPECT_EQ(toDevicePosition(-499.6), -500);
  EXPECT_EQ(toDevicePosition(1e12), INT32_MAX);
  EXPECT_EQ(toDevicePosition(-1e12), INT32_MIN);
}

TEST(PlayerLayouts, CaptionsCarryTheirIdeographicSpaces) {
  const std::string space = "\u3000";
  EXPECT_EQ(std::string(captions::kWaitingAfterMciStop), std::string(captions::kWaiting) + space);
  EXPECT_EQ(std::string(captions::kPaused), "暂停 按" + space + "Alt + Z" + space + "继续朗读");
}

}  // namespace
}  // namespace tessaly::test
