// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlayListFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Entries = std::vector<std::string>;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

TEST(EntryType, IsTheLastTwoCharactersNotBytes) {
  const struct {
    std::string entry;
    std::string type;
  } rows[] = {
      {"/voice/a.wav", "av"},
      {"/voice/b.WAV", "AV"},
      {"/voice/c.ram", "am"},
      {"/voice/d.ra", "ra"},
      {"/voice/e.rm", "rm"},
      {"/voice/f.mp3", "p3"},
      {"/听力/课文一", "文一"},
      {"a😀", "a😀"},
      {"x", "x"},
      {"", ""},
      {"a.mp3  ", "  "},
  };
  for (const auto& row : rows) EXPECT_EQ(entryType(row.entry), row.type) << row.entry;
}

TEST(IsMixedList, ComparesEveryEntryWithTheFirst) {
  const struct {
    Entries entries;
    bool mixed;
  } rows[] = {
      {{}, false},
      {{"/v/a.mp3"}, false},
      {{"/v/a.mp3", "/w/b.mp3", "/x/c.mp3"}, false},
      {{"/v/a.ra", "/v/b.ram"}, true},   // "ra" and "am"
      {{"/v/a.wav", "/v/b.WAV"}, true},  // case-sensitive
      {{"/v/a.mp3", "/v/b.mp3", "/v/c.wav"}, true},
      {{"/v/a.mp3", "/v/b.mp3 "}, true},  // a trailing space is part of the entry
      // Same last two bytes, different last two characters.
      {{"/v/a甲", "/v/b甲"}, true},
      {{"/v/课文", "/w/课文"}, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(isMixedList(row.entries), row.mixed) << ::testing::PrintToString(row.entries);
  }
}

TEST(ListReaders, EditingKeepsLinesAsReadPlayingTrimsAsciiSpaces) {
  const std::string ideographicSpace = "\u3000";
  const struct {
    std::string bytes;
    Entries editing;
    Entries playing;
  } rows[] = {
      {"", {}, {}},
      {"/v/a.mp3\r\n", {"/v/a.mp3"}, {"/v/a.mp3"}},
      {"/v/a.mp3  \r\n  /v/b.mp3\r\n", {"/v/a.mp3  ", "  /v/b.mp3"}, {"/v/a.mp3", "/v/b.mp3"}},
      {"/v/a\r\n\r\n/v/b\r\n", {"/v/a", "", "/v/b"}, {"/v/a", "", "/v/b"}},
      {"/v/a\r\n   \r\n", {"/v/a", "   "}, {"/v/a", ""}},
      {"/v/a\r/v/b", {"/v/a", "/v/b"}, {"/v/a", "/v/b"}},  // CR alone; no end on the last
      // Written by another tool with lone line feeds: one single line for both readers.
      {"/v/a.mp3\n/v/b.mp3\n", {"/v/a.mp3\n/v/b.mp3\n"}, {"/v/a.mp3\n/v/b.mp3\n"}},
      // Only U+0020 is trimmed for playing.
      {"\t/v/a.mp3" + ideographicSpace + " \r\n",
       {"\t/v/a.mp3" + ideographicSpace + " "},
       {"\t/v/a.mp3" + ideographicSpace}},
      {utf8ToGb18030(" /听力/第一课.mp3 ") + "\r\n", {" /听力/第一课.mp3 "}, {"/听力/第一课.mp3"}},
      {"\xEF\xBB\xBF/听力/a.mp3\r\n", {"/听力/a.mp3"}, {"/听力/a.mp3"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(parseListForEditing(row.bytes), row.editing) << ::testing::PrintToString(row.bytes);
    EXPECT_EQ(parseListForPlaying(row.bytes), row.playing) << ::testing::PrintToString(row.bytes);
  }
}

TEST(ListReaders, ReadFilesWithoutALimit) {
  TempFolder dir;
  std::string bytes;
  for (int i = 1; i <= 1000; ++i) bytes += "  /v/" + std::to_string(i) + ".mp3\r\n";
  writeBytes(dir / "long.lst", bytes);

  Entries editing, playing;
  ASSERT_TRUE(readListForEditing(dir / "long.lst", editing).ok);
  ASSERT_TRUE(readListForPlaying(dir / "long.lst", playing).ok);
  ASSERT_EQ(editing.size(), 1000u);
  ASSERT_EQ(playing.size(), 1000u);
  EXPECT_EQ(editing[999], "  /v/1000.mp3");
  EXPECT_EQ(playing[999], "/v/1000.mp3");
}

TEST(ListReaders, AFileThatCannotBeReadGivesAReasonAndNoEntries) {
  TempFolder dir;
  fs::create_directory(dir / "folder.lst");
  for (const fs::path& path : {dir / "missing.lst", dir / "folder.lst"}) {
    Entries entries{"left over"};
    const FileResult editing = readListForEditing(path, entries);
    EXPECT_FALSE(editing.ok) << path;
    EXPECT_FALSE(editing.error.empty());
    EXPECT_TRUE(entries.empty());
    entries = {"left over"};
    EXPECT_FALSE(readListForPlaying(path, entries).ok) << path;
    EXPECT_TRUE(entries.empty());
  }
}

TEST(WritePlayList, OneEntryIsOneLineEndingInCrLfInGb18030) {
  TempFolder dir;
  const fs::path file = dir / "one.lst";
  ASSERT_TRUE(writePlayList(file, {"/听力/第一课.mp3"}).ok);
  EXPECT_EQ(readBytes(file), utf8ToGb18030("/听力/第一课.mp3") + "\r\n");
}

TEST(WritePlayList, WhatIsWrittenReadsBackAsTheSameEntries) {
  TempFolder dir;
  Entries many;
  for (int i = 0; i < 130; ++i) many.push_back("/v/课 " + std::to_string(i) + ".wav");
  const Entries lists[] = {
      {"/v/a.mp3"},
      {"/v/a.mp3  ", "  /v/b.mp3", "/v/c.mp3\u3000"},
      {"/v/a.mp3", "", "/v/c.mp3"},
      {"/v/😀 𠀀 ü.ra", "/听力/二.ra"},
      {"/v/lone\nfeed.mp3"},
      many,
  };
  for (const auto encoding : {TextEncoding::Gb18030, TextEncoding::Utf8, TextEncoding::Utf8Bom}) {
    for (const auto& list : lists) {
      const fs::path file = dir / "round.lst";
      ASSERT_TRUE(writePlayList(file, list, encoding).ok);
      Entries back;
      TextEncoding readAs = TextEncoding::Gb18030;
      ASSERT_TRUE(readListForEditing(file, back, &readAs).ok);
      EXPECT_EQ(back, list);
      // UTF-8 is recognised as such when the list holds a non-ASCII character.
      const std::string text = joinLinesCrLf(list);
      const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
      if (encoding == TextEncoding::Utf8Bom || (encoding == TextEncoding::Utf8 && !ascii)) {
        EXPECT_EQ(readAs, encoding);
      }
    }
  }
}

TEST(WritePlayList, FailsWithAReasonAndLeavesTheOldFile) {
  TempFolder dir;
  fs::create_directory(dir / "folder.lst");
  writeBytes(dir / "plain", "x");
  for (const fs::path& target : {dir / "folder.lst", dir / "plain" / "under.lst"}) {
    const FileResult result = writePlayList(target, {"/v/a.mp3"});
    EXPECT_FALSE(result.ok) << target;
    EXPECT_FALSE(result.error.empty());
  }
  EXPECT_TRUE(fs::is_directory(dir / "folder.lst"));

  // An entry holding a CR would read back as two entries: refused, old file kept.
  writeBytes(dir / "old.lst", "/v/old.mp3\r\n");
  EXPECT_FALSE(writePlayList(dir / "old.lst", {"/v/a\r.mp3"}).ok);
  EXPECT_EQ(readBytes(dir / "old.lst"), "/v/old.mp3\r\n");
  int files = 0;
  for ([[maybe_unused]] const auto& item : fs::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 3);  // no temporary file left behind
}

TEST(LastFolder, ReadsTheFirstLineUntrimmed) {
  TempFolder dir;
  const fs::path ini = dir / "path.ini";
  EXPECT_EQ(readLastFolder(ini), "");  // missing
  const struct {
    std::string bytes;
    std::string folder;
  } rows[] = {
      {"", ""},
      {"\r\n/later/\r\n", ""},
      {"/voice/\r\n", "/voice/"},
      {"  /my voice/  \r\n/second/\r\n", "  /my voice/  "},
      {"/voice/", "/voice/"},
      {utf8ToGb18030("/听力/") + "\r\n", "/听力/"},
  };
  for (const auto& row : rows) {
    writeBytes(ini, row.bytes);
    EXPECT_EQ(readLastFolder(ini), row.folder) << ::testing::PrintToString(row.bytes);
  }
}

TEST(LastFolder, IsRewrittenWholeWithTheChosenFilesFolder) {
  TempFolder dir;
  const fs::path ini = dir / "path.ini";
  ASSERT_TRUE(writeLastFolder(ini, "  /听力/第 1 课/a.mp3 ").ok);  // created when missing
  EXPECT_EQ(readBytes(ini), utf8ToGb18030("/听力/第 1 课/") + "\r\n");

  writeBytes(ini, "/a/very/long/old/folder/\r\n/second line/\r\n");
  ASSERT_TRUE(writeLastFolder(ini, "/v/b.lst").ok);
  EXPECT_EQ(readBytes(ini), "/v/\r\n");

  writeBytes(ini, "/旧/\r\n");  // a UTF-8 file stays UTF-8
  ASSERT_TRUE(writeLastFolder(ini, "/新/c.wav").ok);
  EXPECT_EQ(readBytes(ini), "/新/\r\n");
  EXPECT_EQ(readLastFolder(ini), "/新/");
}

}  // namespace
}  // namespace tessaly
