// SPDX-License-Identifier: GPL-3.0-or-later
// The stretch contract (audio/Stretch.h) on every engine, driven as the player drives it but
// without a device: each stretch gives exactly its file frames over the speed, also when the
// speed changes at any block; a tone keeps its pitch; an onset lands where the promise puts it;
// a speed change leaves no click or gap; a restarted stretch is a fresh one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "audio/Stretch.h"

namespace tessaly::test {
namespace {

struct Signal {
  int rate = 22050;
  int channels = 1;
  std::vector<float> frames;  // interleaved
  std::int64_t length() const { return static_cast<std::int64_t>(frames.size()) / channels; }
};

// `seconds` of a steady tone, the same in every channel.
Signal tone(double hz, double seconds, int rate, int channels, float amplitude = 0.5f) {
  Signal s{rate, channels, {}};
  const auto n = static_cast<std::size_t>(std::lround(seconds * rate));
  s.frames.resize(n * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < n; ++i)
    for (int c = 0; c < channels; ++c)
      s.frames[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
          amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate));
  return s;
}

// A quiet bed of low hum, then from frame `onset` a loud 300 Hz tone to the end.
Signal onsetAt(std::int64_t onset, std::int64_t length, int rate) {
  Signal s{rate, 1, std::vector<float>(static_cast<std::size_t>(length))};
  for (std::int64_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / rate;
    s.frames[static_cast<std::size_t>(i)] = static_cast<float>(
        0.002 * std::sin(2 * std::numbers::pi * 97 * t) +
        (i >= onset ? 0.5 * std::sin(2 * std::numbers::pi * 300 * t) : 0));
  }
  return s;
}

struct Stretched {
  std::vector<float> out;
  double due = 0;         // the output frames the feeds stand for, at their speeds
  double changedAt = -1;  // the output frame the first speed change stands at
  bool finished = false;
  int afterFinish = -1;  // what one more take gave once finished
};

// One stretch as the player makes it: from file frame `start`, the history primed, then
// blocks of `block` frames (fewer when wanted() asks for fewer) fed up to `end`, output taken
// in pieces of 700 frames; `speedAt(k)` the speed from the k-th block on.
Stretched stretchOf(audio::Stretch& stretch, const Signal& s, std::int64_t start, std::int64_t end, int block,
                    const std::function<double(int)>& speedAt) {
  Stretched run;
  const int ch = s.channels;
  stretch.restart(speedAt(0));
  const std::int64_t begin = std::max<std::int64_t>(0, start - stretch.historyFrames());
  stretch.prime(s.frames.data() + begin * ch, static_cast<int>(start - begin));
  std::vector<float> piece(700 * static_cast<std::size_t>(ch));
  const auto takeAll = [&] {
    for (int n; (n = stretch.take(piece.data(), 700)) > 0;)
      run.out.insert(run.out.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n) * ch);
  };
  std::int64_t at = start;
  for (int k = 0; at < end; ++k) {
    if (k > 0 && speedAt(k) != speedAt(k - 1) && run.changedAt < 0) run.changedAt = run.due;
    stretch.setSpeed(speedAt(k));
    const int n = static_cast<int>(std::min<std::int64_t>({block, std::max(1, stretch.wanted()), end - at}));
    run.due += n / stretch.speed();
    stretch.feed(s.frames.data() + at * ch, n, at + n >= end);
    at += n;
    takeAll();
  }
  if (end <= start) stretch.feed(nullptr, 0, true);
  takeAll();
  run.finished = stretch.finished();
  run.afterFinish = stretch.take(piece.data(), 700);
  return run;
}

// The frequency of a steady tone, from its rising zero crossings (interpolated), of channel 0.
double frequencyOf(const std::vector<float>& x, int channels, int rate) {
  std::vector<double> crossings;
  const std::size_t n = x.size() / static_cast<std::size_t>(channels);
  for (std::size_t i = 1; i < n; ++i) {
    const float a = x[(i - 1) * channels], b = x[i * channels];
    if (a < 0 && b >= 0) crossings.push_back(static_cast<double>(i - 1) + a / (a - b));
  }
  if (crossings.size() < 2) return 0;
  return (crossings.size() - 1) / ((crossings.back() - crossings.front()) / rate);
}

class StretchContract : public ::testing::TestWithParam<StretchEngine> {
 protected:
  std::unique_ptr<audio::Stretch> make(int rate, int channels) { return audio::makeStretch(GetParam(), rate, channels); }
};

struct LengthCase {
  double speed;
  int changeAt;  // the block from which the speed is `then`; -1: it stays
  double then;
  int block;
};

