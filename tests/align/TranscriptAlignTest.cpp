// SPDX-License-Identifier: GPL-3.0-or-later
// The transcript aligner on a short lesson the test makes, spoken by a voice the aligner does
// not synthesise with (libespeak-ng's Mandarin in another variant, speed and pitch), with
// pauses and light noise: each sentence's start where its sound starts; a sentence printed but
// never spoken left out; an intro of music and an announcement the text does not have; the
// text of another lesson refused; where the map is kept and what it never replaces; and the
// tessaly-align command's exit codes and files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "AudioTestSupport.h"
#include "align/engine/TranscriptAlignJob.h"
#include "align/engine/TranscriptAligner.h"
#include "audio/Speech.h"
#include "sentences/MapSave.h"
#include "sentences/SentenceMap.h"
#include "text/TextFile.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 22050;

const std::vector<std::string> kSentences = {"我每天早上七点起床。", "今天的天气非常好，我们去公园散步吧。",
                                             "图书馆星期一不开门。", "请你把窗户打开。"};

std::vector<float> spoken(const std::string& text, const std::string& voice, int rate, int pitch) {
  const audio::Spoken said = audio::speak(text, voice, rate, pitch);
  std::vector<float> out;
  for (short s : said.samples) out.push_back(static_cast<float>(s) / 32768.0f);
  // From its sound's first sample to its last.
  const auto loud = [](float s) { return std::abs(s) > 0.01f; };
  const auto first = std::find_if(out.begin(), out.end(), loud);
  const auto last = std::find_if(out.rbegin(), out.rend(), loud).base();
  return first < last ? std::vector<float>(first, last) : std::vector<float>{};
}

// Chords that change every half second: music without words.
std::vector<float> music(double seconds) {
  std::vector<float> out(static_cast<std::size_t>(seconds * kRate));
  const double chords[][3] = {{261.6, 329.6, 392.0}, {220.0, 261.6, 329.6}, {174.6, 220.0, 261.6}};
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i % (kRate / 2)) / kRate;
    const auto& chord = chords[i / (kRate / 2) % 3];
    double v = 0;
    for (double f : chord) v += std::sin(2 * 3.14159265358979 * f * static_cast<double>(i) / kRate);
    out[i] = static_cast<float>(0.1 * std::exp(-3 * t) * v);
  }
  return out;
}

struct Lesson {
  std::string recording;
  std::vector<double> startsMs;  // of kSentences
};

class TranscriptAlign : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    plain_ = make("plain.wav", {});
    std::vector<float> intro = music(5);
    intro.insert(intro.end(), kRate, 0.0f);
    const std::vector<float> notice = spoken("现在开始听写，请准备好纸和笔。", "cmn-latn-pinyin+m3", 160, 35);
    intro.insert(intro.end(), notice.begin(), notice.end());
    intro_ = make("intro.wav", intro);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // The sentences in the test's voice after `before`, with pauses of 0.3 to 1.8 s, and noise.
  static Lesson make(const std::string& name, std::vector<float> before) {
    Lesson lesson{dir_->file(name), {}};
    std::vector<float> all = std::move(before);
    all.insert(all.end(), kRate / 2, 0.0f);
    const double pauses[] = {0.3, 1.8, 0.6, 1.0};
    for (std::size_t k = 0; k < kSentences.size(); ++k) {
      const std::vector<float> clip = spoken(kSentences[k], "cmn-latn-pinyin+f2", 140, 75);
      lesson.startsMs.push_back(static_cast<double>(all.size()) * 1000.0 / kRate);
      all.insert(all.end(), clip.begin(), clip.end());
      all.insert(all.end(), static_cast<std::size_t>(pauses[k] * kRate), 0.0f);
    }
    writeMonoWav(lesson.recording, withNoise(std::move(all), 25), kRate);
    return lesson;
  }

  static std::string transcript(const std::string& name, const std::string& text) {
    const std::string path = dir_->file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  static TempDir* dir_;
  static Lesson plain_, intro_;
};

