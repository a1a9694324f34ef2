// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch-period stretch's own rules (audio/PeriodSearch.h) on signals whose period is
// known: sines from 80 to 400 Hz and pulse trains are found to repeat at their period (not at
// two), a shifted copy is matched where it was shifted to, a voiced step is whole periods
// long; and the stretch itself (audio/PeriodStretch.h) splices a pulse train only between
// whole periods at every speed, cutting both channels alike. The Stretch contract it also
// keeps is StretchContractTest's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "audio/PeriodSearch.h"
#include "audio/PeriodStretch.h"

namespace tessaly::test {
namespace {

using audio::Period;

std::vector<float> sine(double hz, int rate, int frames, double phase = 0) {
  std::vector<float> x(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    x[static_cast<std::size_t>(i)] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * hz * i / rate + phase));
  return x;
}

// A pulse every `period` samples, each a short decaying ring, as a glottal pulse train is.
std::vector<float> pulses(int period, int frames, int first = 0) {
  std::vector<float> x(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const int since = ((i - first) % period + period) % period;
    x[static_cast<std::size_t>(i)] = static_cast<float>(0.8 * std::exp(-since / 6.0) * std::cos(since * 0.9));
  }
  return x;
}

// A fixed noise: the same every run.
std::vector<float> noise(int frames, std::uint32_t seed = 12345) {
  std::vector<float> x(static_cast<std::size_t>(frames));
  for (float& v : x) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(static_cast<double>(seed >> 8) / (1 << 24) - 0.5);
  }
  return x;
}

TEST(PeriodSearch, ASineRepeatsAtItsPeriodFrom80To400Hz) {
  struct Case {
    double hz;
    int rate;
  };
  const Case cases[] = {{80, 44100}, {100, 44100}, {150, 22050}, {220, 48000}, {300, 44100}, {400, 22050}, {400, 48000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.hz << " Hz at " << c.rate);
    const int window = c.rate * 17 / 1000, longest = c.rate / 60;
    const std::vector<float> x = sine(c.hz, c.rate, window + longest + 1, 0.3);
    const Period p = audio::findPeriod(x.data(), window, c.rate / 500, longest);
    EXPECT_NEAR(p.lag, c.rate / c.hz, 1.0);
    EXPECT_GT(p.similarity, 0.99);
  }
}

TEST(PeriodSearch, APulseTrainRepeatsAtOnePeriodNotTwo) {
  // Every multiple of the period repeats it exactly; the period is the shortest.
  for (const int period : {74, 110, 147, 300, 551}) {
    SCOPED_TRACE(period);
    const std::vector<float> x = pulses(period, 750 + 800, 5);
    const Period p = audio::findPeriod(x.data(), 750, 40, 800);
    EXPECT_EQ(p.lag, period);
    EXPECT_GT(p.similarity, 0.99);
  }
}

TEST(PeriodSearch, SilenceHasNoPeriodAndNoiseNoStrongOne) {
  const std::vector<float> quiet(2000, 0.0f);
  EXPECT_EQ(audio::findPeriod(quiet.data(), 750, 88, 735).lag, 0);
  const std::vector<float> hiss = noise(2000);
  const Period p = audio::findPeriod(hiss.data(), 750, 88, 735);
  EXPECT_LT(p.similarity, audio::PeriodTuning{}.voicedSimilarity) << "noise taken for a voice at lag " << p.lag;
}

