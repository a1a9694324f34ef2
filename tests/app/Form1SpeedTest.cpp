// SPDX-License-Identifier: GPL-3.0-or-later
// The speed keys in the main window's logic: every position stays file time, so the repeat
// loop keeps its range at any speed, and the keys reach both back-ends.
#include <gtest/gtest.h>

#include "Form1Rig.h"
#include "playback/PlayerLayouts.h"

namespace tessaly::test {
namespace {

TEST(Form1Speed, AKeyChangesTheSpeedButNotTheLoopsRange) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("lesson.wav", 60000));
  rig.clock.advance(10000);
  ASSERT_TRUE(rig.form->accessKey('x'));
  const PlayerVariables loop = rig.form->variables();
  ASSERT_EQ(loop.repeatState, RepeatState::Repeating);

  for (int i = 0; i < 5; ++i) rig.form->accessKey('j');  // down to 0.5×
  EXPECT_EQ(rig.label(layout::kSpeedLabel).caption(), "0.5×");
  EXPECT_DOUBLE_EQ(rig.mci.speed(), 0.5);
  EXPECT_DOUBLE_EQ(rig.stream.speed(), 0.5);
  EXPECT_EQ(rig.focus.owner, "Text1");
  EXPECT_EQ(rig.form->variables().segmentStart, loop.segmentStart);
  EXPECT_EQ(rig.form->variables().segmentEnd, loop.segmentEnd);

  // Two passes of the 10 s loop take 40 s of the clock at 0.5×, each the same range.
  rig.mci.clearLog();
  rig.clock.advance(40000);
  const auto played = rig.mci.played();
  ASSERT_GE(played.size(), 3u);
  for (std::size_t i = 1; i + 1 < played.size(); ++i)
    EXPECT_EQ(played[i],
              (PlayedRange{static_cast<std::int32_t>(loop.segmentStart), static_cast<std::int32_t>(loop.segmentEnd)}));
  EXPECT_LE(played.size(), 4u) << "not more passes than 0.5× allows";

  rig.form->accessKey('h');
  EXPECT_EQ(rig.label(layout::kSpeedLabel).caption(), "");
  EXPECT_DOUBLE_EQ(rig.mci.speed(), 1.0);
  ASSERT_TRUE(rig.form->accessKey('x'));  // leave the loop: it goes on from the loop's end
  EXPECT_EQ(rig.form->variables().segmentStart, loop.segmentEnd);
}

}  // namespace
}  // namespace tessaly::test
