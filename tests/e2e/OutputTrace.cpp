// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e/OutputTrace.h"

#include <algorithm>
#include <cstdio>

#include "audio/AudioTestSupport.h"

namespace tessaly::test {

namespace {

// A chunk sounds above -50 dBFS; it matches a stretch of a source when the difference has at
// most 2 % of the chunk's power (lossy decoding after a seek is not bit-exact).
constexpr double kSoundingPower = 1e-5;
constexpr double kMatchShare = 0.02;

double power(const std::vector<float>& samples, std::int64_t frame, std::int64_t frames, int channels) {
  double sum = 0;
  const std::size_t first = static_cast<std::size_t>(frame * channels);
  const std::size_t count = static_cast<std::size_t>(frames * channels);
  for (std::size_t i = first; i < first + count; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return sum / static_cast<double>(count);
}

// Mean squared difference of `frames` frames, or -1 when the source has no such frames.
double difference(const std::vector<float>& source, std::int64_t sourceFrame, const std::vector<float>& output,
                  std::int64_t outFrame, std::int64_t frames, int channels) {
  if (sourceFrame < 0 || static_cast<std::size_t>((sourceFrame + frames) * channels) > source.size()) return -1;
  double sum = 0;
  const std::size_t count = static_cast<std::size_t>(frames * channels);
  const float* s = source.data() + sourceFrame * channels;
  const float* o = output.data() + outFrame * channels;
  for (std::size_t i = 0; i < count; ++i) {
    const double d = static_cast<double>(s[i]) - o[i];
    sum += d * d;
  }
  return sum / static_cast<double>(count);
}

bool matches(double diff, double chunkPower) { return diff >= 0 && diff <= kMatchShare * chunkPower; }

}  // namespace

Trace traceOutput(const std::vector<float>& output, const std::vector<std::vector<float>>& sources, int channels,
                  int rate) {
  const std::int64_t chunk = rate / 100;
  const std::int64_t outFrames = static_cast<std::int64_t>(output.size()) / channels;
  std::vector<Stretch> raw;
  Trace trace;
  bool inRun = false;
  Stretch current;
  for (std::int64_t at = 0; at + chunk <= outFrames; at += chunk) {
    const double p = power(output, at, chunk, channels);
    if (p < kSoundingPower) continue;
    if (inRun) {
      const std::int64_t predicted = current.sourceEnd + (at - current.outEnd);
      if (matches(difference(sources[static_cast<std::size_t>(current.source)], predicted, output, at, chunk, channels),
                  p)) {
        current.outEnd = at + chunk;
        current.sourceEnd = predicted + chunk;
        continue;
      }
    }
    // Not where the last run would be: search every source, first with a longer window (it
    // tells speech apart better), then with the chunk alone (near the end of a stretch).
    bool found = false;
    for (const std::int64_t window : {4 * chunk, chunk}) {
      if (at + window > outFrames) continue;
      const double windowPower = power(output, at, window, channels);
      // The best fit over all sources: recordings of one speaker can hold near copies.
      Fit best{-1, 0};
      int bestSource = -1;
      for (std::size_t s = 0; s < sources.size(); ++s) {
        const Fit fit = locate(sources[s], output, at, static_cast<int>(window), channels);
        if (fit.frame >= 0 && (bestSource < 0 || fit.error < best.error)) {
          best = fit;
          bestSource = static_cast<int>(s);
        }
      }
      if (bestSource >= 0 && best.error <= kMatchShare * windowPower) {
        if (inRun) raw.push_back(current);
        current = {bestSource, at, at + chunk, best.frame, best.frame + chunk, 0};
        inRun = found = true;
        break;
      }
    }
    if (!found) trace.unmatched.push_back(at);
  }
  if (inRun) raw.push_back(current);

  // One run goes on over silence when its source picks up where it stopped, or later by no
  // more than the silence lasted (the source's own quiet part played meanwhile).
  // A stretch of a chunk or two is a chunk across a boundary that happened to resemble some
  // other stretch (one speaker says the same syllable alike): it counts as found nowhere.
  const std::int64_t slack = 2 * chunk;
  for (const Stretch& run : raw) {
    if (run.outEnd - run.outStart < 3 * chunk) {
      for (std::int64_t at = run.outStart; at < run.outEnd; at += chunk) trace.unmatched.push_back(at);
      continue;
    }
    if (!trace.runs.empty()) {
      Stretch& last = trace.runs.back();
      const std::int64_t silence = run.outStart - last.outEnd;
      const std::int64_t skipped = run.sourceStart - last.sourceEnd;
      if (run.source == last.source && skipped >= -slack && skipped <= silence + slack) {
        last.longestSilence = std::max(
            {last.longestSilence, run.longestSilence, silence - std::max<std::int64_t>(0, skipped)});
        last.outEnd = run.outEnd;
        last.sourceEnd = run.sourceEnd;
        continue;
      }
    }
    trace.runs.push_back(run);
  }
  std::sort(trace.unmatched.begin(), trace.unmatched.end());
  std::int64_t row = 0;
  for (std::size_t i = 0; i < trace.unmatched.size(); ++i) {
    row = i > 0 && trace.unmatched[i] == trace.unmatched[i - 1] + chunk ? row + chunk : chunk;
    trace.longestUnmatched = std::max(trace.longestUnmatched, row);
  }
  return trace;
}

std::string describe(const Trace& trace, int rate) {
  std::string text;
  char line[160];
  const auto s = [rate](std::int64_t frames) { return static_cast<double>(frames) / rate; };
  for (const Stretch& run : trace.runs) {
    std::snprintf(line, sizeof line, "output %7.3f-%7.3f s: source %d %7.3f-%7.3f s (longest silence inside %.3f s)\n",
                  s(run.outStart), s(run.outEnd), run.source, s(run.sourceStart), s(run.sourceEnd), s(run.longestSilence));
    text += line;
  }
  text += "sounding chunks found in no source, at:";
  for (const std::int64_t at : trace.unmatched) {
    std::snprintf(line, sizeof line, " %.3f", s(at));
    text += line;
  }
  return text + " s\n";
}

}  // namespace tessaly::test
