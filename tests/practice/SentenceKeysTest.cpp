// SPDX-License-Identifier: GPL-3.0-or-later
// The sentence keys: where previous and next go, which sentence a repeat loops, and what the
// two back-ends do with it on the simulated devices.
#include "practice/SentenceKeys.h"

#include <gtest/gtest.h>

#include "../app/Form1Rig.h"
#include "app/Form1.h"
#include "playback/PlayerLayouts.h"

namespace tessaly::test {
namespace {

const std::vector<Sentence> kMap = {{1000, 4000, "一"}, {4000, 9000, "二"}, {9000, 15000, "三"}};

TEST(SentenceKeys, PreviousAndNextGoWhereMediaPlayersGo) {
  const struct {
    double at;
    std::optional<double> previous, next;
  } cases[] = {
      {0, 1000, 1000},              // before the first sentence: its start, both ways
      {1200, 1000, 4000},           // early in the first: there is none before it
      {4800, 1000, 9000},           // within 1.5 s of a start: the sentence before
      {5600, 4000, 9000},           // later: the start of this one
      {14000, 9000, std::nullopt},  // the last has no next
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    EXPECT_EQ(previousSentenceStart(kMap, c.at), c.previous);
    EXPECT_EQ(nextSentenceStart(kMap, c.at), c.at < 1000 ? std::optional<double>(1000) : c.next);
  }
  EXPECT_EQ(sentenceToRepeat(kMap, 500), std::nullopt);
  EXPECT_EQ(sentenceToRepeat(kMap, 4000)->startMs, 4000);
  EXPECT_EQ(previousSentenceStart({}, 3000), std::nullopt);
  EXPECT_EQ(nextSentenceStart({}, 3000), std::nullopt);
}

struct BackEndCase {
  const char* file;
};

class SentenceKeysOnForm1 : public ::testing::TestWithParam<BackEndCase> {
 protected:
  void SetUp() override {
    rig.start();
    audio = rig.audio(GetParam().file, 20000);
    writeBytes(DictationStore::dictationPath(audio).substr(0, DictationStore::dictationPath(audio).size() - 3) + "lrc",
               "[00:01.00]一\n[00:04.00]二\n[00:09.00]三\n");
    rig.open(audio);
    ASSERT_EQ(rig.form->player().sentenceMap().sentences.size(), 3u);
  }
  std::int32_t position() const {
    return Form1::usesMciBackEnd(rig.form->engineKind()) ? rig.mci.position() : rig.stream.position();
  }
  const PlayerVariables& v() const { return rig.form->variables(); }

