// SPDX-License-Identifier: GPL-3.0-or-later
#include "dictation/AppearanceFile.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include <string>

#include "dictation/AppearanceSettings.h"

namespace tessaly {
namespace {

using namespace std::string_literals;

// The default record written out by hand from the file layout.
std::string defaultRecordBytes() {
  std::string bytes = std::string(6, '\0')                   // reservedHead
                      + "\x00\x00\x00\x00\x00\x40\x9F\x40"s  // 2000.0
                      + "\x40\x00"s                          // fontSize 64
                      + "\x01\x00"s                          // notBold 1
                      + std::string(4, '\0')                 // reservedInt2, reservedInt3
                      + "\x00\x00"s                          // textColourIndex 0
                      + "\x04\x00"s                          // backColourIndex 4
                      + "\x00\x00\x01\x00\x64\x00\x05\x00"s  // reservedInt6 to 9: 0 1 100 5
                      + std::string(32, '\0');               // reservedReal1 to 4
  for (int i = 0; i < 15; ++i) bytes += "\x01\x00\x30"s;     // "0" each
  return bytes;
}

// A record of the layout with the given numbers at their offsets and the given texts.
std::string recordBytes(std::int16_t fontSize, std::int16_t notBold, std::int16_t textIndex, std::int16_t backIndex,
                        const std::string& texts) {
  std::string bytes = defaultRecordBytes().substr(0, 66);
  auto put = [&](std::size_t at, std::int16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
  };
  put(14, fontSize);
  put(16, notBold);
  put(22, textIndex);
  put(24, backIndex);
  return bytes + texts;
}

std::string fifteenTexts(const std::string& first) {
  std::string texts = std::string(1, static_cast<char>(first.size())) + '\0' + first;
  for (int i = 1; i < 15; ++i) texts += "\x00\x00"s;
  return texts;
}

TEST(AppearanceFile, RecordsTakeTheirBytesOfTheLayout) {
  const std::string written = serialiseAppearanceRecord(defaultAppearanceRecord());
  EXPECT_EQ(written.size(), 111u);
  EXPECT_EQ(written, defaultRecordBytes());

  const std::string cleared = serialiseAppearanceRecord(AppearanceRecord{});
  EXPECT_EQ(cleared, std::string(96, '\0'));

  AppearanceRecord texts;
  texts.reservedTexts[0] = "0";
  texts.reservedTexts[14] = "\xB2\xE2";  // GB18030 bytes are written as they are
  const std::string withTexts = serialiseAppearanceRecord(texts);
  EXPECT_EQ(withTexts.substr(66, 5), "\x01\x00\x30\x00\x00"s);
  EXPECT_EQ(withTexts.substr(withTexts.size() - 4), "\x02\x00\xB2\xE2"s);
}

TEST(AppearanceFile, AWholeFileRoundTripsByteForByte) {
  const std::string slot0 = recordBytes(12, 0, 3, 10, fifteenTexts("\xC4\xE3\xBA\xC3"));
  const std::string slot1 = recordBytes(-2, 1, -7, 300, fifteenTexts(std::string(200, 'q')));
  const std::string slot2 = defaultRecordBytes();
  std::string slot3 = std::string(96, '\0');
  slot3[5] = '\x7F';  // unused bytes too
  slot3[40] = '\xFF';
  const std::string tail = "beyond the four records\x00\xFF"s;
  const std::string bytes = slot0 + slot1 + slot2 + slot3 + tail;

  const AppearanceFile file = parseAppearanceFile(bytes);
  EXPECT_EQ(file.records[0].fontSize, 12);
  EXPECT_EQ(file.records[0].notBold, 0);
  EXPECT_EQ(file.records[0].textColourIndex, 3);
  EXPECT_EQ(file.records[0].backColourIndex, 10);
  EXPECT_EQ(file.records[0].reservedTexts[0], "\xC4\xE3\xBA\xC3");
  EXPECT_EQ(file.records[1].fontSize, -2);
  EXPECT_EQ(file.records[1].textColourIndex, -7);
  EXPECT_EQ(file.records[1].backColourIndex, 300);
  EXPECT_EQ(file.records[1].reservedTexts[0].size(), 200u);
  EXPECT_EQ(file.records[2].reservedReal0, 2000.0);
  EXPECT_EQ(file.records[2].reservedInt8, 100);
  EXPECT_EQ(file.records[3].reservedHead[5], '\x7F');
  EXPECT_EQ(file.tail, tail);
  EXPECT_EQ(serialiseAppearanceFile(file), bytes);
}

TEST(AppearanceFile, WhatAShortFileDoesNotHoldStaysCleared) {
  const std::string full = defaultRecordBytes();
  const AppearanceFile empty = parseAppearanceFile("");
  for (const auto& slot : empty.records) EXPECT_EQ(serialiseAppearanceRecord(slot), std::string(96, '\0'));

  // Up to and including fontSize: the rest of slot 0 and the other records are cleared.
  const AppearanceFile upToSize = parseAppearanceFile(full.substr(0, 16));
  EXPECT_EQ(upToSize.records[0].reservedReal0, 2000.0);
  EXPECT_EQ(upToSize.records[0].fontSize, 64);
  EXPECT_EQ(upToSize.records[0].notBold, 0);
  EXPECT_EQ(upToSize.records[0].backColourIndex, 0);
  EXPECT_EQ(upToSize.records[0].reservedTexts[0], "");
  EXPECT_EQ(serialiseAppearanceRecord(upToSize.records[1]), std::string(96, '\0'));

  // A number cut by the end keeps the byte that is there.
  EXPECT_EQ(parseAppearanceFile(full.substr(0, 15)).records[0].fontSize, 64);

  // The first text of slot 1 missing: slot 0 whole, slot 1 up to its texts.
  const AppearanceFile oneAndABit = parseAppearanceFile(full + full.substr(0, 66));
  EXPECT_EQ(serialiseAppearanceRecord(oneAndABit.records[0]), full);
  EXPECT_EQ(oneAndABit.records[1].fontSize, 64);
  EXPECT_EQ(oneAndABit.records[1].reservedTexts[0], "");
  EXPECT_TRUE(oneAndABit.tail.empty());
}

TEST(AppearanceFile, ATextRunningPastTheEndHoldsOnlyWhatIsThere) {
  for (const std::string& length : {"\x05\x00"s, "\xFF\xFF"s}) {
    const AppearanceFile file = parseAppearanceFile(defaultRecordBytes().substr(0, 66) + length + "ab");
    EXPECT_EQ(file.records[0].reservedTexts[0], "ab");
    EXPECT_EQ(file.records[0].reservedTexts[1], "");
    // Written back, the text's count says what it holds.
    EXPECT_EQ(serialiseAppearanceRecord(file.records[0]).substr(66, 6),
              "\x02\x00"
              "ab\x00\x00"s);
  }
}

// WCAG's contrast ratio of two sRGB colours.
double contrast(ui::Rgb a, ui::Rgb b) {
  const auto luminance = [](ui::Rgb c) {
    const auto channel = [](int v) {
      const double s = v / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(AppearanceFile, TheShippedFirstStartIsReadableAndOtherwiseTheDefault) {
  const AppearanceFile shipped = firstStartAppearanceFile();
  const AppearanceRecord& slot0 = shipped.records[0];
  EXPECT_GE(slot0.fontSize, 18);
  EXPECT_LE(slot0.fontSize, 24);
  EXPECT_EQ(slot0.notBold, 1);
  ASSERT_GE(slot0.textColourIndex, 0);
  ASSERT_LT(slot0.textColourIndex, 6);
  ASSERT_GE(slot0.backColourIndex, 0);
  ASSERT_LT(slot0.backColourIndex, 11);
  EXPECT_GE(contrast(textColourCycle[static_cast<std::size_t>(slot0.textColourIndex)],
                     backColourCycle[static_cast<std::size_t>(slot0.backColourIndex)]),
            4.5);
  EXPECT_LT(contrast(textColourCycle[0], backColourCycle[4]), 1.5) << "the default record's yellow on green";

  // Apart from those three fields, every byte is the default record's, in all four slots.
  AppearanceRecord expected0 = defaultAppearanceRecord();
  expected0.fontSize = slot0.fontSize;
  expected0.textColourIndex = slot0.textColourIndex;
  expected0.backColourIndex = slot0.backColourIndex;
  const std::string defaults = serialiseAppearanceRecord(defaultAppearanceRecord());
  EXPECT_EQ(serialiseAppearanceFile(shipped), serialiseAppearanceRecord(expected0) + defaults + defaults + defaults);
  EXPECT_EQ(serialiseAppearanceFile(shipped).size(), 4 * 111u);
}

}  // namespace
}  // namespace tessaly
