// SPDX-License-Identifier: GPL-3.0-or-later
// Unit times measured from outside, on speech whose unit times are known and none of it made
// by the voice the aligner synthesises with: English from Festival's us-slt-hts voice (which
// reports each word's times), Mandarin from libespeak-ng at another speed and pitch than the
// aligner's; each degraded by room reverberation (sox), white noise at 15 dB SNR, and a
// piecewise time warp of known map. The aligner must put at least 90 % of unit starts within
// 100 ms, with a median error of at most 40 ms. Prints the figures the README's table holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "AudioTestSupport.h"
#include "align/engine/UnitAligner.h"
#include "audio/Speech.h"
#include "check/Check.h"
#include "support/Tmpfs.h"

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;

void writeWav(const std::string& path, const std::vector<float>& samples) { writeMonoWav(path, samples, kRate); }

bool haveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

struct Material {
  std::vector<float> samples;       // mono, kRate
  std::vector<Sentence> sentences;  // where each sentence is, with its text
  std::vector<double> knownStarts;  // each unit's start, in order, in ms
};

// One sentence spoken, with its units' starts (ms from its own start); empty when it failed.
using Voice = std::function<bool(const std::string& text, std::vector<float>& samples, std::vector<double>& starts)>;

bool mandarinVoice(const std::string& text, std::vector<float>& samples, std::vector<double>& starts) {
  std::string spaced;
  std::vector<int> positions;
  int chars = 0;
  for (const Unit& u : unitsOf(text)) {
    if (!spaced.empty()) spaced += ' ', ++chars;
    positions.push_back(chars + 1);
    spaced += u.text;
    ++chars;
  }
  const audio::Spoken spoken = audio::speak(spaced, "cmn-latn-pinyin", 130, 80);  // not the aligner's 175 and 50
  if (spoken.sampleRate != kRate) return false;
  for (int p : positions) {
    const auto w = std::find_if(spoken.words.begin(), spoken.words.end(),
                                [&](const auto& e) { return e.textPosition == p; });
    if (w == spoken.words.end()) return false;
    starts.push_back(w->startMs);
  }
  for (short s : spoken.samples) samples.push_back(static_cast<float>(s) / 32768.0f);
  return true;
}

bool festivalVoice(const TempDir& dir, const std::string& text, std::vector<float>& samples, std::vector<double>& starts) {
  std::ofstream(dir.file("say.scm"))
      << "(voice_cmu_us_slt_arctic_hts)\n(set! utt (utt.synth (Utterance Text \"" << text << "\")))\n"
      << "(utt.save.wave utt \"" << dir.file("say32k.wav") << "\" 'riff)\n"
      << "(mapcar (lambda (w) (format t \"%f\\n\" (item.feat w \"word_start\"))) (utt.relation.items utt 'Word))\n";
  const std::string command = "festival -b " + dir.file("say.scm") + " > " + dir.file("say.txt") + " 2>/dev/null && sox " +
                              dir.file("say32k.wav") + " -r 22050 " + dir.file("say.wav");
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream times(dir.file("say.txt"));
  for (double s; times >> s;) starts.push_back(s * 1000);
  samples = referenceDecode(dir.file("say.wav"), 1);
  return !samples.empty() && starts.size() == unitsOf(text).size();
}