TempDir* TranscriptAlign::dir_ = nullptr;
Lesson TranscriptAlign::plain_, TranscriptAlign::intro_;

TEST_F(TranscriptAlign, FindsEachSpokenSentenceAndLeavesOutTheOneNeverSaid) {
  // A heading the recording does not read, labels, a blank line; in one text a sentence
  // printed but never spoken.
  const std::string right = transcript("right.txt", "第一课\r\n\r\n老师：" + kSentences[0] + "\r\n男：" + kSentences[1] +
                                                        "\r\n" + kSentences[2] + kSentences[3] + "\r\n");
  const std::string unspoken = transcript("unspoken.txt", kSentences[0] + "\n" + kSentences[1] +
                                                              "\n这一句印在书上，录音里没有读。\n" + kSentences[2] + "\n" +
                                                              kSentences[3] + "\n");
  const struct {
    const char* name;
    const Lesson& lesson;
    std::string transcript;
    std::vector<std::string> leftOut;
  } cases[] = {
      {"the lesson", plain_, right, {"第一课"}},
      {"an unspoken sentence", plain_, unspoken, {"这一句印在书上，录音里没有读。"}},
      {"music and an announcement first", intro_, right, {"第一课"}},
      {"both", intro_, unspoken, {"这一句印在书上，录音里没有读。"}},
  };
  for (const auto& c : cases) {
    const align::TranscriptAlignment done = align::alignTranscriptFile(c.lesson.recording, c.transcript);
    ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned) << c.name << ": " << done.message;
    std::vector<std::string> leftOut;
    std::size_t next = 0;
    for (const align::AlignedSentence& s : done.sentences) {
      if (!s.found) {
        leftOut.push_back(s.text);
        continue;
      }
      ASSERT_LT(next, kSentences.size()) << c.name << ": " << s.text;
      EXPECT_EQ(s.text, kSentences[next]) << c.name;
      EXPECT_NEAR(s.startMs, c.lesson.startsMs[next], 150) << c.name << ": " << s.text;
      ++next;
    }
    EXPECT_EQ(next, kSentences.size()) << c.name;
    EXPECT_EQ(leftOut, c.leftOut) << c.name;
  }
}

TEST_F(TranscriptAlign, RefusesTheTextOfAnotherLessonAndKeepsNothing) {
  const std::string other = transcript(
      "other.txt",
      "Good morning, everyone. Please open your books at page twelve.\nThe weather was cold and windy all week.\n"
      "My grandfather planted apple trees behind the house.\nWe will have a short test on Friday afternoon.\n");
  const align::TranscriptAlignment done = align::alignTranscriptFile(plain_.recording, other);
  EXPECT_EQ(done.outcome, align::AlignOutcome::NoMatch);
  EXPECT_EQ(done.found(), 0);
  EXPECT_NE(done.message.find("对不上"), std::string::npos) << done.message;
  const align::KeptMap kept = align::keepAlignedMap(plain_.recording, done, dir_->file("cache"));
  EXPECT_FALSE(kept.ok);
  EXPECT_FALSE(fs::exists(dir_->file("plain.lrc")));
  EXPECT_FALSE(fs::exists(dir_->file("cache")));
}

