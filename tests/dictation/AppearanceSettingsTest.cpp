// SPDX-License-Identifier: GPL-3.0-or-later
#include "dictation/AppearanceSettings.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/FakeControls.h"
#include "support/TempFolder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::inodeOf;
using test::readBytes;
using test::writeBytes;
using ui::Rgb;

constexpr Rgb yellow{255, 255, 0};

class AppearanceSettingsTest : public ::testing::Test {
 protected:
  // Writes a settings file whose slot 0 is the default record changed by `change`.
  template <typename Change>
  void writeSlot0(Change change) {
    AppearanceFile file;
    file.records[0] = defaultAppearanceRecord();
    change(file.records[0]);
    writeBytes(settingsFile, serialiseAppearanceFile(file));
  }
  void load() { settings.loadAppearance(); }
  AppearanceRecord slot0OnDisk() const { return parseAppearanceFile(readBytes(settingsFile)).records[0]; }

  test::TempFolder folder;
  const fs::path settingsFile = folder / "900_8.dat";
  test::Focus focus;
  test::FakeTextBox text1{focus, "Text1"};
  test::FakeMessageBox messages;
  AppearanceSettings settings{text1, settingsFile, messages};
};

TEST_F(AppearanceSettingsTest, AnAbsentOrEmptyFileGivesTheDefaultRecord) {
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty" : "absent");
    if (empty) writeBytes(settingsFile, "");
    text1.setBold(true);
    load();
    EXPECT_EQ(text1.fontSize(), 64);
    EXPECT_FALSE(text1.bold());
    EXPECT_EQ(text1.textColour(), yellow);
    EXPECT_EQ(text1.backColour(), (Rgb{211, 245, 203}));
    EXPECT_EQ(serialiseAppearanceRecord(settings.slot0()), serialiseAppearanceRecord(defaultAppearanceRecord()));
  }
  EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AppearanceSettingsTest, AShortFileIsAppliedAsCleared) {
  writeBytes(settingsFile, std::string(10, '\x11'));  // ends inside reservedReal0
  load();
  EXPECT_EQ(text1.fontSize(), 0);  // the text box shows it at its smallest size
  EXPECT_TRUE(text1.bold());
  EXPECT_EQ(text1.textColour(), textColourCycle[0]);
  EXPECT_EQ(text1.backColour(), backColourCycle[0]);
}

TEST_F(AppearanceSettingsTest, IndexesOutsideTheCyclesLeaveTheColours) {
  writeSlot0([](AppearanceRecord& r) {
    r.textColourIndex = 6;
    r.backColourIndex = -1;
  });
  const Rgb text = text1.textColour(), back = text1.backColour();
  load();
  EXPECT_EQ(text1.textColour(), text);
  EXPECT_EQ(text1.backColour(), back);
}

TEST_F(AppearanceSettingsTest, SizeCommandsStopAt61And5) {
  const struct {
    std::int16_t from;
    bool bigger;
    std::int16_t to;
  } cases[] = {
      {60, true, 61},  {61, true, 61}, {64, true, 64},  // the default 64 cannot grow
      {64, false, 63}, {6, false, 5},  {5, false, 5},  {0, false, 0}, {0, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + (c.bigger ? " bigger" : " smaller"));
    writeSlot0([&](AppearanceRecord& r) { r.fontSize = c.from; });
    load();
    const auto inode = inodeOf(settingsFile);
    focus.owner.clear();
    c.bigger ? settings.fontBiggerCommand() : settings.fontSmallerCommand();
    EXPECT_EQ(settings.slot0().fontSize, c.to);
    EXPECT_EQ(text1.fontSize(), c.to);
    EXPECT_EQ(slot0OnDisk().fontSize, c.to);
    EXPECT_EQ(inodeOf(settingsFile) != inode, c.from != c.to) << "written only on a change";
    EXPECT_EQ(focus.owner, "Text1");
  }
}

