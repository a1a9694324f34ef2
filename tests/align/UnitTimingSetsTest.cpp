// SPDX-License-Identifier: GPL-3.0-or-later
// Unit times on two sets of speech apart from the other accuracy test's and from each other:
// a tuning set, the one looked at while the aligner's features and warp are changed, and a
// held-out set of other sentences, other voices, other speeds, another room, other noise and
// another warp, measured only to see whether what helped the first holds on speech it was
// never shaped on. English from Festival's diphone voices (kal, a man; ked, another man; at
// several duration stretches) and its us-slt-hts voice (a woman) replayed faster or slower
// (its pitch with it), all reporting each word's times; Mandarin from libespeak-ng's voice
// variants at speeds and pitches neither the aligner nor the other test use. A second held-out
// set, of its own sentences, voices, rooms and noise, is kept apart from both and looked at
// least of all. The aligner must put at least 90 % of unit starts within 100 ms of the known
// ones, with a median error of at most 40 ms, in each set and language, and the held-out sets
// hold what it reaches there; the figures printed are the README's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "AudioTestSupport.h"
#include "align/engine/UnitAligner.h"
#include "audio/Speech.h"
#include "check/Check.h"

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;

bool haveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

bool haveFestivalVoice(const std::string& voice) {
  return std::system(("festival -b '(voice_" + voice + ")' >/dev/null 2>&1").c_str()) == 0;
}

// One sentence spoken: its samples (mono, kRate) and its units' starts (ms from its start).
using Voice = std::function<bool(const std::string& text, std::vector<float>& samples, std::vector<double>& starts)>;

struct Speaker {
  std::string name;
  Voice voice;
};

// What the speech goes through after it is spoken: a room (sox's reverb arguments), a
// piecewise time warp (stretches of `warpMs` alternately `longer` and `shorter`), then white
// noise `snrDb` under the speech from its own seed.
struct Degradation {
  std::string room;
  double warpMs, longer, shorter;
  double snrDb;
  unsigned seed;
};

// A Festival voice at a duration stretch, its wave resampled by `speed` (sox: pitch and tempo
// together, so its word times divide by it).
Voice festival(const TempDir& dir, const std::string& voice, double stretch, double speed) {
  return [&dir, voice, stretch, speed](const std::string& text, std::vector<float>& samples, std::vector<double>& starts) {
    std::ofstream(dir.file("say.scm")) << "(voice_" << voice << ")\n(Parameter.set 'Duration_Stretch " << stretch
                                       << ")\n(set! utt (utt.synth (Utterance Text \"" << text << "\")))\n"
                                       << "(utt.save.wave utt \"" << dir.file("said.wav") << "\" 'riff)\n"
                                       << "(mapcar (lambda (w) (format t \"%f\\n\" (item.feat w \"word_start\"))) "
                                          "(utt.relation.items utt 'Word))\n";
    std::ostringstream command;
    command << "festival -b " << dir.file("say.scm") << " > " << dir.file("say.txt") << " 2>/dev/null && sox "
            << dir.file("said.wav") << " -r " << kRate << " " << dir.file("say.wav") << " speed " << speed;
    if (std::system(command.str().c_str()) != 0) return false;
    std::ifstream times(dir.file("say.txt"));
    for (double s; times >> s;) starts.push_back(s * 1000 / speed);
    samples = referenceDecode(dir.file("say.wav"), 1);
    return !samples.empty() && starts.size() == unitsOf(text).size();
  };
}

// libespeak-ng's Mandarin in a variant ("+f4") at a speed and pitch.
Voice mandarin(const std::string& variant, int wordsPerMinute, int pitch) {
  return
      [variant, wordsPerMinute, pitch](const std::string& text, std::vector<float>& samples, std::vector<double>& starts) {
        std::string spaced;
        std::vector<int> positions;
        int chars = 0;
        for (const Unit& u : unitsOf(text)) {
          if (!spaced.empty()) spaced += ' ', ++chars;
          positions.push_back(chars + 1);
          spaced += u.text;
          ++chars;
        }
        const audio::Spoken spoken = audio::speak(spaced, "cmn-latn-pinyin" + variant, wordsPerMinute, pitch);
        if (spoken.sampleRate != kRate) return false;
        for (int p : positions) {
          const auto w = std::find_if(spoken.words.begin(), spoken.words.end(),
                                      [&](const auto& e) { return e.textPosition == p; });
          if (w == spoken.words.end()) return false;
          starts.push_back(w->startMs);
        }
        for (short s : spoken.samples) samples.push_back(static_cast<float>(s) / 32768.0f);
        return true;
      };
}

