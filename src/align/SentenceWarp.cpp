// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/SentenceWarp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tessaly::align {

namespace {

constexpr int kFineMargin = 60;   // hops around the coarse place the fine pass looks in
constexpr int kFineFreedom = 30;  // hops either side of the coarse start and end the fine path may begin and end
constexpr float kInf = std::numeric_limits<float>::infinity();

// What is compared: the first eight coefficients, and how the first four change. Loudness
// (c0, and its change) says nothing of what is said, and the higher coefficients say more of
// the voice than of the sounds: two voices' renderings of one text differ most there.
constexpr Frame kWeights = [] {
  Frame w{};
  for (int c = 1; c <= 8; ++c) w[static_cast<std::size_t>(c)] = 1;
  for (int c = 1; c <= 4; ++c) w[static_cast<std::size_t>(kCoefficients + c)] = 1;
  return w;
}();

}  // namespace

// Each coefficient to mean 0 and unit variance over the sequence's speech (its frames well
// over its floor): a recording's music, noise and pauses do not move the speech's numbers.
std::vector<Frame> standardised(const Features& features) {
  std::vector<Frame> out = features.mfcc;
  if (out.empty()) return out;
  const std::vector<float>& energy = features.energyDb;
  const float floor = percentile(energy, 0.1), loud = percentile(energy, 0.9);
  std::vector<std::size_t> speech;
  for (std::size_t t = 0; t < out.size() && t < energy.size(); ++t)
    if (energy[t] >= floor + 0.25f * (loud - floor)) speech.push_back(t);
  if (speech.size() < 10)
    for (std::size_t t = 0; t < out.size(); ++t) speech.push_back(t);
  for (std::size_t c = 0; c < std::tuple_size_v<Frame>; ++c) {
    double sum = 0, squares = 0;
    for (const std::size_t t : speech) sum += out[t][c], squares += static_cast<double>(out[t][c]) * out[t][c];
    const double n = static_cast<double>(speech.size()), mean = sum / n;
    const double deviation = std::sqrt(std::max(1e-6, squares / n - mean * mean));
    for (Frame& f : out) f[c] = static_cast<float>((f[c] - mean) / deviation);
  }
  return out;
}

float distance(const Frame& x, const Frame& y) {
  float sum = 0;
  for (std::size_t c = 1; c < std::tuple_size_v<Frame>; ++c) {
    const float d = x[c] - y[c];
    sum += kWeights[c] * d * d;
  }
  return std::sqrt(sum);
}

// The mean distance on the best warp of synthesis frames [from, to) onto recording frames
// [r0, r1], both ends held.
float stretchCost(const std::vector<Frame>& synth, int from, int to, const std::vector<Frame>& rec, int r0, int r1,
                  float scale, float stretch) {
  const int L = to - from, W = r1 - r0 + 1;
  if (L <= 0 || W <= 0) return kInf;
  std::vector<float> previous(static_cast<std::size_t>(W), kInf), current(static_cast<std::size_t>(W), kInf);
  std::vector<int> prevN(static_cast<std::size_t>(W), 0), curN(static_cast<std::size_t>(W), 0);
  for (int i = 0; i < L; ++i) {
    for (int j = 0; j < W; ++j) {
      const std::size_t jj = static_cast<std::size_t>(j);
      float best = kInf;
      int n = 0;
      if (i == 0 && j == 0) best = 0;
      if (i > 0 && j > 0 && previous[jj - 1] < best) best = previous[jj - 1], n = prevN[jj - 1];
      if (i > 0 && previous[jj] + stretch < best) best = previous[jj] + stretch, n = prevN[jj];
      if (j > 0 && current[jj - 1] + stretch < best) best = current[jj - 1] + stretch, n = curN[jj - 1];
      current[jj] = best < kInf ? best + distance(synth[static_cast<std::size_t>(from + i)],
                                                  rec[static_cast<std::size_t>(r0 + j)]) /
                                             scale
                                : kInf;
      curN[jj] = n + 1;
    }
    std::swap(previous, current);
    std::swap(prevN, curN);
  }
  return previous.back() / static_cast<float>(prevN.back());
}