// The synthesiser's state carries over from one text to the next (the first English text
// after Mandarin is spoken a little differently), as it does when the learner aligns one
// lesson after another: the verdict must not hang on what was aligned before.
TEST_F(TranscriptAlign, AnotherLessonsTextIsRefusedWhateverWasAlignedBefore) {
  const std::string right = transcript("right-again.txt", "第一课\r\n\r\n老师：" + kSentences[0] + "\r\n男：" +
                                                              kSentences[1] + "\r\n" + kSentences[2] + kSentences[3]);
  const std::string unspoken = transcript("unspoken-again.txt", kSentences[0] + "\n" + kSentences[1] +
                                                                    "\n这一句印在书上，录音里没有读。\n" + kSentences[2] +
                                                                    "\n" + kSentences[3] + "\n");
  const std::string other = transcript(
      "other-again.txt",
      "Good morning, everyone. Please open your books at page twelve.\nThe weather was cold and windy all week.\n"
      "My grandfather planted apple trees behind the house.\nWe will have a short test on Friday afternoon.\n");
  for (const Lesson* lesson : {&plain_, &intro_})
    for (const std::string* before : {&right, &unspoken}) {
      SCOPED_TRACE((lesson == &plain_ ? "plain, " : "intro, ") + *before);
      EXPECT_EQ(align::alignTranscriptFile(lesson->recording, *before).outcome, align::AlignOutcome::Aligned);
      for (const Lesson* on : {&plain_, &intro_}) {
        const align::TranscriptAlignment done = align::alignTranscriptFile(on->recording, other);
        EXPECT_EQ(done.outcome, align::AlignOutcome::NoMatch);
        EXPECT_EQ(done.found(), 0);
      }
    }
}

TEST_F(TranscriptAlign, KeepsTheMapBesideTheRecordingOnlyWhereNoneIsAndNeverOverALearnersFile) {
  const std::string text = transcript("keep.txt", kSentences[0] + kSentences[1] + kSentences[2] + kSentences[3]);
  const align::TranscriptAlignment done = align::alignTranscriptFile(plain_.recording, text);
  ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned) << done.message;
  const struct {
    const char* name;
    const char* companion;  // the learner's file beside the recording, if any
  } cases[] = {{"none yet", nullptr}, {"an .lrc of the learner's", "lrc"}, {"an .srt of the learner's", "srt"}};
  for (const auto& c : cases) {
    TempDir folder;
    const std::string recording = folder.file("课文.wav");
    fs::copy_file(plain_.recording, recording);
    const std::string mine = "[00:01.00]我自己的时间\r\n";
    if (c.companion) std::ofstream(folder.file(std::string("课文.") + c.companion), std::ios::binary) << mine;
    const std::string cache = folder.file("cache");
    const align::KeptMap kept = align::keepAlignedMap(recording, done, cache);
    ASSERT_TRUE(kept.ok) << c.name << ": " << kept.error;
    EXPECT_EQ(kept.besideRecording, c.companion == nullptr) << c.name;
    std::string written;
    ASSERT_TRUE(readFileBytes(kept.path, written).ok) << c.name;
    EXPECT_EQ(written, (c.companion ? "" : std::string(kMapLrcMark) + "\r\n") + align::lrcText(done.sentences)) << c.name;
    // The program's own map: a correction saved by hand replaces it without asking.
    if (!c.companion) {
      EXPECT_EQ(saveChoiceFor(written), SaveChoice::Replace);
    }
    if (c.companion) {
      std::string still;
      readFileBytes(folder.file(std::string("课文.") + c.companion), still);
      EXPECT_EQ(still, mine) << c.name << ": the learner's file is as it was";
      EXPECT_EQ(kept.path, align::cachedMapPath(recording, cache)) << c.name;
      EXPECT_FALSE(fs::exists(folder.file("课文.lrc")) && std::string(c.companion) == "srt") << c.name;
    } else {
      // What the program reads as the recording's map.
      const SentenceMap map = loadSentenceMap(recording, 0);
      ASSERT_EQ(map.sentences.size(), kSentences.size()) << c.name;
      for (std::size_t k = 0; k < kSentences.size(); ++k)
        EXPECT_NEAR(map.sentences[k].startMs, plain_.startsMs[k], 160) << c.name;
    }
  }
}

