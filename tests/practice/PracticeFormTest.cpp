// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window's logic without Qt: which sentence is current, hidden and revealed
// texts, a click as a jump and a double click as a loop, the waveform taken as it grows, the
// reference chosen per recording, and the check arriving from the background with each
// sentence's errors.
#include "practice/PracticeForm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "sentences/Subtitles.h"
#include "support/MemoryFolder.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

class FakePlayer final : public PracticePlayer {
 public:
  PlayerPicture picture() const override { return now; }
  const SentenceMap& sentenceMap() const override { return map; }
  std::string dictationText() const override { return dictation; }
  std::vector<SubtitleStream> subtitleStreams() const override { return streams; }
  void chooseSubtitleStream(int stream) override { chosenStreams.push_back(stream); }
  void jumpTo(double ms) override { jumps.push_back(ms); }
  void repeatSentence(const Sentence& s) override { loops.push_back(s); }

  PlayerPicture now{"/lessons/a.mp3", 60000, 0, true, false, 0, 0};
  SentenceMap map{SentenceSource::Lrc,
                  {{0, 4000, "他去学校。"}, {4000, 9000, "我们买东西。"}, {9000, 60000, std::nullopt}}};
  std::string dictation;
  std::vector<SubtitleStream> streams;
  std::vector<int> chosenStreams;
  std::vector<double> jumps;
  std::vector<Sentence> loops;
};

class FakePeaks final : public PeakScan {
 public:
  std::uint32_t start(const std::string& location) override {
    started.push_back(location);
    return ++serial;
  }
  bool take(std::uint32_t s, PeakTable& table) const override {
    if (s != serial) return true;
    table.bucketMs = 5;
    while (table.buckets.size() < ready) table.buckets.push_back({-0.5f, 0.5f});
    return finished;
  }
  std::vector<std::string> started;
  std::uint32_t serial = 0;
  std::size_t ready = 0;
  bool finished = false;
};

