// SPDX-License-Identifier: GPL-3.0-or-later
// A corrected map saved as the recording's .lrc: read back as it was, the file already there
// replaced, asked about or kept, and nothing lost when the folder cannot be written.
#include "sentences/MapSave.h"

#include <gtest/gtest.h>

#include <set>

#include "drill/DrillFiles.h"
#include "support/TempFolder.h"
#include "support/Tmpfs.h"
#include "text/Encoding.h"

namespace tessaly {
namespace {

using Sentences = std::vector<Sentence>;
using test::readBytes;
using test::writeBytes;

Sentence s(std::int32_t start, std::int32_t end, const char* text) {
  return {start, end, text ? std::optional<std::string>(text) : std::nullopt};
}

TEST(MapLrc, ReadsBackAsTheSameMap) {
  const struct {
    const char* what;
    Sentences map;
    std::int32_t lengthMs;
    Sentences changed;  // what reads back, when not the map itself
  } cases[] = {
      {"Han and English, the last ending before the recording", {s(0, 1500, "你好。"), s(1500, 4000, "Fine.")}, 6543, {}},
      {"the last to the recording's end, to the ms", {s(0, 1500, "一"), s(1500, 6543, "二")}, 6543, {}},
      {"times between hundredths",
       {s(1234, 5678, "一"), s(5678, 9999, "二")},
       9999,
       {s(1230, 5670, "一"), s(5670, 9999, "二")}},
      {"a gap", {s(1000, 2000, "一"), s(3000, 4000, "二")}, 4000, {}},
      {"without text", {s(0, 1000, nullptr), s(1000, 2000, "有字"), s(2000, 3000, nullptr)}, 3000, {}},
      {"without text, before a gap", {s(0, 1000, nullptr), s(1500, 3000, "b")}, 3000, {}},
      {"texts like tags", {s(0, 1000, "[ar:me] 不是标签"), s(1000, 2000, "[00:05.00]")}, 2000, {}},
      {"a line break", {s(0, 1000, "两\r\n行")}, 1000, {s(0, 1000, "两  行")}},
      {"length unknown: no end tag", {s(500, 900, "a")}, 0, {s(500, 7000, "a")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string lrc = mapLrcText("第一课 [新]", c.map, c.lengthMs);
    EXPECT_TRUE(lrc.starts_with(std::string(kMapLrcMark) + "\r\n")) << lrc;
    EXPECT_EQ(lrcTitle(lrc), "第一课 ［新］");
    EXPECT_EQ(readLrc(lrc, c.lengthMs > 0 ? c.lengthMs : 7000), c.changed.empty() ? c.map : c.changed) << lrc;
  }
}

TEST(MapSave, ChoiceForTheFileThere) {
  const struct {
    const char* what;
    std::optional<std::string> bytes;
    SaveChoice choice;
  } cases[] = {
      {"none", std::nullopt, SaveChoice::Write},
      {"one this program saved", mapLrcText("课", {s(0, 1000, "一")}, 1000), SaveChoice::Replace},
      {"ours with a BOM and LF", "\xEF\xBB\xBF[re:tessaly-map]\n[00:00.00]x\n", SaveChoice::Replace},
      {"ours, the mark third, CR line ends", "[ti:a]\r[ar:b]\r[re:tessaly-map]  \r", SaveChoice::Replace},
      {"the mark too far down", "[ti:a]\r\n[ar:b]\r\n[al:c]\r\n[re:tessaly-map]\r\n", SaveChoice::Ask},
      {"the mark inside a line", "[00:01.00][re:tessaly-map]\n", SaveChoice::Ask},
      {"another mark like it", "[re:tessaly-map-2]\n", SaveChoice::Ask},
      {"a learner's", "[ti:我的]\r\n[00:01.00]一\r\n", SaveChoice::Ask},
      {"a drill's", std::string(kDrillLrcMark) + "\r\n[00:00.00]一\r\n", SaveChoice::Ask},
      {"an aligner's, which carries no mark", "[00:01.00]一\r\n[00:02.30]\r\n", SaveChoice::Ask},
      {"empty", std::string(), SaveChoice::Ask},
      {"binary", std::string("\x00\x01[re:tessaly-map]", 18), SaveChoice::Ask},
  };
  for (const auto& c : cases) EXPECT_EQ(saveChoiceFor(c.bytes), c.choice) << c.what;
}

TEST(MapSave, BackupTakesTheFirstFreeName) {
  const struct {
    std::set<std::string> taken;
    const char* expected;
  } cases[] = {
      {{}, "/d/课 1.lrc.bak"},
      {{"/d/课 1.lrc.bak"}, "/d/课 1 (2).lrc.bak"},
      {{"/d/课 1.lrc.bak", "/d/课 1 (2).lrc.bak", "/d/课 1 (3).lrc.bak"}, "/d/课 1 (4).lrc.bak"},
      {{"/d/课 1.lrc.bak", "/d/课 1 (3).lrc.bak"}, "/d/课 1 (2).lrc.bak"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(backupPath("/d/课 1.lrc", [&](const std::string& p) { return c.taken.contains(p); }), c.expected);
  EXPECT_EQ(backupPath("/d/a.lrc", [](const std::string&) { return true; }), "");
}

class SaveMapTest : public ::testing::Test {
 protected:
  std::string recording() const { return (dir / "lesson.mp3").string(); }
  std::filesystem::path lrc() const { return dir / "lesson.lrc"; }
  // The map the program loads for the recording.
  Sentences loaded() const { return loadSentenceMap(recording(), kLength).sentences; }

  static constexpr std::int32_t kLength = 5005;
  const Sentences map = {s(0, 2000, "第一句。"), s(2000, 5005, "第二句。")};
  test::TempFolder dir;
};

TEST_F(SaveMapTest, WrittenThenReplacedWhenOurs) {
  const SavedMap first = saveMap(recording(), {s(0, 5005, "旧的")}, kLength, false);
  ASSERT_TRUE(first.ok) << first.words;
  EXPECT_EQ(first.path, lrc().string());
  EXPECT_EQ(lrcTitle(readBytes(lrc())), "lesson");
  const SavedMap again = saveMap(recording(), map, kLength, false);
  ASSERT_TRUE(again.ok) << again.words;
  EXPECT_TRUE(again.backup.empty());
  EXPECT_EQ(loaded(), map);
  EXPECT_EQ(dir.entries(), 1);  // no backup of what this program made
}

TEST_F(SaveMapTest, TheLearnersIsAskedForThenKept) {
  const std::string theirs = utf8ToGb18030("[ti:我的课]\r\n[00:01.00]他们的字\r\n");
  writeBytes(lrc(), theirs);
  writeBytes(dir / "lesson.lrc.bak", "an older backup");
  const ino_t before = test::inodeOf(lrc());
  const SavedMap asked = saveMap(recording(), map, kLength, false);
  EXPECT_TRUE(!asked.ok && asked.askFirst);
  EXPECT_NE(asked.words.find("lesson (2).lrc.bak"), std::string::npos) << asked.words;
  EXPECT_EQ(readBytes(lrc()), theirs);
  EXPECT_EQ(test::inodeOf(lrc()), before);
  EXPECT_EQ(dir.entries(), 2);

  const SavedMap saved = saveMap(recording(), map, kLength, true);
  ASSERT_TRUE(saved.ok) << saved.words;
  EXPECT_EQ(saved.backup, (dir / "lesson (2).lrc.bak").string());
  EXPECT_EQ(readBytes(saved.backup), theirs);
  EXPECT_EQ(readBytes(dir / "lesson.lrc.bak"), "an older backup");
  EXPECT_EQ(loaded(), map);
  EXPECT_EQ(lrcTitle(readBytes(lrc())), "我的课");            // its title kept, read in its encoding
  EXPECT_TRUE(saveMap(recording(), map, kLength, false).ok);  // now ours: no question, no other backup
  EXPECT_EQ(dir.entries(), 3);
}

TEST_F(SaveMapTest, RefusedWithNothingChanged) {
  EXPECT_FALSE(saveMap(recording(), {}, kLength, true).ok);
  EXPECT_FALSE(saveMap("", map, kLength, true).ok);
  EXPECT_EQ(dir.entries(), 0);
  std::filesystem::create_directory(lrc());  // what cannot be read is never replaced, even with a yes
  const SavedMap folder = saveMap(recording(), map, kLength, true);
  EXPECT_FALSE(folder.ok);
  EXPECT_FALSE(folder.words.empty());
  EXPECT_TRUE(std::filesystem::is_directory(lrc()));
  EXPECT_EQ(dir.entries(), 1);
}

TEST(SaveMapReadOnly, SaysSoAndLosesNothing) {
  test::TempFolder dir;
  test::Tmpfs disk(dir.path() / "disk", 256);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const std::filesystem::path lrc = dir.path() / "disk" / "lesson.lrc";
  for (const bool theirsThere : {false, true}) {
    SCOPED_TRACE(theirsThere);
    ASSERT_TRUE(disk.writable());
    std::filesystem::remove(lrc);
    if (theirsThere) writeBytes(lrc, "[00:00.50]他们的\r\n");
    ASSERT_TRUE(disk.readOnly());
    const SavedMap saved = saveMap((dir.path() / "disk" / "lesson.mp3").string(), {s(0, 1000, "一")}, 1000, true);
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.words.find("没有保存"), std::string::npos) << saved.words;
    EXPECT_EQ(readBytes(lrc), theirsThere ? "[00:00.50]他们的\r\n" : "");
    EXPECT_EQ(std::filesystem::exists(lrc), theirsThere);
  }
  ASSERT_TRUE(disk.writable());
}

}  // namespace
}  // namespace tessaly
