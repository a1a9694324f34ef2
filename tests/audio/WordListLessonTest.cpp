// SPDX-License-Identifier: GPL-3.0-or-later
// Word lists spoken into lessons by libespeak-ng: the recording and its .lrc agree (each
// entry's speech starts within 100 ms of its tag), a line that cannot be spoken leaves
// nothing half made, an English list is spoken too, the lesson never takes the name of a file
// of the learner's (the list itself among them), entries that look like tags stay entries,
// and a line too long for a dictation is refused before anything is spoken.
#include "wordlist/engine/WordListLesson.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "AudioTestSupport.h"
#include "sentences/SentenceMap.h"

namespace tessaly::test {
namespace {

// Where speech starts after at least `gapMs` of silence, in ms.
std::vector<double> onsets(const std::vector<float>& frames, int rate, double gapMs) {
  std::vector<double> found;
  double quietSince = -1e9;  // the first speech always starts one
  const std::size_t window = static_cast<std::size_t>(rate / 100);
  for (std::size_t at = 0; at + window <= frames.size(); at += window) {
    float peak = 0;
    for (std::size_t i = at; i < at + window; ++i) peak = std::max(peak, std::abs(frames[i]));
    const double ms = at * 1000.0 / rate;
    if (peak < 300.0f / 32767) continue;
    if (ms - quietSince >= gapMs) found.push_back(ms);
    quietSince = ms + 10;
  }
  return found;
}

TEST(WordListLesson, TenCharactersWithPhrasesBecomeALessonWhoseTagsMeetItsSpeech) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  std::ofstream(dir.file("第三课生字.txt")) << "长\t长大\n行\t银行\n乐\t快乐\n重\t重要\n好\n看\n书\n学\t学校\n花\n门\n";
  const auto begun = std::chrono::steady_clock::now();
  const MadeLesson made = makeWordListLesson(dir.file("第三课生字.txt"), dir.file("lessons"));
  const auto tookMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count();
  ASSERT_EQ(made.error, "");
  EXPECT_EQ(made.recording, dir.file("lessons/第三课生字.wav"));
  const SentenceMap map = loadSentenceMap(made.recording, 0);
  ASSERT_EQ(map.sentences.size(), 10u);
  EXPECT_EQ(map.sentences[0].text, "长");
  EXPECT_EQ(map.title, "第三课生字");
  const std::vector<float> heard = referenceDecode(made.recording, 1);
  // The lesson leaves 1.5 s of quiet after an entry and 0.5 s between its parts: a gap of
  // 1.2 s or more starts the next entry.
  const std::vector<double> starts = onsets(heard, 22050, 1200);
  ASSERT_EQ(starts.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_NEAR(starts[i], map.sentences[i].startMs, 100) << i;
  std::printf("10 entries (6 with phrases) spoken in %.0f ms\n", tookMs);
}

TEST(WordListLesson, ALineThatCannotBeSpokenLeavesNothingHalfMade) {
  TempDir dir;
  std::ofstream(dir.file("list.txt")) << "好\n\xE2\x80\x8B\n";  // a zero-width space: nothing to say
  const MadeLesson made = makeWordListLesson(dir.file("list.txt"), dir.file("lessons"));
  EXPECT_NE(made.error.find("第 2 行无法朗读"), std::string::npos) << made.error;
  EXPECT_FALSE(std::filesystem::exists(dir.file("lessons/list.wav")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("lessons/list.lrc")));
  EXPECT_NE(makeWordListLesson(dir.file("missing.txt"), dir.file("lessons")).error.find("无法读取"), std::string::npos);
  std::ofstream(dir.file("empty.txt"));
  EXPECT_NE(makeWordListLesson(dir.file("empty.txt"), dir.file("lessons")).error.find("空的"), std::string::npos);
}

TEST(WordListLesson, AnEnglishListIsSpokenAndFiftyMandarinWordsAreTimed) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  std::ofstream(dir.file("words.txt")) << "apple\nbanana\ncherry\n";
  const MadeLesson english = makeWordListLesson(dir.file("words.txt"), dir.path().string());
  ASSERT_EQ(english.error, "");
  EXPECT_EQ(onsets(referenceDecode(english.recording, 1), 22050, 1200).size(), 3u);
  // Fifty words (a figure for the README, not a check).
  const char* words[] = {"天", "地", "人", "你", "我", "他", "上", "下", "口", "耳", "目", "手", "足",
                         "站", "坐", "日", "月", "水", "火", "山", "石", "田", "禾", "对", "云", "雨",
                         "风", "花", "鸟", "虫", "六", "七", "八", "九", "十", "爸", "妈", "马", "土",
                         "不", "画", "打", "棋", "鸡", "字", "词", "句", "子", "桌", "纸"};
  std::ofstream fifty(dir.file("fifty.txt"));
  for (const char* w : words) fifty << w << "\n";
  fifty.close();
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_EQ(makeWordListLesson(dir.file("fifty.txt"), dir.path().string()).error, "");
  std::printf("50 Mandarin words spoken in %.0f ms\n",
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count());
}

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(WordListLesson, TheLessonNeverTakesTheNameOfTheLearnersFiles) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string lessons = dir.file("wordlists");
  std::filesystem::create_directories(lessons);
  std::filesystem::create_directories(dir.file("voice"));
  const std::string list = dir.file("wordlists/生字.txt");
  std::ofstream(list) << "好\n看\n";
  const struct {
    const char* name;
    std::string listPath;
    std::vector<std::pair<std::string, std::string>> files;  // the learner's, in the lessons' folder
    std::string lesson;                                      // the name chosen, in that folder
  } cases[] = {
      {"the list in the lessons' folder", list, {}, "生字（听写）"},
      {"the same list again: its lesson made again in place", list, {}, "生字（听写）"},
      {"another list of that name", dir.file("voice/生字.txt"), {}, "生字（听写2）"},
      {"a hand-made map", dir.file("voice/课文.txt"), {{"课文.lrc", "[00:01.00]我做的\n"}}, "课文（听写）"},
      {"a recording", dir.file("voice/英语.txt"), {{"英语.wav", "RIFF-mine"}}, "英语（听写）"},
      {"a dictation", dir.file("voice/听写.txt"), {{"听写.txt", "我写的"}, {"听写（听写）.srt", "1\n"}}, "听写（听写2）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.listPath != list) std::ofstream(c.listPath) << "天\n地\n";
    for (const auto& [name, text] : c.files) std::ofstream(lessons + "/" + name, std::ios::binary) << text;
    const MadeLesson made = makeWordListLesson(c.listPath, lessons);
    ASSERT_EQ(made.error, "");
    EXPECT_EQ(made.recording, lessons + "/" + c.lesson + ".wav");
    EXPECT_NE(std::filesystem::path(made.recording).replace_extension(".txt"), c.listPath)
        << "what is typed goes beside the lesson, never into the list";
    EXPECT_EQ(contents(list), "好\n看\n");
    for (const auto& [name, text] : c.files) EXPECT_EQ(contents(lessons + "/" + name), text) << name;
    EXPECT_EQ(loadSentenceMap(made.recording, 0).sentences.size(), 2u);
  }
}

TEST(WordListLesson, EntriesThatLookLikeTagsAreSentencesOfTheLesson) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  std::ofstream(dir.file("list.txt")) << "[00:01.00]假\n[offset:+9000]\n真\n[ti:别的]\n";
  const MadeLesson made = makeWordListLesson(dir.file("list.txt"), dir.file("lessons"));
  ASSERT_EQ(made.error, "");
  const SentenceMap map = loadSentenceMap(made.recording, 0);
  std::vector<std::string> words;
  for (const Sentence& s : map.sentences) words.push_back(s.text.value_or(""));
  EXPECT_EQ(words, (std::vector<std::string>{"[00:01.00]假", "[offset:+9000]", "真", "[ti:别的]"}));
  EXPECT_EQ(map.title, "list");
  const std::vector<double> starts = onsets(referenceDecode(made.recording, 1), 22050, 1200);
  ASSERT_EQ(starts.size(), map.sentences.size());
  for (std::size_t i = 0; i < starts.size(); ++i) EXPECT_NEAR(starts[i], map.sentences[i].startMs, 100) << i;
}

TEST(WordListLesson, ALineTooLongIsRefusedBeforeItIsSpoken) {
  TempDir dir;
  std::ofstream(dir.file("list.txt")) << "好\n" << std::string(100 * 1024, 'a') << "\n看\n";
  const MadeLesson made = makeWordListLesson(dir.file("list.txt"), dir.file("lessons"));
  EXPECT_NE(made.error.find("第 2 行太长"), std::string::npos) << made.error;
  EXPECT_FALSE(std::filesystem::exists(dir.file("lessons/list.wav")));
}

}  // namespace
}  // namespace tessaly::test