struct Rig {
  FakePlayer player;
  FakePeaks peaks;
  MemoryFolder folder;
  UserSettings settings{folder};
  PracticeForm form{player, &peaks, &settings, TESSALY_PINYIN_TABLE};
  Rig() {
    form.view().setWidth(600);
    form.tick();
  }
  // Ticks until the check arrives (it runs on its own thread); false if it never does.
  bool waitForCheck() {
    for (int i = 0; i < 500; ++i) {
      if (form.tick().check) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

TEST(PracticeForm, TheCurrentSentenceFollowsThePosition) {
  Rig rig;
  const struct {
    double ms;
    int row;
  } cases[] = {{0, 0}, {3999, 0}, {4000, 1}, {8999.5, 1}, {30000, 2}};
  for (const auto& c : cases) {
    rig.player.now.positionMs = c.ms;
    rig.form.tick();
    EXPECT_EQ(rig.form.currentSentence(), c.row) << c.ms;
  }
  rig.player.now.recording.clear();  // no file: none is current
  rig.form.tick();
  EXPECT_EQ(rig.form.currentSentence(), -1);
}

TEST(PracticeForm, TextsStayHiddenUntilRevealedOneOrAll) {
  Rig rig;
  ASSERT_EQ(rig.form.sentences().size(), 3u);
  EXPECT_EQ(rig.form.rowStart(1), "00:04.0");
  EXPECT_EQ(rig.form.rowText(0), "（已隐藏）");
  EXPECT_EQ(rig.form.rowText(2), "");  // a sentence without text has nothing to hide
  rig.form.reveal(1);
  EXPECT_EQ(rig.form.rowText(0), "（已隐藏）");
  EXPECT_EQ(rig.form.rowText(1), "我们买东西。");
  rig.form.reveal(7);  // no such row: nothing happens
  rig.form.revealAll();
  EXPECT_EQ(rig.form.rowText(0), "他去学校。");
  rig.form.hideAll();
  EXPECT_FALSE(rig.form.revealed(1));

  // A growing scan keeps what was revealed; another recording hides everything again.
  rig.form.reveal(0);
  rig.player.map.sentences.push_back({60000, 61000, "又一句"});
  EXPECT_TRUE(rig.form.tick().sentences);
  EXPECT_TRUE(rig.form.revealed(0));
  rig.player.now.recording = "/lessons/b.mp3";
  rig.form.tick();
  EXPECT_FALSE(rig.form.revealed(0));
}

TEST(PracticeForm, AClickIsAJumpThereAndADoubleClickLoopsTheSentenceOnlyWhilePlaying) {
  Rig rig;  // 60 s over 600 pixels
  rig.form.clickAt(150);
  rig.form.view().zoomIn(0);  // 0 .. 30 s
  rig.form.clickAt(150);
  rig.form.repeatRow(1);
  rig.form.repeatRow(3);  // no such row
  EXPECT_EQ(rig.player.jumps, (std::vector<double>{15000, 7500}));
  ASSERT_EQ(rig.player.loops.size(), 1u);
  EXPECT_EQ(rig.player.loops[0], rig.player.map.sentences[1]);

  rig.player.now.playing = false;  // stopped or paused: the jumps do nothing, as the keys
  rig.form.tick();
  rig.form.clickAt(300);
  rig.form.repeatRow(0);
  EXPECT_EQ(rig.player.jumps.size(), 2u);
  EXPECT_EQ(rig.player.loops.size(), 1u);
}

TEST(PracticeForm, TheWaveformIsTakenAsItGrowsAndTheViewPagesWithThePosition) {
  Rig rig;
  ASSERT_EQ(rig.peaks.started, (std::vector<std::string>{"/lessons/a.mp3"}));
  rig.peaks.ready = 100;
  EXPECT_TRUE(rig.form.tick().peaks);
  EXPECT_EQ(rig.form.peaks().buckets.size(), 100u);
  EXPECT_FALSE(rig.form.tick().peaks);  // nothing new
  rig.peaks.ready = 250;
  rig.peaks.finished = true;
  EXPECT_TRUE(rig.form.tick().peaks);
  EXPECT_TRUE(rig.form.peaksFinished());
  EXPECT_EQ(rig.form.peaks().buckets.size(), 250u);

  rig.form.view().zoomIn(0);
  rig.form.view().zoomIn(0);  // 0 .. 15 s
  rig.player.now.positionMs = 16000;
  EXPECT_TRUE(rig.form.tick().view);
  EXPECT_LE(rig.form.view().from(), 16000);
  rig.form.view().scroll(2);  // the learner looks elsewhere: the view stays there
  const double from = rig.form.view().from();
  rig.player.now.positionMs = 17000;
  rig.form.tick();
  EXPECT_EQ(rig.form.view().from(), from);

  rig.player.now.recording = "/lessons/b.mp3";  // another recording: another scan
  EXPECT_TRUE(rig.form.tick().recording);
  EXPECT_EQ(rig.peaks.started.size(), 2u);
  EXPECT_TRUE(rig.form.peaks().buckets.size() <= 250u);
}

TEST(PracticeForm, TheReferenceLabelNamesWhereTheSentencesCameFrom) {
  const std::vector<Sentence> two = {{0, 4000, "他去学校。"}, {4000, 9000, "我们买东西。"}};
  const std::string pictures = subtitleProblemWords(SubtitleProblem::OnlyBitmaps);
  const struct {
    SentenceSource source;
    std::vector<Sentence> sentences;
    std::string note;
    std::string label;
  } cases[] = {
      {SentenceSource::Srt, two, "", "参考文本：.srt 文件的文字（2 句）"},
      {SentenceSource::Vtt, two, "", "参考文本：.vtt 文件的文字（2 句）"},
      {SentenceSource::Ass, two, "", "参考文本：.ass 文件的文字（2 句）"},
      {SentenceSource::Embedded, two, "", "参考文本：文件里的字幕（2 句）"},
      {SentenceSource::Silence,
       {{0, 4000, std::nullopt}},
       pictures,
       "参考文本：没有（" + pictures + "可以把 .lrc、.srt、.vtt 或 .ass 放在语音文件旁边，或选择一个文本文件）"},
      {SentenceSource::None,
       {},
       "",
       "参考文本：没有（可以把 .lrc、.srt、.vtt 或 .ass 放在语音文件旁边，或选择一个文本文件）"},
  };
  for (const auto& c : cases) {
    Rig rig;
    rig.player.map = {c.source, c.sentences};
    rig.player.map.note = c.note;
    rig.form.tick();
    EXPECT_EQ(rig.form.referenceLabel(), c.label);
  }
}

TEST(PracticeForm, ASubtitleStreamIsOfferedOnlyWhenThereIsAChoice) {
  using K = SubtitleKind;
  using Choices = std::vector<PracticeForm::SubtitleChoice>;
  const std::vector<SubtitleStream> three = {{1, "eng", "subrip", K::Text, "Hi"},
                                             {2, "chi", "ass", K::Text, "你好"},
                                             {3, "", "mov_text", K::Text, "Salut"},
                                             {4, "chi", "hdmv_pgs_subtitle", K::Bitmap, ""}};
  const struct {
    const char* what;
    SentenceSource source;
    std::vector<SubtitleStream> streams;
    Choices expected;
  } cases[] = {
      {"three text streams, pictures left out",
       SentenceSource::Embedded,
       three,
       {{1, "eng（subrip）", false}, {2, "中文（chi，ass）", true}, {3, "未标明语言（mov_text）", false}}},
      {"a map from an .lrc: no choice", SentenceSource::Lrc, three, {}},
      {"one text stream: no choice", SentenceSource::Embedded, {three[1], three[3]}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.player.map = {c.source, {{0, 4000, "你好"}}};
    rig.player.map.stream = 2;
    rig.player.streams = c.streams;
    EXPECT_EQ(rig.form.subtitleChoices(), c.expected);
  }
  Rig rig;
  rig.form.chooseSubtitles(3);
  EXPECT_EQ(rig.player.chosenStreams, std::vector<int>{3});
}

TEST(PracticeForm, AChosenReferenceIsKeptForItsRecordingOnly) {
  Rig rig;
  EXPECT_EQ(rig.form.chosenReference(), "");
  EXPECT_EQ(rig.form.referenceLabel(), "参考文本：.lrc 文件的文字（2 句）");
  rig.form.chooseReference("/answers/第一课.txt");
  EXPECT_EQ(rig.form.referenceLabel(), "参考文本：第一课.txt（自选）");
  EXPECT_TRUE(rig.folder.read(UserSettings::kFileName)->find(PracticeForm::referenceKey("/lessons/a.mp3")) !=
              std::string::npos);
  rig.player.now.recording = "/lessons/b.mp3";
  rig.form.tick();
  EXPECT_EQ(rig.form.chosenReference(), "");
  rig.player.now.recording = "/lessons/a.mp3";
  rig.form.tick();
  EXPECT_EQ(rig.form.chosenReference(), "/answers/第一课.txt");
  rig.form.chooseReference("");  // back to the map's texts
  EXPECT_EQ(rig.form.chosenReference(), "");
  EXPECT_NE(PracticeForm::referenceKey("/a.mp3"), PracticeForm::referenceKey("/b.mp3"));
}

TEST(PracticeForm, TheCheckArrivesFromTheBackgroundWithEachSentencesErrors) {
  Rig rig;
  rig.player.dictation = "她去学校。\n我们卖东西了。";
  ASSERT_TRUE(rig.form.startCheck());
  ASSERT_TRUE(rig.waitForCheck());
  const auto& check = *rig.form.check();
  EXPECT_EQ(check.result.referenceUnits(), 9);
  EXPECT_EQ(check.result.errors(), 3);
  EXPECT_EQ(check.result.homophones, 1);  // 她 for 他
  EXPECT_EQ(check.result.tones, 1);       // 卖 for 买
  ASSERT_EQ(check.sentenceErrors.size(), 2u);
  EXPECT_EQ(check.sentenceErrors[0].sentence, 0);
  EXPECT_EQ(check.sentenceErrors[0].errors, (std::vector<std::string>{"写错（同音）：她 tā → 他 tā"}));
  EXPECT_EQ(check.sentenceErrors[1].errors, (std::vector<std::string>{"声调没听出：卖 mài → 买 mǎi", "多写：了"}));
  rig.form.repeatReferenceSentence(1);  // a click on the second sentence's errors
  ASSERT_EQ(rig.player.loops.size(), 1u);
  EXPECT_EQ(rig.player.loops[0].startMs, 4000);

  // No texts and no chosen file: nothing to check against.
  rig.player.map.sentences = {{0, 60000, std::nullopt}};
  rig.form.tick();
  EXPECT_FALSE(rig.form.startCheck());

  // A chosen file is read in the background; one that cannot be read says so.
  TempFolder folder;
  const std::string answer = (folder.path() / "answer.txt").string();
  std::ofstream(answer) << "他去学校";
  rig.form.chooseReference(answer);
  ASSERT_TRUE(rig.form.startCheck());
  ASSERT_TRUE(rig.waitForCheck());
  EXPECT_EQ(rig.form.check()->result.referenceUnits(), 4);
  EXPECT_TRUE(rig.form.check()->sentenceErrors.empty());  // a plain text has no sentences
  rig.form.chooseReference((folder.path() / "gone.txt").string());
  ASSERT_TRUE(rig.form.startCheck());
  ASSERT_TRUE(rig.waitForCheck());
  EXPECT_EQ(rig.form.check()->unreadableFile, (folder.path() / "gone.txt").string());
}

}  // namespace
}  // namespace tessaly::test