TEST_F(TranscriptAlign, ACancelStopsItAndProgressGoesUpToTheEnd) {
  const std::string text = transcript("progress.txt", kSentences[0] + kSentences[1]);
  std::vector<double> shares;
  const align::TranscriptAlignment done = align::alignTranscriptFile(plain_.recording, text, nullptr,
                                                                     [&](double share) { shares.push_back(share); });
  EXPECT_EQ(done.outcome, align::AlignOutcome::Aligned) << done.message;
  ASSERT_FALSE(shares.empty());
  EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
  EXPECT_DOUBLE_EQ(shares.back(), 1.0);
  const std::atomic<bool> cancel{true};
  EXPECT_EQ(align::alignTranscriptFile(plain_.recording, text, &cancel).outcome, align::AlignOutcome::Cancelled);
}

// The practice window's way in: the job on its worker, polled as the window polls it, keeps the
// map beside the recording where none is (a pasted text), in the cache where the learner's
// .srt is (a file; the .srt as it was), nothing for an empty text, and nothing once cancelled.
TEST_F(TranscriptAlign, TheBackgroundJobKeepsTheMapOrSaysWhyAndACancelKeepsNothing) {
  const std::string text = kSentences[0] + "\n" + kSentences[1] + "\n" + kSentences[2] + "\n" + kSentences[3] + "\n";
  const std::string file = transcript("job.txt", text);
  const auto finish = [](align::TranscriptAlignJob& job, std::uint32_t serial) {
    TranscriptAlignState state;
    for (int waited = 0; waited < 120000 && !(job.state(serial, state) && state.finished); waited += 20)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return state;
  };
  const struct {
    const char* name;
    bool pasted;
    std::string transcript;
    bool learnersSrt;
    bool beside;  // where the map is kept; neither when `error`
    bool error;
  } cases[] = {
      {"pasted, nothing beside", true, text, false, true, false},
      {"a file, the learner's .srt beside", false, file, true, false, false},
      {"an empty text", true, "\n\n", false, false, true},
  };
  for (const auto& c : cases) {
    TempDir folder;
    const std::string recording = folder.file("课文.wav");
    fs::copy_file(plain_.recording, recording);
    const std::string srt = "1\r\n00:00:01,000 --> 00:00:02,000\r\n我的\r\n";
    if (c.learnersSrt) std::ofstream(folder.file("课文.srt"), std::ios::binary) << srt;
    align::TranscriptAlignJob job(folder.file("cache"));
    const TranscriptAlignState state = finish(
        job, c.pasted ? job.startText(recording, c.transcript) : job.startFile(recording, c.transcript));
    ASSERT_TRUE(state.finished) << c.name;
    EXPECT_EQ(state.error.empty(), !c.error) << c.name << ": " << state.error;
    if (c.error) {
      EXPECT_FALSE(fs::exists(folder.file("课文.lrc"))) << c.name;
      EXPECT_FALSE(fs::exists(folder.file("cache"))) << c.name;
      continue;
    }
    EXPECT_EQ(state.sentences, 4) << c.name;
    EXPECT_EQ(state.found, 4) << c.name;
    EXPECT_EQ(state.besideRecording, c.beside) << c.name;
    EXPECT_EQ(state.keptPath, c.beside ? folder.file("课文.lrc") : align::cachedMapPath(recording, folder.file("cache")))
        << c.name;
    EXPECT_TRUE(fs::exists(state.keptPath)) << c.name;
    if (c.learnersSrt) {
      std::string still;
      readFileBytes(folder.file("课文.srt"), still);
      EXPECT_EQ(still, srt) << c.name;
      EXPECT_FALSE(fs::exists(folder.file("课文.lrc"))) << c.name;
    }
  }
  // Cancelled at once: never finished, nothing kept.
  TempDir folder;
  const std::string recording = folder.file("课文.wav");
  fs::copy_file(plain_.recording, recording);
  align::TranscriptAlignJob job(folder.file("cache"));
  const std::uint32_t serial = job.startText(recording, text);
  job.cancel();
  std::this_thread::sleep_for(std::chrono::seconds(3));
  TranscriptAlignState state;
  job.state(serial, state);
  EXPECT_FALSE(state.finished);
  EXPECT_FALSE(fs::exists(folder.file("课文.lrc")));
  EXPECT_FALSE(fs::exists(folder.file("cache")));
}