TEST_F(AppearanceSettingsTest, BoldFollowsWhatTheBoxShows) {
  writeSlot0([](AppearanceRecord& r) { r.notBold = 1; });
  load();
  text1.setBold(true);  // the box disagrees with the record
  settings.boldCommand();
  EXPECT_FALSE(text1.bold());
  EXPECT_EQ(slot0OnDisk().notBold, 1);

  writeSlot0([](AppearanceRecord& r) { r.notBold = 7; });  // any value but 1 is bold
  load();
  EXPECT_TRUE(text1.bold());
  settings.boldCommand();
  EXPECT_FALSE(text1.bold());
  EXPECT_EQ(slot0OnDisk().notBold, 1);
  settings.boldCommand();
  EXPECT_TRUE(text1.bold());
  EXPECT_EQ(slot0OnDisk().notBold, 0);
  EXPECT_EQ(focus.owner, "Text1");
}

TEST_F(AppearanceSettingsTest, ColourCommandsStepThroughTheirCycles) {
  const Rgb untouched{1, 2, 3};
  const struct {
    bool text;
    std::int16_t from;
    std::int16_t to;
    std::optional<Rgb> shown;  // nothing: the colour is left as it was
  } cases[] = {
      {true, 5, 0, yellow},
      {true, 0, 1, Rgb{255, 0, 0}},
      {true, 4, 5, Rgb{0, 255, 0}},
      {true, 6, 6, std::nullopt},  // outside the cycle: never moves
      {true, -1, -1, std::nullopt},
      {false, 10, 0, Rgb{255, 236, 236}},
      {false, 9, 10, Rgb{255, 0, 225}},
      {false, 3, 4, Rgb{211, 245, 203}},
      {false, 11, 0, Rgb{255, 236, 236}},  // above 9 goes to 0
      {false, 32767, 0, Rgb{255, 236, 236}},
      {false, -3, -2, std::nullopt},  // below 0 counts up towards 0
      {false, -1, 0, Rgb{255, 236, 236}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text ? "text " : "back ") + std::to_string(c.from));
    writeSlot0([&](AppearanceRecord& r) { (c.text ? r.textColourIndex : r.backColourIndex) = c.from; });
    load();
    text1.setTextColour(untouched);
    text1.setBackColour(untouched);
    const auto inode = inodeOf(settingsFile);
    c.text ? settings.textColourCommand() : settings.backColourCommand();
    const AppearanceRecord onDisk = slot0OnDisk();
    EXPECT_EQ(c.text ? onDisk.textColourIndex : onDisk.backColourIndex, c.to);
    EXPECT_EQ(c.text ? text1.textColour() : text1.backColour(), c.shown.value_or(untouched));
    EXPECT_EQ(c.text ? text1.backColour() : text1.textColour(), untouched);
    EXPECT_NE(inodeOf(settingsFile), inode) << "always written";
    EXPECT_EQ(focus.owner, "Text1");
  }
}

TEST_F(AppearanceSettingsTest, WritesCarryEverythingButSlot0sSettingsAlong) {
  AppearanceFile original;
  original.records[0] = defaultAppearanceRecord();
  original.records[0].reservedTexts[3] = "\xB2\xE2\xCA\xD4";
  original.records[0].reservedInt2 = -5;
  original.records[1].fontSize = 33;
  original.records[1].reservedTexts[0] = std::string(300, 'x');
  original.records[2] = defaultAppearanceRecord();
  original.records[3].reservedHead = {'h', 'e', 'a', 'd', '!', '\xFF'};
  original.tail = std::string(1000, '\x5A');  // an old file once longer than now
  const std::string bytes = serialiseAppearanceFile(original);
  writeBytes(settingsFile, bytes);

  load();
  settings.fontSmallerCommand();
  settings.boldCommand();
  settings.textColourCommand();
  settings.backColourCommand();

  AppearanceFile expected = original;
  expected.records[0].fontSize = 63;
  expected.records[0].notBold = 0;
  expected.records[0].textColourIndex = 1;
  expected.records[0].backColourIndex = 5;
  EXPECT_EQ(readBytes(settingsFile), serialiseAppearanceFile(expected));
  EXPECT_EQ(readBytes(settingsFile).size(), bytes.size());
}