// The sentences spoken one after another, 700 ms apart, then degraded: reverberation, a
// piecewise time warp (1 s stretches alternately 15 % longer and 12 % shorter), noise.
Material material(const TempDir& dir, const std::vector<std::string>& texts, const Voice& voice) {
  Material m;
  std::vector<float> clean(kRate / 2, 0.0f);
  std::vector<std::pair<double, double>> bounds;
  for (const std::string& text : texts) {
    std::vector<float> samples;
    std::vector<double> starts;
    if (!voice(text, samples, starts)) return {};
    const double at = clean.size() * 1000.0 / kRate;
    for (double s : starts) m.knownStarts.push_back(at + s);
    clean.insert(clean.end(), samples.begin(), samples.end());
    bounds.push_back({at, clean.size() * 1000.0 / kRate});
    clean.insert(clean.end(), kRate * 7 / 10, 0.0f);
  }
  writeWav(dir.file("clean.wav"), clean);
  if (std::system(("sox -R " + dir.file("clean.wav") + " " + dir.file("room.wav") + " reverb 40 50 60").c_str()) != 0)
    return {};
  const std::vector<float> room = referenceDecode(dir.file("room.wav"), 1);
  // The warp: input ms → output ms, a factor for each 1 s stretch.
  const auto warp = [](double ms) {
    double out = 0;
    for (int k = 0;; ++k) {
      const double factor = k % 2 ? 0.88 : 1.15;
      if (ms <= 1000) return out + ms * factor;
      out += 1000 * factor;
      ms -= 1000;
    }
  };
  const double lengthMs = room.size() * 1000.0 / kRate;
  std::vector<float> warped;
  for (double in = 0, outMs = 0; in < lengthMs - 1; outMs += 1000.0 / kRate) {
    // The inverse map by search forward: `in` only grows.
    while (in < lengthMs - 1 && warp(in) < outMs) in += 0.02;
    const double x = in * kRate / 1000;
    const std::size_t i = static_cast<std::size_t>(x);
    if (i + 1 >= room.size()) break;
    warped.push_back(static_cast<float>(room[i] + (room[i + 1] - room[i]) * (x - static_cast<double>(i))));
  }
  for (double& s : m.knownStarts) s = warp(s);
  m.samples = withNoise(std::move(warped), 15);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const double from = warp(std::max(0.0, bounds[i].first - 300)), to = warp(bounds[i].second + 300);
    m.sentences.push_back({static_cast<std::int32_t>(from), static_cast<std::int32_t>(to), texts[i]});
  }
  return m;
}

struct Accuracy {
  std::size_t units = 0;
  double within100 = 0, medianMs = 0;
};

Accuracy measure(const TempDir& dir, const Material& m, const char* name) {
  const std::string file = dir.file(std::string(name) + ".wav");
  writeWav(file, m.samples);
  const std::vector<align::UnitSpan> units = align::alignUnits(file, m.sentences);
  Accuracy a;
  a.units = units.size();
  if (units.size() != m.knownStarts.size()) return a;
  std::vector<double> errors;
  for (std::size_t u = 0; u < units.size(); ++u) errors.push_back(std::abs(units[u].startMs - m.knownStarts[u]));
  a.within100 = 100.0 * std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 100; }) / errors.size();
  std::sort(errors.begin(), errors.end());
  a.medianMs = errors[errors.size() / 2];
  std::printf("%s: %zu units, %.1f %% of starts within 100 ms, median error %.0f ms\n", name, a.units, a.within100,
              a.medianMs);
  return a;
}

TEST(AlignAccuracy, MandarinFromAnotherSpeedAndPitchInARoomWithNoiseAndAWarp) {
  if (!haveFfmpeg() || !haveTool("sox")) GTEST_SKIP() << "ffmpeg or sox is missing";
  TempDir dir;
  const Material m = material(dir,
                              {"你好，欢迎来到听写练习。", "今天天气很好。", "我每天早上七点起床。", "我们一起去图书馆吧。",
                               "请你听一句，写一句。", "学习语言要每天练习。"},
                              mandarinVoice);
  ASSERT_FALSE(m.samples.empty());
  const Accuracy a = measure(dir, m, "mandarin");
  ASSERT_EQ(a.units, m.knownStarts.size());
  EXPECT_GE(a.within100, 90.0);
  EXPECT_LE(a.medianMs, 40.0);
}

TEST(AlignAccuracy, EnglishFromFestivalInARoomWithNoiseAndAWarp) {
  if (!haveFfmpeg() || !haveTool("sox") || !haveTool("festival")) GTEST_SKIP() << "ffmpeg, sox or festival is missing";
  TempDir dir;
  const Material m = material(
      dir,
      {"Welcome to your first dictation lesson.", "Listen to each sentence, then write it down.",
       "The library opens at nine in the morning.", "My sister walks to school every day.",
       "We are going to the park after lunch.", "Practice a little every day and you will improve."},
      [&](const std::string& text, std::vector<float>& samples, std::vector<double>& starts) {
        return festivalVoice(dir, text, samples, starts);
      });
  ASSERT_FALSE(m.samples.empty());
  const Accuracy a = measure(dir, m, "english");
  ASSERT_EQ(a.units, m.knownStarts.size());
  EXPECT_GE(a.within100, 90.0);
  EXPECT_LE(a.medianMs, 40.0);
}