// The command, its exit code, what it wrote to standard output, its standard error.
struct Ran {
  int status = -1;
  std::string out, err;
};

Ran run(const TempDir& dir, const std::string& args) {
  const std::string command = std::string(TESSALY_ALIGN) + " " + args + " >" + dir.file("stdout.txt") + " 2>" +
                              dir.file("stderr.txt");
  const int status = std::system(command.c_str());
  Ran r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  readFileBytes(dir.file("stdout.txt"), r.out);
  readFileBytes(dir.file("stderr.txt"), r.err);
  return r;
}

TEST_F(TranscriptAlign, TheCommandWritesTheLrcOrSaysWhyNotWithItsExitCode) {
  TempDir dir;
  const std::string q = "'";
  const std::string recording = q + plain_.recording + q;
  const std::string good =
      q + transcript("cli.txt", kSentences[0] + "\n这一句没有读。\n" + kSentences[1] + kSentences[2] + kSentences[3]) + q;
  const std::string other = q +
                            transcript("cli-other.txt",
                                       "Completely different words about the sea and ships.\n"
                                       "Another sentence of another lesson entirely.\n") +
                            q;
  const std::string empty = q + transcript("cli-empty.txt", "\r\n  \r\n……\r\n") + q;
  const std::string binary = q + transcript("cli-binary.txt", std::string("\x89PNG\0\0\0\rIHDR\0\x01", 14)) + q;
  const std::string existing = dir.file("mine.lrc");
  std::ofstream(existing, std::ios::binary) << "[00:00.00]mine\r\n";
  const struct {
    const char* name;
    std::string args;
    int status;
    const char* says;     // on standard error
    std::string written;  // a file it must have made ("" for none)
    bool toStandardOutput;
  } cases[] = {
      {"no arguments", "", 2, "用法", "", false},
      {"a missing recording", q + dir.file("missing.wav") + q + " " + good, 2, "无法读取这个语音文件", "", false},
      {"a missing transcript", recording + " " + q + dir.file("missing.txt") + q, 2, "无法读取这个文本文件", "", false},
      {"a binary transcript", recording + " " + binary, 2, "不是文本文件", "", false},
      {"an empty transcript", recording + " " + empty, 2, "没有句子", "", false},
      {"another lesson's text", recording + " " + other + " " + q + dir.file("other.lrc") + q, 2, "对不上", "", false},
      {"an output that exists", recording + " " + good + " " + q + existing + q, 2, "已经存在", "", false},
      {"to standard output", recording + " " + good, 0, "\"left_out\":[{\"line\":2,\"text\":\"这一句没有读。\"}]", "",
       true},
      {"to a new file", recording + " " + good + " " + q + dir.file("new.lrc") + q, 0, "\"found\":4", dir.file("new.lrc"),
       false},
  };
  for (const auto& c : cases) {
    const Ran r = run(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(!r.out.empty(), c.toStandardOutput) << c.name << ": " << r.out;
    if (c.toStandardOutput) {
      EXPECT_EQ(readLrc(r.out, 0).size(), 4u) << c.name;
    }
    if (!c.written.empty()) {
      std::string lrc;
      ASSERT_TRUE(readFileBytes(c.written, lrc).ok) << c.name;
      EXPECT_EQ(readLrc(lrc, 0).size(), 4u) << c.name;
    }
  }
  EXPECT_FALSE(fs::exists(dir.file("other.lrc"))) << "nothing written for another lesson's text";
  std::string mine;
  readFileBytes(existing, mine);
  EXPECT_EQ(mine, "[00:00.00]mine\r\n") << "an existing output is never replaced";
}

}  // namespace
}  // namespace tessaly::test