struct Recording {
  std::vector<float> samples;
  std::vector<Sentence> sentences;
  std::vector<double> knownStarts;
};

// The sentences spoken one after another, 700 ms apart, then degraded.
Recording record(const TempDir& dir, const std::vector<std::string>& texts, const Voice& voice, const Degradation& how) {
  Recording r;
  std::vector<float> clean(kRate / 2, 0.0f);
  std::vector<std::pair<double, double>> bounds;
  for (const std::string& text : texts) {
    std::vector<float> samples;
    std::vector<double> starts;
    if (!voice(text, samples, starts)) return {};
    const double at = clean.size() * 1000.0 / kRate;
    for (double s : starts) r.knownStarts.push_back(at + s);
    clean.insert(clean.end(), samples.begin(), samples.end());
    bounds.push_back({at, clean.size() * 1000.0 / kRate});
    clean.insert(clean.end(), kRate * 7 / 10, 0.0f);
  }
  writeMonoWav(dir.file("clean.wav"), clean, kRate);
  if (std::system(("sox -R " + dir.file("clean.wav") + " " + dir.file("room.wav") + " reverb " + how.room).c_str()) != 0)
    return {};
  const std::vector<float> room = referenceDecode(dir.file("room.wav"), 1);
  const auto warp = [&how](double ms) {
    double out = 0;
    for (int k = 0;; ++k) {
      const double factor = k % 2 ? how.shorter : how.longer;
      if (ms <= how.warpMs) return out + ms * factor;
      out += how.warpMs * factor;
      ms -= how.warpMs;
    }
  };
  const double lengthMs = room.size() * 1000.0 / kRate;
  std::vector<float> warped;
  for (double in = 0, outMs = 0; in < lengthMs - 1; outMs += 1000.0 / kRate) {
    while (in < lengthMs - 1 && warp(in) < outMs) in += 0.02;
    const double x = in * kRate / 1000;
    const std::size_t i = static_cast<std::size_t>(x);
    if (i + 1 >= room.size()) break;
    warped.push_back(static_cast<float>(room[i] + (room[i + 1] - room[i]) * (x - static_cast<double>(i))));
  }
  for (double& s : r.knownStarts) s = warp(s);
  r.samples = withNoise(std::move(warped), how.snrDb, how.seed);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const double from = warp(std::max(0.0, bounds[i].first - 300)), to = warp(bounds[i].second + 300);
    r.sentences.push_back({static_cast<std::int32_t>(from), static_cast<std::int32_t>(to), texts[i]});
  }
  return r;
}

struct Figures {
  std::size_t units = 0, known = 0;
  double within100 = 0, medianMs = 0;
};

Figures figuresOf(std::vector<double> errors) {
  Figures f;
  f.units = f.known = errors.size();
  if (errors.empty()) return f;
  f.within100 = 100.0 *
                static_cast<double>(std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 100; })) /
                static_cast<double>(errors.size());
  std::sort(errors.begin(), errors.end());
  f.medianMs = errors[errors.size() / 2];
  return f;
}

// Every speaker's recording of `texts` timed; the figures over all their units together.
Figures measure(const char* set, const std::vector<std::string>& texts, const std::vector<Speaker>& speakers,
                const TempDir& dir, const std::vector<Degradation>& rooms) {
  std::vector<double> all;
  Figures total;
  for (const Degradation& how : rooms)
    for (const Speaker& speaker : speakers) {
      const Recording r = record(dir, texts, speaker.voice, how);
      if (r.samples.empty()) {
        ADD_FAILURE() << speaker.name << " could not be spoken";
        return {};
      }
      const std::string file = dir.file("take.wav");
      writeMonoWav(file, r.samples, kRate);
      const std::vector<align::UnitSpan> units = align::alignUnits(file, r.sentences);
      total.known += r.knownStarts.size();
      total.units += units.size();
      if (units.size() != r.knownStarts.size()) {
        ADD_FAILURE() << speaker.name << ": " << units.size() << " units timed of " << r.knownStarts.size();
        continue;
      }
      std::vector<double> errors;
      for (std::size_t u = 0; u < units.size(); ++u) errors.push_back(std::abs(units[u].startMs - r.knownStarts[u]));
      const Figures f = figuresOf(errors);
      std::printf("%s, %s, reverb %s: %zu units, %.1f %% within 100 ms, median %.0f ms\n", set, speaker.name.c_str(),
                  how.room.c_str(), f.units, f.within100, f.medianMs);
      all.insert(all.end(), errors.begin(), errors.end());
    }
  Figures f = figuresOf(all);
  f.units = total.units;
  f.known = total.known;
  std::printf("%s: %zu units, %.1f %% of starts within 100 ms, median error %.0f ms\n", set, all.size(), f.within100,
              f.medianMs);
  return f;
}

