// SPDX-License-Identifier: GPL-3.0-or-later
// What a teacher may write after --sentences, and which files beside an exported drill are
// the learner's: another recording's map and dictation, a file that is no drill, and the
// drill's own earlier export (which may be replaced).
#include "drill/DrillFiles.h"
#include "drill/DrillPlan.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

TEST(SentenceRange, OnlyDigitsADashAndDigitsWithinTheRecording) {
  const struct {
    const char* text;
    std::optional<SentenceRange> range;
  } cases[] = {
      {"2-5", SentenceRange{2, 5}},
      {"3", SentenceRange{3, 3}},
      {"1-8", SentenceRange{1, 8}},
      {"8", SentenceRange{8, 8}},
      {"5-5", SentenceRange{5, 5}},
      {"abc", {}},
      {"", {}},
      {"2-3x", {}},
      {"2 - 5", {}},
      {"2-", {}},
      {"-3", {}},
      {"2,4", {}},
      {"+2", {}},
      {" 2", {}},
      {"2-5-6", {}},
      {"0", {}},
      {"0-3", {}},
      {"5-2", {}},
      {"9", {}},
      {"3-9", {}},
      {"99999999999", {}},
      {"２", {}},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_EQ(parseSentenceRange(c.text, 8, why), c.range) << "\"" << c.text << "\"";
    if (!c.range) {
      EXPECT_NE(why.find("8 句"), std::string::npos) << c.text << ": " << why;
    }
  }
  std::string why;
  ASSERT_FALSE(parseSentenceRange("2 - 5", 8, why));
  EXPECT_NE(why.find("起-止"), std::string::npos) << "the form accepted, in words: " << why;
}

class DrillFilesTest : public ::testing::Test {
 protected:
  DrillFilesTest() : dir_(fs::temp_directory_path() / ("tessaly-drillfiles-" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~DrillFilesTest() override { fs::remove_all(dir_); }
  std::string file(const std::string& name, const std::string& text = "x") {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

TEST_F(DrillFilesTest, TheLearnersFilesBesideTheDrillAreInItsWayAndAnEarlierDrillIsNot) {
  const std::string drillLrc = std::string("[ti:drill]\n") + kDrillLrcMark + "\n[00:00.00]第 1 句\n";
  const struct {
    const char* name;
    std::vector<std::pair<const char*, std::string>> files;  // in the folder before
    std::vector<const char*> inTheWay;
  } cases[] = {
      {"nothing there", {}, {}},
      {"another recording's map", {{"lesson.mp3", "x"}, {"lesson.lrc", "[00:01.00]一\n"}}, {"lesson.lrc"}},
      {"another recording's subtitles and dictation",
       {{"lesson.mp3", "x"}, {"lesson.srt", "1\n"}, {"lesson.txt", "我写的"}},
       {"lesson.srt", "lesson.txt"}},
      {"a hand-made map with no recording yet", {{"lesson.lrc", "[00:01.00]一\n"}}, {"lesson.lrc"}},
      {"a word list of the same name", {{"lesson.txt", "长\t长大\n"}}, {"lesson.txt"}},
      {"the learner's own recording", {{"lesson.wav", "RIFF"}}, {"lesson.wav"}},
      {"an earlier export with its dictation",
       {{"lesson.wav", "RIFF"}, {"lesson.lrc", drillLrc}, {"lesson.txt", "写"}},
       {}},
      {"an earlier export's map, the export gone", {{"lesson.lrc", drillLrc}}, {}},
      {"an earlier export's map, and the drill as MP3 beside it", {{"lesson.mp3", "x"}, {"lesson.lrc", drillLrc}}, {}},
      {"an earlier export's dictation, and the drill as MP3 beside it",
       {{"lesson.wav", "x"}, {"lesson.mp3", "x"}, {"lesson.lrc", drillLrc}, {"lesson.txt", "写"}},
       {"lesson.txt"}},
      {"a recording named alike in another case", {{"lesson.MP3", "x"}, {"lesson.lrc", "[00:01.00]一\n"}}, {"lesson.lrc"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [name, text] : c.files) file(name, text);
    std::vector<std::string> expected;
    for (const char* name : c.inTheWay) expected.push_back(path(name));
    const std::vector<std::string> found = filesInTheWay(path("lesson.wav"));
    EXPECT_EQ(sharesItsLrc(path("lesson.wav")),
              std::string(c.name).find("the drill as MP3 beside it") != std::string::npos);
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), std::set<std::string>(expected.begin(), expected.end()));
    for (const auto& [name, text] : c.files) fs::remove(path(name));
  }
}

}  // namespace
}  // namespace tessaly::test