// "今天天气很好。" spoken into `lesson` with half a second after it: its map of one sentence
// (none when it could not be spoken).
std::vector<Sentence> oneSentenceLesson(const std::string& lesson) {
  std::vector<float> samples;
  std::vector<double> starts;
  if (!mandarinVoice("今天天气很好。", samples, starts)) return {};
  samples.insert(samples.end(), kRate / 2, 0.0f);
  writeWav(lesson, samples);
  return {{0, static_cast<std::int32_t>(samples.size() * 1000.0 / kRate), "今天天气很好。"}};
}

TEST(UnitTimes, AreCachedByTheRecordingsIdentityAndMadeAgainWhenItChanges) {
  TempDir dir;
  const std::string lesson = dir.file("lesson.wav");
  std::vector<float> samples, more;
  std::vector<double> starts;
  ASSERT_TRUE(mandarinVoice("今天天气很好。", samples, starts));
  samples.insert(samples.end(), kRate / 2, 0.0f);
  writeWav(lesson, samples);
  const double ms = samples.size() * 1000.0 / kRate;
  // A sentence that cannot be spoken (symbols only) and one without text are skipped.
  const std::vector<Sentence> sentences = {
      {0, static_cast<std::int32_t>(ms / 2), "今天天气很好。"},
      {static_cast<std::int32_t>(ms / 2), static_cast<std::int32_t>(ms * 3 / 4), "……"},
      {static_cast<std::int32_t>(ms * 3 / 4), static_cast<std::int32_t>(ms), std::nullopt}};
  const std::string cache = dir.file("cache");
  const auto first = align::cachedUnits(lesson, sentences, cache);
  ASSERT_EQ(first.size(), 6u);
  EXPECT_EQ(first[5].text, "好");
  EXPECT_TRUE(std::all_of(first.begin(), first.end(), [](const align::UnitSpan& u) { return u.sentence == 0; }));
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(cache), {}), 1) << "one file, in the cache folder";
  // Read back, not made again: a cache file changed by hand is what comes back.
  const std::filesystem::path file = std::filesystem::directory_iterator(cache)->path();
  std::string text;
  {
    std::ifstream in(file);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(file, std::ios::trunc) << text.replace(text.rfind(" 好"), 4, " 号");
  EXPECT_EQ(align::cachedUnits(lesson, sentences, cache)[5].text, "号");
  // Another recording (other bytes), or other sentences: made again.
  samples.push_back(0.25f);
  writeWav(lesson, samples);
  EXPECT_EQ(align::cachedUnits(lesson, sentences, cache)[5].text, "好");
  std::ofstream(file, std::ios::trunc) << text;
  std::vector<Sentence> moved = sentences;
  moved[0].startMs = 10;
  EXPECT_EQ(align::cachedUnits(lesson, moved, cache)[5].text, "好");
  EXPECT_TRUE(align::alignUnits(dir.file("missing.wav"), sentences).empty()) << "an unreadable recording: nothing";
}