TEST_P(StretchContract, EachStretchGivesExactlyItsFileFramesOverItsSpeeds) {
  const Signal s = tone(440, 3.0, 22050, 2, 0.3f);
  const LengthCase cases[] = {
      {0.5, -1, 0, 1024},   {0.7, -1, 0, 1024},  {0.85, -1, 0, 1024}, {1.0, -1, 0, 1024},   {1.25, -1, 0, 1024},
      {2.0, -1, 0, 1024},   {0.5, 0, 2.0, 1024}, {0.5, 1, 1.25, 777}, {0.7, 3, 0.85, 1024}, {0.85, 5, 0.5, 333},
      {1.25, 17, 0.7, 256}, {2.0, 2, 0.5, 4096}, {1.0, 4, 0.5, 1024}, {0.5, 40, 1.0, 512},  {2.0, 9, 0.7, 1500},
  };
  const auto stretch = make(s.rate, s.channels);
  for (const LengthCase& c : cases) {
    for (const auto& [start, end] :
         {std::pair<std::int64_t, std::int64_t>{0, 22050}, {11025, 60000}, {30001, 30001 + 4321}}) {
      SCOPED_TRACE(::testing::Message() << "speed " << c.speed << " then " << c.then << " at block " << c.changeAt
                                        << ", block " << c.block << ", frames " << start << " to " << end);
      const Stretched run = stretchOf(*stretch, s, start, end, c.block,
                                      [&](int k) { return c.changeAt >= 0 && k >= c.changeAt ? c.then : c.speed; });
      EXPECT_EQ(static_cast<long long>(run.out.size() / 2), std::llround(run.due)) << "output frames";
      EXPECT_TRUE(run.finished);
      EXPECT_EQ(run.afterFinish, 0) << "nothing after the end";
    }
  }
}

TEST_P(StretchContract, AnEmptyStretchGivesNothingAndFinishes) {
  const Signal s = tone(440, 1.0, 22050, 1);
  const auto stretch = make(s.rate, s.channels);
  const Stretched run = stretchOf(*stretch, s, 5000, 5000, 1024, [](int) { return 0.5; });
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(run.finished);
}

TEST_P(StretchContract, AToneKeepsItsPitchAtEverySpeed) {
  for (const int rate : {22050, 44100}) {
    const Signal s = tone(440, 2.0, rate, rate == 44100 ? 2 : 1, 0.4f);
    const auto stretch = make(s.rate, s.channels);
    for (const double speed : {0.5, 0.7, 0.85, 1.0, 1.25, 1.5, 2.0}) {
      SCOPED_TRACE(::testing::Message() << rate << " Hz, speed " << speed);
      const Stretched run = stretchOf(*stretch, s, rate / 4, s.length(), 1024, [&](int) { return speed; });
      const std::size_t n = run.out.size() / static_cast<std::size_t>(s.channels);
      const std::vector<float> middle(run.out.begin() + static_cast<std::ptrdiff_t>(n / 4 * s.channels),
                                      run.out.begin() + static_cast<std::ptrdiff_t>(n * 3 / 4 * s.channels));
      EXPECT_NEAR(frequencyOf(middle, s.channels, rate), 440.0, 440.0 * 0.01);
    }
  }
}

// The first output frame of an onset: where the sound first rises over a third of the tone.
std::int64_t firstLoud(const std::vector<float>& out) {
  for (std::size_t i = 0; i < out.size(); ++i)
    if (std::fabs(out[i]) > 0.5f / 3) return static_cast<std::int64_t>(i);
  return -1;
}

TEST_P(StretchContract, AnOnsetLandsWhereItsFileFrameOverTheSpeedPutsIt) {
  constexpr int kRate = 22050;
  // WSOLA moves whole sequences: an onset can show up to half a 40 ms sequence off.
  const double toleranceMs = GetParam() == StretchEngine::Speech ? 25 : 12;
  const auto stretch = make(kRate, 1);
  for (const std::int64_t start : {std::int64_t{0}, std::int64_t{100}, std::int64_t{20000}}) {
    for (const std::int64_t after : {std::int64_t{4410}, std::int64_t{7777}}) {
      const Signal s = onsetAt(start + after, start + after + kRate, kRate);
      for (const double speed : {0.5, 0.7, 0.85, 1.25, 2.0}) {
        SCOPED_TRACE(::testing::Message() << "start " << start << ", onset " << after << " later, speed " << speed);
        const Stretched run = stretchOf(*stretch, s, start, s.length(), 1024, [&](int) { return speed; });
        const std::int64_t landed = firstLoud(run.out);
        ASSERT_GE(landed, 0);
        EXPECT_NEAR(static_cast<double>(landed), after / speed, toleranceMs * kRate / 1000.0);
      }
    }
  }
}

// The largest step from one sample to the next, and the quietest 10 ms, of `out` (mono).
struct Smoothness {
  float largestStep = 0;
  double quietestRms = 1e9;
};
Smoothness smoothnessOf(const std::vector<float>& out, int rate) {
  Smoothness m;
  for (std::size_t i = 1; i < out.size(); ++i) m.largestStep = std::max(m.largestStep, std::fabs(out[i] - out[i - 1]));
  const auto window = static_cast<std::size_t>(rate / 100);
  for (std::size_t i = 0; i + window <= out.size(); i += window / 2) {
    double sum = 0;
    for (std::size_t j = i; j < i + window; ++j) sum += out[j] * out[j];
    m.quietestRms = std::min(m.quietestRms, std::sqrt(sum / window));
  }
  return m;
}