// `within100`: the share the set must reach, the goal of 90 % unless said otherwise.
void expectGoal(const Figures& f, double within100 = 90.0) {
  EXPECT_EQ(f.units, f.known);
  EXPECT_GT(f.known, 0u);
  EXPECT_GE(f.within100, within100);
  EXPECT_LE(f.medianMs, 40.0);
}

// The tuning set, in two rooms: a small one, and a hall with more noise.
const std::vector<std::string> kEnglishTune = {
    "The old bridge was closed for repairs last winter.",
    "Please bring a warm coat because it may rain tonight.",
    "Our neighbours planted roses along the garden wall.",
    "He forgot his umbrella on the crowded train.",
    "The museum shows paintings from many different countries.",
    "She answered every question without looking at her notes.",
    "A small boat drifted slowly toward the quiet harbour.",
    "They cooked fresh vegetables for dinner on Friday.",
    "The teacher asked us to read the story aloud.",
    "Most birds leave the valley before the first snow.",
};
const std::vector<std::string> kMandarinTune = {
    "这家饭馆的菜又便宜又好吃。", "他昨天晚上看了一部电影。", "我们下个月要去北京旅行。", "请把窗户关上，外面很冷。",
    "妹妹喜欢在公园里画画。",     "这本书我已经读了两遍。",   "火车站离这里不太远。",     "老师让我们明天交作业。",
};
const std::vector<Degradation> kTuneRooms = {{"40 50 60", 1000, 1.15, 0.88, 15, 5},
                                             {"80 20 100 100 10", 1200, 0.87, 1.1, 10, 23}};

// The held-out set: nothing of it is in the tuning set.
const std::vector<std::string> kEnglishHeldOut = {
    "The children built a tall castle out of sand.",          "My grandfather still writes letters with a fountain pen.",
    "Turn left at the bakery and walk past the post office.", "The engine made a strange noise on the highway.",
    "We watched the sunset from the top of the hill.",        "Her brother plays the violin in a city orchestra.",
    "The farmer sold apples and honey at the market.",        "Nobody noticed the cat sleeping under the table.",
    "Thick clouds covered the mountains all afternoon.",      "You should check the tyres before a long journey.",
};
const std::vector<std::string> kMandarinHeldOut = {
    "春天的时候山上开满了花。", "爸爸每天骑自行车上班。", "你能帮我拿一下那个箱子吗？", "超市里的水果非常新鲜。",
    "我的朋友在银行工作。",     "下雨了，别忘了带伞。",   "他们在河边钓了一下午鱼。",   "这个问题比我想的难多了。",
};
// A larger, livelier room with a pre-delay, a faster warp both ways, more noise.
const std::vector<Degradation> kHeldOutRooms = {{"70 30 90 100 20", 800, 0.9, 1.12, 12, 17}};

// The second held-out set, apart from both: other sentences again, other stretches and
// speeds, two other rooms (a small dry one with a quick warp, a long hall with a slow one) and
// other noise.
const std::vector<std::string> kEnglishFresh = {
    "The library closes early on the last day of the month.",
    "A young fox crossed the road just after midnight.",
    "Could you pass me the salt and the black pepper?",
    "The workers painted the fence a bright shade of green.",
    "His sister baked a chocolate cake for the birthday party.",
    "Strong winds knocked down several trees near the river.",
    "I usually drink a cup of tea before going to bed.",
    "The pilot announced that we would land in ten minutes.",
    "Several students waited outside the office for their results.",
    "The shop on the corner sells newspapers and fresh bread.",
};
const std::vector<std::string> kMandarinFresh = {
    "图书馆周末也开门吗？", "我姐姐在医院当护士。",   "明天早上八点我们在门口见。", "这条裤子有点儿长。",
    "冬天这里经常下大雪。", "他把钥匙忘在办公室了。", "周末我想去海边走走。",       "这道题你是怎么做出来的？",
};
const std::vector<Degradation> kFreshRooms = {{"30 60 50", 600, 1.1, 0.9, 13, 41},
                                              {"60 40 95 80 35", 1500, 0.92, 1.08, 11, 59}};

