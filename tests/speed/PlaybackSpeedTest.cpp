// SPDX-License-Identifier: GPL-3.0-or-later
// The speed's steps, display and keeping, and the per-user settings file behind it.
#include "speed/PlaybackSpeed.h"

#include <gtest/gtest.h>

#include "support/FakeControls.h"
#include "support/ManualClock.h"
#include "support/MemoryFolder.h"
#include "support/SimulatedDevices.h"

namespace tessaly::test {
namespace {

TEST(PlaybackSpeed, StepsByATenthBetweenHalfAndDoubleAndShowsAllButNormal) {
  ManualClock clock;
  SimulatedMci mci{clock};
  SimulatedStream stream{clock};
  FakeLabel display{""};
  MemoryFolder folder;
  UserSettings settings{folder};
  PlaybackSpeed speed{mci, stream, display, &settings};
  speed.load();
  EXPECT_TRUE(mci.log().empty()) << "at 1.0 the devices are never told";
  EXPECT_EQ(display.caption(), "");

  const struct {
    const char* key;
    int tenths;
    const char* shown;
  } steps[] = {
      {"J", 9, "0.9×"}, {"J", 8, "0.8×"},  {"J", 7, "0.7×"},
      {"J", 6, "0.6×"}, {"J", 5, "0.5×"},  {"J", 5, "0.5×"},  // the slowest stays
      {"H", 10, ""},    {"K", 11, "1.1×"}, {"K", 12, "1.2×"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.key);
    if (*s.key == 'J') speed.slower();
    else if (*s.key == 'K') speed.faster();
    else speed.normal();
    EXPECT_EQ(speed.tenths(), s.tenths);
    EXPECT_EQ(display.caption(), s.shown);
    EXPECT_DOUBLE_EQ(mci.speed(), s.tenths / 10.0);
    EXPECT_DOUBLE_EQ(stream.speed(), s.tenths / 10.0);
  }
  for (int i = 0; i < 20; ++i) speed.faster();
  EXPECT_EQ(display.caption(), "2.0×");
  EXPECT_EQ(settings.get(PlaybackSpeed::kSettingsKey), "20");
  EXPECT_EQ(folder.writes, 16) << "a write for each of the 16 changes, none for the keys that changed nothing";
}

TEST(PlaybackSpeed, TheKeptSpeedComesBackAndOddValuesAreTamed) {
  const struct {
    const char* file;
    int tenths;
  } cases[] = {
      {"speed_tenths=7\n", 7},
      {"speed_tenths=1\n", 5},
      {"speed_tenths=99\n", 20},
      {"speed_tenths=fast\n", 10},
      {"# nothing\n", 10},
      {"speed_tenths = 13 \r\n", 13},
      {"speed_tenths=99999999999\n", 20},
      {"speed_tenths=-99999999999\n", 5},
      {"\xEF\xBB\xBFspeed_tenths=7\n", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ManualClock clock;
    SimulatedMci mci{clock};
    SimulatedStream stream{clock};
    FakeLabel display{""};
    MemoryFolder folder;
    folder.files[UserSettings::kFileName] = c.file;
    UserSettings settings{folder};
    PlaybackSpeed speed{mci, stream, display, &settings};
    speed.load();
    EXPECT_EQ(speed.tenths(), c.tenths);
    EXPECT_EQ(display.caption(), PlaybackSpeed::caption(c.tenths));
    EXPECT_DOUBLE_EQ(stream.speed(), c.tenths / 10.0);
  }
}

TEST(UserSettings, KeepsKeysItDoesNotKnowAndWritesOnlyChanges) {
  MemoryFolder folder;
  folder.files[UserSettings::kFileName] = "# comment\nlater_option=漢字 and spaces\n=no key\nbroken line\nspeed_tenths=8\n";
  UserSettings settings{folder};
  EXPECT_EQ(settings.get("later_option"), "漢字 and spaces");
  EXPECT_EQ(settings.getInt("later_option", -1), -1);
  settings.set("speed_tenths", "8");
  EXPECT_EQ(folder.writes, 0);
  settings.set("speed_tenths", "9");
  settings.set("new\nkey", "two\nlines");
  EXPECT_EQ(UserSettings::parse(folder.files[UserSettings::kFileName]),
            (std::map<std::string, std::string>{
                {"later_option", "漢字 and spaces"}, {"new key", "two lines"}, {"speed_tenths", "9"}}));
}

}  // namespace
}  // namespace tessaly::test