TEST_P(StretchContract, ASpeedChangeAtAnyBlockLeavesNoClickAndNoGap) {
  constexpr int kRate = 22050;
  constexpr float kAmplitude = 0.5f;
  const Signal s = tone(220, 3.0, kRate, 1, kAmplitude);
  // A clean sine's largest step; a seam that jumps shows as a step far beyond it.
  const float cleanStep = kAmplitude * static_cast<float>(2 * std::numbers::pi * 220 / kRate);
  const auto stretch = make(kRate, 1);
  const std::pair<double, double> changes[] = {{0.5, 2.0}, {2.0, 0.5}, {0.7, 1.25}, {0.85, 0.5}, {1.25, 0.7}};
  for (const auto& [before, after] : changes) {
    for (const int at : {1, 4, 11, 23}) {
      SCOPED_TRACE(::testing::Message() << before << " to " << after << " at block " << at);
      const Stretched run = stretchOf(*stretch, s, 2205, 2205 + kRate * 2, 512,
                                      [&](int k) { return k >= at ? after : before; });
      // From 20 ms in (the start is no seam) to 200 ms after the change: the tail, where the
      // engine's own latency at the other speed is evened out by a cut or silence, is no seam
      // either.
      const auto from = static_cast<std::ptrdiff_t>(kRate / 50);
      const auto to = std::min(static_cast<std::ptrdiff_t>(run.out.size()),
                               static_cast<std::ptrdiff_t>(run.changedAt) + static_cast<std::ptrdiff_t>(kRate / 5));
      ASSERT_GT(run.changedAt, 0);
      ASSERT_GT(to, from + kRate / 10);
      const Smoothness m = smoothnessOf({run.out.begin() + from, run.out.begin() + to}, kRate);
      EXPECT_LT(m.largestStep, 2.0f * cleanStep) << "a click";
      EXPECT_GT(m.quietestRms, 0.25 * kAmplitude / std::numbers::sqrt2) << "a gap";
    }
  }
}

TEST_P(StretchContract, ARestartedStretchGivesWhatAFreshOneGives) {
  const Signal s = onsetAt(9000, 40000, 22050);
  const auto used = make(s.rate, 1);
  (void)stretchOf(*used, s, 3000, 20000, 1024, [](int k) { return k < 5 ? 0.5 : 2.0; });
  const Stretched again = stretchOf(*used, s, 6000, 30000, 1024, [](int) { return 0.7; });
  const auto fresh = make(s.rate, 1);
  const Stretched first = stretchOf(*fresh, s, 6000, 30000, 1024, [](int) { return 0.7; });
  ASSERT_EQ(again.out.size(), first.out.size());
  double worst = 0;
  for (std::size_t i = 0; i < first.out.size(); ++i)
    worst = std::max(worst, static_cast<double>(std::fabs(first.out[i] - again.out[i])));
  // Rubber Band's reset leaves a trace of a few thousandths; a start delay, a count or a
  // search position kept from before would move the whole output.
  EXPECT_LT(worst, 0.01);
}

// A stretch from the very start of a file (its history short of what the engine hears
// first, the rest silence) gives none of that silence: no run of exact zeros where the file
// has none, at any speed. The speech engine once let 3 ms of its silent history through at
// 0.5×, heard as a dropout in every play from a file's start.
TEST_P(StretchContract, AStretchFromTheFilesStartGivesNoneOfTheSilenceBeforeIt) {
  const Signal s = tone(180, 2.0, 44100, 1, 0.01f);  // a quiet bed: no sample is exactly zero for long
  const auto stretch = make(s.rate, 1);
  for (const double speed : {0.5, 0.7, 0.85, 1.25, 2.0})
    for (const std::int64_t start : {std::int64_t{0}, std::int64_t{300}}) {
      SCOPED_TRACE(::testing::Message() << speed << "x from frame " << start);
      const Stretched run = stretchOf(*stretch, s, start, s.length(), 1024, [&](int) { return speed; });
      // The last 30 ms may be silence: a WSOLA's last sequence runs past the end of its input
      // (within a sequence the input runs at 1.0) and its flush fills that with silence.
      const std::size_t inside = run.out.size() - std::min<std::size_t>(run.out.size(), s.rate * 3 / 100);
      int zeros = 0, longest = 0;
      std::size_t where = 0;
      for (std::size_t i = 0; i < inside; ++i) {
        zeros = run.out[i] == 0.0f ? zeros + 1 : 0;
        if (zeros > longest) longest = zeros, where = i;
      }
      EXPECT_LT(longest, 16) << "a run of silence inside the output, ending at frame " << where << " of " << run.out.size();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEngine, StretchContract,
                         ::testing::Values(StretchEngine::Speech, StretchEngine::RubberBand, StretchEngine::Period),
                         [](const ::testing::TestParamInfo<StretchEngine>& engine) {
                           return std::string(stretchEngineName(engine.param));
                         });

}  // namespace
}  // namespace tessaly::test