  Form1Rig rig;
  std::string audio;
};

TEST_P(SentenceKeysOnForm1, NextPreviousAndALoopOfExactlyTheSentence) {
  rig.clock.advance(5500);
  rig.form->accessKey('n');
  EXPECT_EQ(v().segmentStart, 9000);
  EXPECT_EQ(v().repeatState, RepeatState::Listening);
  rig.clock.advance(700);
  rig.form->accessKey('p');  // within 1.5 s of its start: the sentence before
  EXPECT_EQ(v().segmentStart, 4000);
  rig.clock.advance(2000);
  ASSERT_GE(position(), 5900);

  rig.form->accessKey('r');  // loop the sentence being heard: 4 s to 9 s
  EXPECT_EQ(v().repeatState, RepeatState::Repeating);
  EXPECT_EQ(v().segmentStart, 4000);
  EXPECT_EQ(v().segmentEnd, 9000);
  EXPECT_EQ(rig.label(1).caption(), captions::kRepeating);
  EXPECT_LE(position(), 4100) << "the loop starts at once from the sentence's start";
  rig.clock.advance(12000);  // more than two passes
  EXPECT_GE(position(), 4000);
  EXPECT_LT(position(), 9100);

  rig.form->accessKey('x');  // leave the loop: on from the sentence's end, the next one's start
  EXPECT_EQ(v().repeatState, RepeatState::Listening);
  EXPECT_EQ(v().segmentStart, 9000);
  EXPECT_EQ(rig.label(1).caption(), captions::kPlaying);
  rig.clock.advance(300);
  EXPECT_GE(position(), 9000);
  EXPECT_LE(position(), 9400);

  rig.form->accessKey('r');
  rig.form->accessKey('p');  // a jump leaves the loop, as its captions show
  EXPECT_EQ(v().repeatState, RepeatState::Listening);
  EXPECT_EQ(rig.label(1).caption(), captions::kPlaying);
}

TEST_P(SentenceKeysOnForm1, WithoutAMapOrWhilePausedTheKeysDoNothing) {
  rig.clock.advance(5000);
  rig.form->accessKey('z');  // paused
  const PlayerVariables before = v();
  for (const char key : {'n', 'p', 'r'}) rig.form->accessKey(key);
  EXPECT_EQ(v().segmentStart, before.segmentStart);
  EXPECT_EQ(v().repeatState, before.repeatState);

  const std::string plain = rig.audio(std::string("plain") + (GetParam().file + 6), 20000);
  rig.open(plain);
  rig.clock.advance(5000);
  EXPECT_TRUE(rig.form->player().sentenceMap().sentences.empty());
  const std::size_t said = rig.messages.shown().size();
  for (const char key : {'n', 'p', 'r'}) rig.form->accessKey(key);
  EXPECT_EQ(v().segmentStart, 1);
  EXPECT_EQ(v().repeatState, RepeatState::Listening);
  EXPECT_EQ(rig.messages.shown().size(), said);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, SentenceKeysOnForm1,
                         ::testing::Values(BackEndCase{"lesson.wav"}, BackEndCase{"lesson.mp3"}),
                         [](const auto& param) { return std::string(param.param.file[7] == 'w' ? "Mci" : "Streaming"); });

}  // namespace
}  // namespace tessaly::test

#include "sentences/PauseScan.h"

namespace tessaly::test {
namespace {

// A scan whose findings the test hands over as it likes.
class FakePauseScan final : public PauseScan {
 public:
  std::uint32_t start(const std::string& location) override {
    started.push_back(location);
    sentences.clear();
    finished = false;
    return ++serial;
  }
  void cancel() override { ++cancels; }
  std::vector<Sentence> found(std::uint32_t asked, bool& done) const override {
    done = asked != serial || finished;
    return asked == serial ? sentences : std::vector<Sentence>{};
  }
  std::vector<std::string> started;
  std::vector<Sentence> sentences;
  bool finished = false;
  std::uint32_t serial = 0;
  int cancels = 0;
};

TEST(SentenceKeysFromThePauses, AFileWithoutAnLrcIsScannedAndItsSentencesUsedAsTheyCome) {
  FakePauseScan scan;
  ManualClock pollClock;
  auto poll = pollClock.makeTimer();
  Form1Rig rig;
  rig.form->player().usePauseScan(scan, *poll);
  rig.start();
  const std::string plain = rig.audio("plain.mp3", 30000);
  rig.open(plain);
  ASSERT_EQ(scan.started, std::vector<std::string>{plain});
  EXPECT_EQ(rig.form->player().sentenceMap().source, SentenceSource::Silence);
  EXPECT_TRUE(poll->enabled());

  rig.clock.advance(3000);
  rig.form->accessKey('n');  // nothing found yet: nothing happens
  EXPECT_EQ(rig.form->variables().segmentStart, 1);

  scan.sentences = {{500, 2500, std::nullopt}, {5000, 8000, std::nullopt}};  // the first minute's news
  pollClock.advance(250);
  rig.form->accessKey('n');
  EXPECT_EQ(rig.form->variables().segmentStart, 5000);

  scan.sentences.push_back({12000, 15000, std::nullopt});
  scan.finished = true;
  pollClock.advance(250);
  EXPECT_FALSE(poll->enabled()) << "done: no more polling";
  EXPECT_EQ(rig.form->player().sentenceMap().sentences.size(), 3u);

  rig.form->startCommand();  // the same file again: its map stays, no new scan
  EXPECT_EQ(scan.started.size(), 1u);
  EXPECT_EQ(rig.form->player().sentenceMap().sentences.size(), 3u);

  const std::string withLrc = rig.audio("lesson.mp3", 30000);
  writeBytes(rig.appPath / "voice" / "lesson.lrc", "[00:01.00]一\n");
  rig.open(withLrc);
  EXPECT_EQ(scan.started.size(), 1u) << "an .lrc needs no scan";
  EXPECT_EQ(rig.form->player().sentenceMap().source, SentenceSource::Lrc);
  EXPECT_FALSE(poll->enabled());
}

}  // namespace
}  // namespace tessaly::test