TEST(PeriodSearch, AShiftedCopyIsMatchedWhereItWasShiftedTo) {
  struct Case {
    int period;  // of the pulse train; 0: noise
    int shift;   // where in y the copy of x begins
    int lo, hi;  // the offsets sought
    int prefer;  // the offset preferred on a tie
    int expected;
  };
  const Case cases[] = {
      {147, 60, 0, 140, 70, 60},       // one copy in range
      {147, 60, 0, 300, 200, 207},     // two copies, a period apart: the one nearest where it is due
      {147, 60, 0, 300, 10, 60},       //
      {0, 123, 0, 400, 0, 123},        // noise matches only itself
      {0, 0, 0, 50, 25, 0},            // at an end of the range
      {551, 300, 200, 400, 350, 300},  // a long period
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "period " << c.period << ", shift " << c.shift << ", from " << c.lo << " to "
                                      << c.hi << ", preferring " << c.prefer);
    const int window = 700, frames = c.hi + window + c.shift + 1000;
    const std::vector<float> source = c.period > 0 ? pulses(c.period, frames) : noise(frames);
    const std::vector<float> x(source.begin() + 1000, source.begin() + 1000 + window);
    // y[offset] is source[1000 - shift + offset]: x sits at offset `shift`.
    const std::vector<float> y(source.begin() + 1000 - c.shift, source.end());
    EXPECT_EQ(audio::bestMatch(x.data(), y.data(), c.lo, c.hi, window, c.prefer), c.expected);
  }
  const std::vector<float> x = pulses(147, 700), quiet(2000, 0.0f);
  EXPECT_EQ(audio::bestMatch(x.data(), quiet.data(), 0, 500, 700, 321), 321) << "silence matches nowhere better";
}

TEST(PeriodSearch, AVoicedStepIsWholePeriodsAndItsCrossfadeOne) {
  const audio::PeriodTuning tuning;
  constexpr int kRate = 44100;
  for (int lag = kRate / 500; lag <= kRate / 60; lag += 7) {
    SCOPED_TRACE(lag);
    const audio::Step s = audio::stepFor(Period{lag, 0.9}, kRate, tuning);
    EXPECT_EQ(s.hop % lag, 0);
    EXPECT_GE(s.hop, lag);
    EXPECT_LE(std::abs(s.hop - tuning.voicedHopMs * kRate / 1000), lag / 2.0 + 1) << "the whole periods nearest";
    EXPECT_EQ(s.overlap, lag);
    EXPECT_NEAR(s.seek, tuning.voicedSeekPeriods * lag, 1.0);
  }
}

TEST(PeriodSearch, StepsWhereNoPeriodIsHeardArePlain) {
  struct Case {
    Period period;
    audio::Step expected;
  };
  audio::PeriodTuning tuning;
  tuning.unvoicedHopMs = 20;
  tuning.unvoicedOverlapMs = 5;
  tuning.unvoicedSeekMs = 2;
  tuning.voicedSimilarity = 0.5;
  const Case cases[] = {
      {{0, 0.0}, {882, 221, 88}},      // silence
      {{300, 0.3}, {882, 221, 88}},    // a weak repeat: not a voice
      {{300, 0.5}, {1200, 300, 150}},  // a voice: the four periods nearest 30 ms
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "lag " << c.period.lag << ", similarity " << c.period.similarity);
    const audio::Step s = audio::stepFor(c.period, 44100, tuning);
    EXPECT_EQ(s.hop, c.expected.hop);
    EXPECT_EQ(s.overlap, c.expected.overlap);
    EXPECT_EQ(s.seek, c.expected.seek);
  }
}

TEST(PeriodSearch, TheCrossfadeKeepsTheLevelOfLikeAndOfUnrelatedSound) {
  for (const int n : {1, 2, 147, 441}) {
    for (int i = 0; i < n; ++i) {
      const float w = audio::fadeIn(i, n);
      EXPECT_NEAR(w + audio::fadeIn(n - 1 - i, n), 1.0f, 1e-6f) << "the two weights sum to one";
      if (i > 0) {
        EXPECT_GT(w, audio::fadeIn(i - 1, n));
      }
      EXPECT_FLOAT_EQ(audio::crossfadeGain(w, 1.0), 1.0f) << "the same sound: its amplitude kept";
      const double a = 1.0 - w, g = audio::crossfadeGain(w, 0.0);
      EXPECT_NEAR(g * g * (a * a + double{w} * w), 1.0, 1e-5) << "unrelated sound: its power kept";
      EXPECT_FLOAT_EQ(audio::crossfadeGain(w, -0.7), g) << "opposed sound is not boosted further";
    }
  }
  const std::vector<float> a = sine(200, 22050, 500), b = sine(200, 22050, 500, std::numbers::pi), quiet(500, 0.0f);
  EXPECT_NEAR(audio::likeness(a.data(), a.data(), 500), 1.0, 1e-9);
  EXPECT_NEAR(audio::likeness(a.data(), b.data(), 500), -1.0, 1e-6);
  EXPECT_EQ(audio::likeness(a.data(), quiet.data(), 500), 0.0);
}