TEST_F(AppearanceSettingsTest, ChangesComeBackOnTheNextRun) {
  load();
  settings.fontSmallerCommand();
  settings.fontSmallerCommand();
  settings.boldCommand();
  settings.textColourCommand();
  settings.backColourCommand();
  EXPECT_EQ(readBytes(settingsFile).size(), 111u + 3 * 96u);  // slot 0 default, 1 to 3 cleared

  test::FakeTextBox nextText1{focus, "Text1"};
  AppearanceSettings next{nextText1, settingsFile, messages};
  next.loadAppearance();
  EXPECT_EQ(nextText1.fontSize(), 62);
  EXPECT_TRUE(nextText1.bold());
  EXPECT_EQ(nextText1.textColour(), (Rgb{255, 0, 0}));
  EXPECT_EQ(nextText1.backColour(), (Rgb{255, 255, 236}));
  EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AppearanceSettingsTest, AFailedWriteIsToldOnceAndTheChangeStaysOnScreen) {
  // The program folder's path runs through a regular file: no write can succeed.
  writeBytes(folder / "not-a-folder", "x");
  AppearanceSettings blocked{text1, folder / "not-a-folder" / "900_8.dat", messages};
  blocked.loadAppearance();
  blocked.fontSmallerCommand();
  blocked.fontSmallerCommand();
  blocked.boldCommand();
  blocked.backColourCommand();
  EXPECT_EQ(text1.fontSize(), 62);
  EXPECT_TRUE(text1.bold());
  EXPECT_EQ(text1.backColour(), (Rgb{255, 255, 236}));
  ASSERT_EQ(messages.shown().size(), 1u);
  EXPECT_NE(messages.shown()[0].find("not-a-folder/900_8.dat"), std::string::npos);

  // Once a write succeeds again, a later failure is told again.
  fs::remove(folder / "not-a-folder");
  fs::create_directory(folder / "not-a-folder");
  blocked.textColourCommand();
  EXPECT_EQ(parseAppearanceFile(readBytes(folder / "not-a-folder" / "900_8.dat")).records[0].fontSize, 62);
  fs::remove(folder / "not-a-folder" / "900_8.dat");
  fs::create_directory(folder / "not-a-folder" / "900_8.dat");  // a directory in the way
  blocked.textColourCommand();
  EXPECT_EQ(messages.shown().size(), 2u);
}

}  // namespace
TEST_F(AppearanceSettingsTest, LoadingMakesAnAbsentFileAndALongFileKeepsWhatLiesBeyondItsRecords) {
  load();
  ASSERT_TRUE(fs::is_regular_file(settingsFile)) << "made at load, as an open for reading and writing does";
  EXPECT_EQ(fs::file_size(settingsFile), 0u);

  // Records whose texts are long (a read of the first few kilobytes ends inside them), then
  // 30 MB of other bytes: the records are read, the rest is never needed and always kept.
  AppearanceFile file;
  for (auto& record : file.records) {
    record = defaultAppearanceRecord();
    record.reservedTexts.fill(std::string(3000, 'x'));
  }
  file.records[0].fontSize = 20;
  std::string tail(30u << 20, '\0');
  for (std::size_t i = 0; i < tail.size(); i += 4096) tail[i] = static_cast<char>(i >> 12);
  file.tail = tail;
  writeBytes(settingsFile, serialiseAppearanceFile(file));
  load();
  EXPECT_EQ(text1.fontSize(), 20);
  settings.fontBiggerCommand();
  file.records[0].fontSize = 21;
  EXPECT_EQ(readBytes(settingsFile), serialiseAppearanceFile(file));
}

}  // namespace tessaly