#include "sentences/SubtitleScan.h"
#include "settings/UserSettings.h"
#include "support/MemoryFolder.h"

namespace tessaly::test {
namespace {

// A read of the subtitles inside a file that the test finishes when it likes.
class FakeSubtitleScan final : public SubtitleScan {
 public:
  std::uint32_t start(const std::string& location, std::int32_t, int preferred) override {
    started.push_back(location);
    preferences.push_back(preferred);
    finding.reset();
    return ++serial;
  }
  void cancel() override { ++cancels; }
  std::optional<SubtitleFinding> take(std::uint32_t asked) override {
    if (asked != serial || !finding) return std::nullopt;
    return std::exchange(finding, std::nullopt);
  }
  std::vector<std::string> started;
  std::vector<int> preferences;
  std::optional<SubtitleFinding> finding;
  std::uint32_t serial = 0;
  int cancels = 0;
};

struct SubtitleRig {
  SubtitleRig() {
    form().player().useSubtitleScan(subtitles, *poll);
    form().player().usePauseScan(pauses, *poll);
    rig.start();
  }
  Form1* operator->() { return rig.form.get(); }
  Form1& form() { return *rig.form; }
  SentencePlayer& player() { return rig.form->player(); }
  FakeSubtitleScan subtitles;
  FakePauseScan pauses;
  ManualClock pollClock;
  std::unique_ptr<ui::Timer> poll = pollClock.makeTimer();
  Form1Rig rig;
};

TEST(SentenceKeysFromSubtitles, AVideosOwnSubtitlesComeBeforeItsPauses) {
  SubtitleRig r;
  const std::string video = r.rig.audio("film.mp3", 30000);
  r.rig.open(video);
  ASSERT_EQ(r.subtitles.started, std::vector<std::string>{video});
  EXPECT_EQ(r.subtitles.preferences, std::vector<int>{-1});
  EXPECT_TRUE(r.pauses.started.empty()) << "no scan while the subtitles are read";
  EXPECT_EQ(r.player().sentenceMap().source, SentenceSource::None);
  EXPECT_TRUE(r.poll->enabled());
  r.pollClock.advance(250);  // not read yet
  EXPECT_EQ(r.player().sentenceMap().source, SentenceSource::None);

  r.rig.form->startCommand();  // the same file again: its read goes on
  EXPECT_EQ(r.subtitles.started.size(), 1u);

  SubtitleFinding found;
  found.map = {SentenceSource::Embedded, {{1000, 3000, "你好。"}, {5000, 8000, "再见。"}}};
  found.map.stream = 2;
  found.map.language = "chi";
  found.streams = {{1, "eng", "subrip", SubtitleKind::Text, "Hi"}, {2, "chi", "ass", SubtitleKind::Text, "你好"}};
  r.subtitles.finding = found;
  r.pollClock.advance(250);
  EXPECT_EQ(r.player().sentenceMap().source, SentenceSource::Embedded);
  EXPECT_EQ(r.player().sentenceMap().stream, 2);
  EXPECT_EQ(r.player().subtitleStreams().size(), 2u);
  EXPECT_FALSE(r.poll->enabled());
  EXPECT_TRUE(r.pauses.started.empty()) << "subtitles need no scan";
  r.rig.clock.advance(1500);
  r->accessKey('n');
  EXPECT_EQ(r->variables().segmentStart, 5000);

  r.rig.form->startCommand();  // the same file again: its map stays, nothing read again
  EXPECT_EQ(r.subtitles.started.size(), 1u);
  EXPECT_EQ(r.player().sentenceMap().sentences.size(), 2u);
}

TEST(SentenceKeysFromSubtitles, UnusableSubtitlesLeaveThePausesAndTheirWords) {
  SubtitleRig r;
  const std::string video = r.rig.audio("pictures.mp3", 30000);
  r.rig.open(video);
  SubtitleFinding found;
  found.map.note = subtitleProblemWords(SubtitleProblem::OnlyBitmaps);
  found.streams = {{1, "chi", "hdmv_pgs_subtitle", SubtitleKind::Bitmap, ""}};
  r.subtitles.finding = found;
  r.pollClock.advance(250);
  ASSERT_EQ(r.pauses.started, std::vector<std::string>{video});
  EXPECT_EQ(r.player().sentenceMap().source, SentenceSource::Silence);
  EXPECT_EQ(r.player().sentenceMap().note, found.map.note);
  EXPECT_TRUE(r.poll->enabled());
  r.pauses.sentences = {{500, 2500, std::nullopt}};
  r.pauses.finished = true;
  r.pollClock.advance(250);
  EXPECT_EQ(r.player().sentenceMap().sentences.size(), 1u);
  EXPECT_EQ(r.player().sentenceMap().note, found.map.note) << "the scan's sentences keep the words";
  EXPECT_FALSE(r.poll->enabled());

  // A .vtt beside another recording: no read of its subtitles at all.
  const std::string lesson = r.rig.audio("lesson.mp3", 30000);
  writeBytes(r.rig.appPath / "voice" / "lesson.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000\n一\n");
  const int cancels = r.subtitles.cancels;
  r.rig.open(lesson);
  EXPECT_EQ(r.subtitles.started.size(), 1u);
  EXPECT_EQ(r.player().sentenceMap().source, SentenceSource::Vtt);
  EXPECT_GT(r.subtitles.cancels, cancels);
}

TEST(SentenceKeysFromSubtitles, AnotherRecordingCancelsTheReadUnderWay) {
  SubtitleRig r;
  r.rig.open(r.rig.audio("first.mp3", 30000));
  const int cancels = r.subtitles.cancels;
  const std::string second = r.rig.audio("second.mp3", 30000);
  r.rig.open(second);
  EXPECT_GT(r.subtitles.cancels, cancels);
  ASSERT_EQ(r.subtitles.started.back(), second);
  r.subtitles.finding = SubtitleFinding{{SentenceSource::Embedded, {{3000, 4000, "新"}}}, {}};
  r.pollClock.advance(250);
  ASSERT_EQ(r.player().sentenceMap().sentences.size(), 1u);
  EXPECT_EQ(r.player().sentenceMap().sentences[0].text, "新");
}

TEST(SentenceKeysFromSubtitles, AnotherStreamChosenIsKeptForItsRecording) {
  SubtitleRig r;
  MemoryFolder folder;
  UserSettings settings{folder};
  r->keepUserSettings(settings);
  const std::string video = r.rig.audio("film.mp3", 30000);
  r.rig.open(video);
  SubtitleFinding found;
  found.map = {SentenceSource::Embedded, {{1000, 3000, "你好。"}}};
  found.map.stream = 2;
  found.streams = {{1, "eng", "subrip", SubtitleKind::Text, "Hi"}, {2, "chi", "ass", SubtitleKind::Text, "你好"}};
  r.subtitles.finding = found;
  r.pollClock.advance(250);
  ASSERT_EQ(r.player().sentenceMap().stream, 2);

  r.player().chooseSubtitleStream(1);
  ASSERT_EQ(r.subtitles.preferences, (std::vector<int>{-1, 1}));
  EXPECT_EQ(r.player().sentenceMap().stream, 2) << "the old map serves until the new one is read";
  found.map = {SentenceSource::Embedded, {{1000, 3000, "Hello."}}};
  found.map.stream = 1;
  r.subtitles.finding = found;
  r.pollClock.advance(250);
  EXPECT_EQ(r.player().sentenceMap().stream, 1);
  EXPECT_EQ(r.player().sentenceMap().sentences[0].text, "Hello.");

  // Another recording has no choice; this one, opened again, is read with its own.
  r.rig.open(r.rig.audio("other.mp3", 30000));
  EXPECT_EQ(r.subtitles.preferences.back(), -1);
  r.rig.open(video);
  EXPECT_EQ(r.subtitles.preferences.back(), 1);
  EXPECT_EQ(r.player().chosenSubtitleStream(video), 1);
  settings.set(SentencePlayer::subtitleStreamKey(video), "junk");
  EXPECT_EQ(r.player().chosenSubtitleStream(video), -1);
}

// A transcript aligned where the learner's own map is beside the recording is kept elsewhere:
// remembered for the recording, read before the files beside it while it reads as a map, and
// forgotten once a map is kept beside the recording itself.
TEST(SentenceKeysFromAnAlignedMap, ComesBeforeTheFilesBesideTheRecordingWhileItReads) {
  Form1Rig rig;
  MemoryFolder folder;
  UserSettings settings{folder};
  rig.form->keepUserSettings(settings);
  rig.start();
  const std::string audio = rig.audio("lesson.mp3", 20000);
  const std::string stem = audio.substr(0, audio.size() - 3);
  writeBytes(stem + "srt", "1\r\n00:00:01,000 --> 00:00:05,000\r\n我的字幕\r\n");
  const std::string aligned = (rig.folder.path() / "map-aligned.lrc").string();
  writeBytes(aligned, "[00:01.00]一\r\n[00:04.00]二\r\n[00:09.00]三\r\n");
  rig.open(audio);
  ASSERT_EQ(rig.form->player().sentenceMap().sentences.size(), 1u) << "the learner's .srt";

  rig.form->player().useAlignedMap(audio, aligned, false);
  EXPECT_EQ(settings.get(SentencePlayer::alignedMapKey(audio)), aligned);
  const struct {
    const char* name;
    const char* alignedText;  // nullptr: the file is gone
    std::size_t sentences;
    SentenceSource source;
  } cases[] = {
      {"the aligned map", "[00:01.00]一\r\n[00:04.00]二\r\n[00:09.00]三\r\n", 3, SentenceSource::Lrc},
      {"an aligned map that reads as none", "not a map", 1, SentenceSource::Srt},
      {"an aligned map that is gone", nullptr, 1, SentenceSource::Srt},
  };
  for (const auto& c : cases) {
    if (c.alignedText) writeBytes(aligned, c.alignedText);
    else std::filesystem::remove(aligned);
    rig.open(rig.audio("other.mp3", 20000));
    rig.open(audio);
    EXPECT_EQ(rig.form->player().sentenceMap().sentences.size(), c.sentences) << c.name;
    EXPECT_EQ(rig.form->player().sentenceMap().source, c.source) << c.name;
  }
  // Another recording of the same folder has no aligned map of its own.
  writeBytes(aligned, "[00:01.00]一\r\n[00:04.00]二\r\n[00:09.00]三\r\n");
  EXPECT_FALSE(settings.get(SentencePlayer::alignedMapKey(rig.audio("other.mp3", 20000))));
  // A map kept beside the recording: the one elsewhere is forgotten.
  std::filesystem::remove(stem + "srt");
  writeBytes(stem + "lrc", "[00:02.00]甲\r\n[00:06.00]乙\r\n");
  rig.form->player().useAlignedMap(audio, stem + "lrc", true);
  EXPECT_FALSE(settings.get(SentencePlayer::alignedMapKey(audio)));
  EXPECT_EQ(rig.form->player().sentenceMap().sentences.size(), 2u) << "read again at once";
}

}  // namespace
}  // namespace tessaly::test