bool haveEnglishTools() {
  return haveFfmpeg() && haveTool("sox") && haveTool("festival") && haveFestivalVoice("kal_diphone") &&
         haveFestivalVoice("ked_diphone") && haveFestivalVoice("cmu_us_slt_arctic_hts");
}

TEST(UnitTimingTuneSet, English) {
  if (!haveEnglishTools()) GTEST_SKIP() << "ffmpeg, sox, festival or its kal, ked or us-slt-hts voice is missing";
  TempDir dir;
  expectGoal(measure("English tuning set", kEnglishTune,
                     {{"kal", festival(dir, "kal_diphone", 1.0, 1.0)},
                      {"kal slower", festival(dir, "kal_diphone", 1.3, 1.0)},
                      {"slt faster", festival(dir, "cmu_us_slt_arctic_hts", 1.0, 1.12)}},
                     dir, kTuneRooms));
}

TEST(UnitTimingTuneSet, Mandarin) {
  if (!haveFfmpeg() || !haveTool("sox")) GTEST_SKIP() << "ffmpeg or sox is missing";
  TempDir dir;
  expectGoal(measure("Mandarin tuning set", kMandarinTune,
                     {{"f2 150 wpm", mandarin("+f2", 150, 65)}, {"m3 110 wpm", mandarin("+m3", 110, 40)}}, dir,
                     kTuneRooms));
}

TEST(UnitTimingHeldOutSet, English) {
  if (!haveEnglishTools()) GTEST_SKIP() << "ffmpeg, sox, festival or its kal, ked or us-slt-hts voice is missing";
  TempDir dir;
  expectGoal(measure("English held-out set", kEnglishHeldOut,
                     {{"ked faster", festival(dir, "ked_diphone", 0.85, 1.0)},
                      {"ked slower", festival(dir, "ked_diphone", 1.2, 1.0)},
                      {"kal much slower", festival(dir, "kal_diphone", 1.45, 1.0)},
                      {"slt slower and lower", festival(dir, "cmu_us_slt_arctic_hts", 1.0, 0.88)}},
                     dir, kHeldOutRooms),
             93.0);  // it reaches 93.6 %
}

TEST(UnitTimingHeldOutSet, Mandarin) {
  if (!haveFfmpeg() || !haveTool("sox")) GTEST_SKIP() << "ffmpeg or sox is missing";
  TempDir dir;
  expectGoal(measure("Mandarin held-out set", kMandarinHeldOut,
                     {{"f4 200 wpm", mandarin("+f4", 200, 70)},
                      {"m6 120 wpm", mandarin("+m6", 120, 30)},
                      {"f1 95 wpm", mandarin("+f1", 95, 60)}},
                     dir, kHeldOutRooms));
}

TEST(UnitTimingFreshSet, English) {
  if (!haveEnglishTools()) GTEST_SKIP() << "ffmpeg, sox, festival or its kal, ked or us-slt-hts voice is missing";
  TempDir dir;
  expectGoal(measure("English fresh held-out set", kEnglishFresh,
                     {{"kal faster", festival(dir, "kal_diphone", 0.9, 1.0)},
                      {"ked a little slower and higher", festival(dir, "ked_diphone", 1.1, 1.06)},
                      {"slt slower", festival(dir, "cmu_us_slt_arctic_hts", 1.25, 1.0)}},
                     dir, kFreshRooms),
             95.0);  // it reaches 95.8 %
}

TEST(UnitTimingFreshSet, Mandarin) {
  if (!haveFfmpeg() || !haveTool("sox")) GTEST_SKIP() << "ffmpeg or sox is missing";
  TempDir dir;
  expectGoal(
      measure("Mandarin fresh held-out set", kMandarinFresh,
              {{"f5 165 wpm", mandarin("+f5", 165, 50)}, {"m4 100 wpm", mandarin("+m4", 100, 55)}}, dir, kFreshRooms),
      96.5);  // it reaches 97.1 %
}

}  // namespace
}  // namespace tessaly::test