// The best place of synthesis frames [from, to) in recording frames [r0, r1): a warp free to
// begin anywhere, ending in [endFrom, r1), its length within what a sentence may take; the one
// of least mean distance.
Placed bestPlace(const std::vector<Frame>& synth, int from, int to, const std::vector<Frame>& rec, int r0, int r1,
                 int endFrom, float scale, float stretch) {
  const int L = to - from, W = r1 - r0;
  Placed out;
  if (L <= 0 || W <= 0) return out;
  struct Cell {
    float sum = kInf;
    int n = 0, start = 0;
  };
  std::vector<Cell> previous(static_cast<std::size_t>(W)), current(static_cast<std::size_t>(W));
  for (int i = 0; i < L; ++i) {
    for (int j = 0; j < W; ++j) {
      const std::size_t jj = static_cast<std::size_t>(j);
      Cell best;
      if (i == 0) best = {0, 0, j};
      if (i > 0 && j > 0 && previous[jj - 1].sum < best.sum) best = previous[jj - 1];
      if (i > 0 && previous[jj].sum + stretch < best.sum) best = previous[jj], best.sum += stretch;
      if (j > 0 && current[jj - 1].sum + stretch < best.sum) best = current[jj - 1], best.sum += stretch;
      if (best.sum < kInf)
        best.sum += distance(synth[static_cast<std::size_t>(from + i)], rec[static_cast<std::size_t>(r0 + j)]) / scale;
      ++best.n;
      current[jj] = best;
    }
    std::swap(previous, current);
  }
  for (int j = std::max(0, endFrom - r0); j < W; ++j) {
    const Cell& c = previous[static_cast<std::size_t>(j)];
    const double ratio = static_cast<double>(j - c.start + 1) / L;
    if (c.sum == kInf || ratio > kLongest || ratio < kShortest) continue;
    if (out.start < 0 || c.sum / static_cast<float>(c.n) < out.meanCost()) out = {r0 + c.start, r0 + j, c.sum, c.n};
  }
  return out;
}

// The fine path of one sentence's frames near its coarse place: its first and its last
// recording hop.
std::pair<int, int> finePass(const std::vector<Frame>& synth, const SentenceFrames& span, const std::vector<Frame>& rec,
                             int startGuess, int endGuess) {
  const int L = span.to - span.from, M = static_cast<int>(rec.size());
  const int lo = std::max(0, startGuess - kFineMargin), hi = std::min(M, endGuess + kFineMargin);
  const int W = hi - lo;
  if (L <= 0 || W <= 0) return {startGuess, endGuess};
  std::vector<float> previous(static_cast<std::size_t>(W), kInf), current(static_cast<std::size_t>(W), kInf);
  std::vector<std::uint8_t> step(static_cast<std::size_t>(L) * static_cast<std::size_t>(W));
  for (int i = 0; i < L; ++i) {
    std::fill(current.begin(), current.end(), kInf);
    for (int j = 0; j < W; ++j) {
      const std::size_t jj = static_cast<std::size_t>(j);
      float best = kInf;
      std::uint8_t how = 3;
      if (i == 0 && std::abs(lo + j - startGuess) <= kFineFreedom) best = 0;
      if (i > 0 && j > 0 && previous[jj - 1] < best) best = previous[jj - 1], how = 0;
      if (i > 0 && previous[jj] < best) best = previous[jj], how = 2;
      if (j > 0 && current[jj - 1] < best) best = current[jj - 1], how = 1;
      if (best == kInf) continue;
      current[jj] = best + distance(synth[static_cast<std::size_t>(span.from + i)], rec[static_cast<std::size_t>(lo + j)]);
      step[static_cast<std::size_t>(i) * static_cast<std::size_t>(W) + jj] = how;
    }
    std::swap(previous, current);
  }
  int end = -1;
  for (int j = std::max(0, endGuess - kFineFreedom - lo); j < std::min(W, endGuess + kFineFreedom - lo); ++j)
    if (previous[static_cast<std::size_t>(j)] < kInf &&
        (end < 0 || previous[static_cast<std::size_t>(j)] < previous[static_cast<std::size_t>(end)]))
      end = j;
  if (end < 0) return {startGuess, endGuess};
  int i = L - 1, j = end;
  for (;;) {
    const std::uint8_t how = step[static_cast<std::size_t>(i) * static_cast<std::size_t>(W) + static_cast<std::size_t>(j)];
    if (how == 3) break;
    if (how == 0) --i, --j;
    else if (how == 1) --j;
    else --i;
  }
  return {lo + j, lo + end};
}

}  // namespace tessaly::align