// Times an older aligner made (its cache file names its version) are made again, not read.
TEST(UnitTimes, AnOlderAlignersCacheIsMadeAgain) {
  TempDir dir;
  const std::string lesson = dir.file("lesson.wav");
  const std::vector<Sentence> sentences = oneSentenceLesson(lesson);
  ASSERT_EQ(sentences.size(), 1u);
  const std::string cache = dir.file("cache");
  ASSERT_EQ(align::cachedUnits(lesson, sentences, cache).size(), 6u);
  const std::filesystem::path file = std::filesystem::directory_iterator(cache)->path();
  std::string text;
  {
    std::ifstream in(file);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_TRUE(text.starts_with("tessaly-units 4 "));
  text.replace(0, 15, "tessaly-units 3");
  std::ofstream(file, std::ios::trunc) << text.replace(text.rfind(" 好"), 4, " 号");
  EXPECT_EQ(align::cachedUnits(lesson, sentences, cache)[5].text, "好") << "the older aligner's times were read";
}

std::string fileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The one-sentence lesson's units, made once into a cache of their own: the file and its text.
struct MadeCache {
  TempDir dir;
  std::string lesson = dir.file("lesson.wav");
  std::vector<Sentence> sentences = oneSentenceLesson(lesson);
  std::string cache = dir.file("cache");
  std::vector<align::UnitSpan> made = align::cachedUnits(lesson, sentences, cache);
  std::filesystem::path file = [this] {
    std::error_code error;
    const std::filesystem::directory_iterator first(cache, error);
    return first == std::filesystem::directory_iterator{} ? std::filesystem::path{} : first->path();
  }();
  std::string whole = fileText(file);
};

// A cache cut short, as a full disk or a crash leaves one, keeps its first line: it is made
// again rather than read. On a full disk nothing of it is left at all, and once there is room
// again it is written whole.
TEST(UnitTimes, ACacheCutShortIsMadeAgainAndAFullDiskLeavesNone) {
  const MadeCache m;
  ASSERT_EQ(m.sentences.size(), 1u);
  ASSERT_EQ(m.made.size(), 6u);
  const auto& [dir, lesson, sentences, cache, made, file, whole] = m;
  // Its first line and two of its units, no more.
  std::size_t cut = 0;
  for (int line = 0; line < 3; ++line) cut = whole.find('\n', cut) + 1;
  std::ofstream(file, std::ios::binary | std::ios::trunc) << whole.substr(0, cut);
  EXPECT_EQ(align::cachedUnits(lesson, sentences, cache).size(), 6u) << "the cut cache was read";
  EXPECT_EQ(fileText(file), whole) << "made again, and written whole";

  Tmpfs small(dir.path() / "small", 1024);
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const std::filesystem::path fullCache = dir.path() / "small" / "tessaly";
  std::filesystem::create_directories(fullCache);
  {
    std::ofstream filler(dir.path() / "small" / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
    }
  }
  EXPECT_EQ(align::cachedUnits(lesson, sentences, fullCache.string()).size(), 6u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fullCache), {}), 0) << "nothing cut is left";
  std::filesystem::remove(dir.path() / "small" / "filler");
  EXPECT_EQ(align::cachedUnits(lesson, sentences, fullCache.string()).size(), 6u);
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(fullCache), {}), 1);
  EXPECT_EQ(fileText(std::filesystem::directory_iterator(fullCache)->path()), whole);
}

// A cache edited by hand whose last line still counts it right, but whose units the aligner
// could not have made, is made again.
TEST(UnitTimes, ACacheNoAlignerCouldHaveMadeIsMadeAgain) {
  const MadeCache m;
  ASSERT_EQ(m.sentences.size(), 1u);
  ASSERT_EQ(m.made.size(), 6u);
  const auto& [dir, lesson, sentences, cache, made, file, whole] = m;
  const std::string key = whole.substr(0, whole.find('\n'));
  std::vector<std::string> lines;
  for (std::size_t at = key.size() + 1; at < whole.rfind("end ");) {
    const std::size_t eol = whole.find('\n', at);
    lines.push_back(whole.substr(at, eol + 1 - at));
    at = eol + 1;
  }
  ASSERT_EQ(lines.size(), 6u);
  const struct {
    const char* what;
    std::function<void(std::vector<std::string>&)> edit;
  } cases[] = {
      {"a unit left out", [](std::vector<std::string>& l) { l.pop_back(); }},
      {"a unit too many", [](std::vector<std::string>& l) { l.push_back("0 6 5000 5100 1 啊\n"); }},
      {"a negative start", [](std::vector<std::string>& l) { l[2].replace(l[2].find(' ', 4), 1, " -"); }},
      {"units swapped", [](std::vector<std::string>& l) { std::swap(l[1], l[2]); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> edited = lines;
    c.edit(edited);
    std::string body;
    for (const std::string& line : edited) body += line;
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << key << '\n'
        << body << "end " << edited.size() << ' ' << body.size() << '\n';
    EXPECT_EQ(align::cachedUnits(lesson, sentences, cache), made);
    EXPECT_EQ(fileText(file), whole) << "made again, and written whole";
  }
}

}  // namespace
}  // namespace tessaly::test