// The whole output of a stretch fed in blocks of 1024 at `speed`.
std::vector<float> stretched(const std::vector<float>& in, int rate, int channels, double speed) {
  audio::PeriodStretch stretch(rate, channels);
  stretch.restart(speed);
  stretch.prime(nullptr, 0);
  const int frames = static_cast<int>(in.size()) / channels;
  std::vector<float> out, piece(4096 * static_cast<std::size_t>(channels));
  for (int at = 0; !stretch.finished();) {
    const int n = std::min(1024, frames - at);
    if (at < frames || n == 0) stretch.feed(in.data() + static_cast<std::ptrdiff_t>(at) * channels, n, at + n >= frames);
    at += n;
    for (int got; (got = stretch.take(piece.data(), 4096)) > 0;)
      out.insert(out.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got) * channels);
  }
  return out;
}

// Where each pulse of channel 0 peaks: a local maximum over half the pulse's height.
std::vector<int> peaksOf(const std::vector<float>& x, int channels) {
  std::vector<int> at;
  const int n = static_cast<int>(x.size()) / channels;
  for (int i = 1; i + 1 < n; ++i) {
    const float v = x[static_cast<std::size_t>(i * channels)];
    if (v > 0.4f && v >= x[static_cast<std::size_t>((i - 1) * channels)] &&
        v > x[static_cast<std::size_t>((i + 1) * channels)])
      at.push_back(i);
  }
  return at;
}

TEST(PeriodStretch, APulseTrainIsSplicedOnlyBetweenWholePeriods) {
  // A splice that fell within a period would show as a pulse too soon, too late or halved.
  struct Case {
    int rate, period;
  };
  const Case cases[] = {{44100, 441}, {44100, 147}, {22050, 127}, {48000, 600}};
  for (const Case& c : cases) {
    const std::vector<float> in = pulses(c.period, c.rate * 2);
    for (const double speed : {0.5, 0.7, 0.85, 1.25, 2.0}) {
      SCOPED_TRACE(::testing::Message() << "period " << c.period << " at " << c.rate << ", speed " << speed);
      const std::vector<float> out = stretched(in, c.rate, 1, speed);
      const std::vector<int> peaks = peaksOf(out, 1);
      ASSERT_GT(peaks.size(), 10u);
      // From the second pulse to 50 ms before the end: there the last steps run into the
      // silence after the file, where no period is left to follow.
      int wrong = 0, intervals = 0;
      for (std::size_t k = 2; k < peaks.size() && peaks[k] < static_cast<int>(out.size()) - c.rate / 20; ++k, ++intervals)
        wrong += std::abs(peaks[k] - peaks[k - 1] - c.period) > 1;
      EXPECT_EQ(wrong, 0) << "intervals other than the period, of " << intervals;
      EXPECT_NEAR(static_cast<double>(peaks.size()), out.size() / static_cast<double>(c.period), 3.0);
    }
  }
}

TEST(PeriodStretch, BothChannelsAreCutAtTheSamePlaces) {
  // The right channel is the left's negative half: cut alike, it stays that in the output.
  constexpr int kRate = 44100;
  const std::vector<float> voice = pulses(300, kRate), hiss = noise(kRate);
  std::vector<float> in(2 * static_cast<std::size_t>(kRate));
  for (std::size_t i = 0; i < voice.size(); ++i) {
    const float v = i < voice.size() / 2 ? voice[i] : 0.3f * hiss[i];  // a voice, then a fricative
    in[2 * i] = v;
    in[2 * i + 1] = -0.5f * v;
  }
  for (const double speed : {0.5, 0.85, 1.25}) {
    SCOPED_TRACE(speed);
    const std::vector<float> out = stretched(in, kRate, 2, speed);
    ASSERT_EQ(out.size() / 2, static_cast<std::size_t>(std::llround(kRate / speed)));
    double worst = 0;
    for (std::size_t i = 0; i < out.size() / 2; ++i)
      worst = std::max(worst, static_cast<double>(std::fabs(out[2 * i + 1] + 0.5f * out[2 * i])));
    EXPECT_LT(worst, 1e-5);
  }
}

}  // namespace
}  // namespace tessaly::test
