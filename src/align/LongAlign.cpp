// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/LongAlign.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "align/SentenceStart.h"
#include "align/SentenceWarp.h"

namespace tessaly::align {

namespace {

constexpr int kCoarse = 4;              // hops to a coarse frame
constexpr float kTypicalShare = 0.25f;  // the typical sentence: this far up the costs of those the first search found
constexpr float kFoundMargin = 0.10f;   // a sentence found costs at most this over the typical one's
constexpr float kFillerMargin = 0.20f;  // a frame between sentences costs this over it
constexpr int kWindowSynthesis = 750;   // coarse frames of synthesis in one window (30 s)
constexpr int kWindowSlack = 750;       // coarse frames of recording beyond twice that (30 s)
constexpr int kLeadPause = 100;         // coarse frames a pause before a found sentence may last (4 s)
constexpr int kLeadShortest = 50;       // coarse frames of synthesis a sentence there must last (2 s)
constexpr int kLostSentences = 12;      // this many passed over in a row, nothing after them found: not this recording
constexpr int kPaceAfter = 750;         // coarse frames of synthesis placed before the recording's pace is trusted (30 s)
constexpr double kPaceSlack = 1.5;      // a sentence may come this many times later than the pace brings it
constexpr float kInf = std::numeric_limits<float>::infinity();

// The mean of each kCoarse frames of [from, from + count).
void appendCoarse(const Frame* from, int count, std::vector<Frame>& out) {
  for (int at = 0; at < count; at += kCoarse) {
    const int n = std::min(kCoarse, count - at);
    Frame mean{};
    for (int k = 0; k < n; ++k)
      for (std::size_t c = 0; c < mean.size(); ++c) mean[c] += from[at + k][c];
    for (float& v : mean) v /= static_cast<float>(n);
    out.push_back(mean);
  }
}

// What the coarse pass charges, in units of the median distance between unrelated frames.
struct Prices {
  float filler = 0.92f;      // a recording frame between sentences
  float quietFiller = 0.3f;  // the same for a frame of a pause
  float skip = 0.95f;        // a sentence passed over, for each of its frames
  float found = 0.90f;       // a sentence whose path costs more on the mean was not found
  float stretch = 0.1f;      // on top of the distance: a recording frame more for one synthesis frame
  float squeeze = 0.1f;      // likewise a synthesis frame more for one recording frame
};

// The first search's prices, strict enough that music or an announcement is no sentence's.
constexpr Prices kStrict = {0.8f, 0.3f, 0.85f, 0.8f, 0.1f, 0.1f};

// The warp of the window's sentences `spans` (coarse synthesis frames, one after another)
// onto the recording's coarse frames [r0, r1): the path from the filler before the first to
// the filler after the last, at the window's end.
std::vector<Placed> windowPass(const std::vector<Frame>& synth, const std::vector<SentenceFrames>& spans,
                               const std::vector<Frame>& rec, const std::vector<bool>& quiet, int r0, int r1, float scale,
                               const Prices& price) {
  const int n = static_cast<int>(spans.size()), base = spans.front().from, S = spans.back().to - base, R = r1 - r0;
  std::vector<Placed> placed(static_cast<std::size_t>(n));
  if (S <= 0 || R <= 0) return placed;
  std::vector<int> sentenceOf(static_cast<std::size_t>(S)), first(static_cast<std::size_t>(n)),
      last(static_cast<std::size_t>(n));
  std::vector<float> skip(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const auto& s = spans[static_cast<std::size_t>(k)];
    first[static_cast<std::size_t>(k)] = s.from - base;
    last[static_cast<std::size_t>(k)] = s.to - 1 - base;
    skip[static_cast<std::size_t>(k)] = price.skip * static_cast<float>(s.to - s.from);
    for (int i = s.from; i < s.to; ++i) sentenceOf[static_cast<std::size_t>(i - base)] = k;
  }
  const auto d = [&](int i, int j) {
    return distance(synth[static_cast<std::size_t>(base + i)], rec[static_cast<std::size_t>(r0 + j)]) / scale;
  };
  std::vector<float> prevD(static_cast<std::size_t>(S), kInf), curD(static_cast<std::size_t>(S), kInf),
      prevF(static_cast<std::size_t>(n + 1), kInf), curF(static_cast<std::size_t>(n + 1), kInf);
  const std::size_t fillers = static_cast<std::size_t>(n + 1);
  std::vector<std::uint8_t> stepD(static_cast<std::size_t>(S) * static_cast<std::size_t>(R)),
      stepF(fillers * static_cast<std::size_t>(R));
  // Steps into a sentence frame: 0 diagonal, 1 the recording on, 2 the synthesis on, 3 from
  // the filler before the sentence, 4 straight from the sentence before, 5 the start.
  // Into a filler: 0 stays, 1 from the sentence before's end, 2 passing that sentence over, 3 the start.
  for (int j = 0; j < R; ++j) {
    const std::size_t column = static_cast<std::size_t>(j);
    for (int k = 0; k <= n; ++k) {
      const std::size_t kk = static_cast<std::size_t>(k);
      float best = kInf;
      std::uint8_t how = 3;
      if (j == 0 && k == 0) best = 0;
      if (j > 0 && prevF[kk] < best) best = prevF[kk], how = 0;
      if (j > 0 && k > 0 && prevD[static_cast<std::size_t>(last[kk - 1])] < best)
        best = prevD[static_cast<std::size_t>(last[kk - 1])], how = 1;
      if (best < kInf) best += quiet[static_cast<std::size_t>(r0 + j)] ? price.quietFiller : price.filler;
      if (k > 0 && curF[kk - 1] + skip[kk - 1] < best) best = curF[kk - 1] + skip[kk - 1], how = 2;
      curF[kk] = best;
      stepF[column * fillers + kk] = how;
    }
    for (int i = 0; i < S; ++i) {
      const std::size_t ii = static_cast<std::size_t>(i);
      const int k = sentenceOf[ii];
      float best = kInf;
      std::uint8_t how = 0;
      if (i == first[static_cast<std::size_t>(k)]) {
        if (j == 0 && k == 0) best = 0, how = 5;
        if (j > 0 && prevF[static_cast<std::size_t>(k)] < best) best = prevF[static_cast<std::size_t>(k)], how = 3;
        if (j > 0 && k > 0 && prevD[ii - 1] < best) best = prevD[ii - 1], how = 4;
        if (j > 0 && prevD[ii] + price.stretch < best) best = prevD[ii] + price.stretch, how = 1;
      } else {
        if (j > 0 && prevD[ii - 1] < best) best = prevD[ii - 1], how = 0;
        if (j > 0 && prevD[ii] + price.stretch < best) best = prevD[ii] + price.stretch, how = 1;
        if (curD[ii - 1] + price.squeeze < best) best = curD[ii - 1] + price.squeeze, how = 2;
      }
      curD[ii] = best < kInf ? best + d(i, j) : kInf;
      stepD[column * static_cast<std::size_t>(S) + ii] = how;
    }
    std::swap(prevD, curD);
    std::swap(prevF, curF);
  }
  // Back from the free filler at the window's end.
  bool inFiller = true;
  int k = n, i = 0, j = R - 1;
  while (j >= 0) {
    if (inFiller) {
      const std::uint8_t how = stepF[static_cast<std::size_t>(j) * fillers + static_cast<std::size_t>(k)];
      if (how == 3) break;
      if (how == 0) --j;
      else if (how == 1) inFiller = false, i = last[static_cast<std::size_t>(k - 1)], --j;
      else --k;  // passed over: sentence k - 1 keeps start -1
      continue;
    }
    const int s = sentenceOf[static_cast<std::size_t>(i)];
    Placed& p = placed[static_cast<std::size_t>(s)];
    p.cost += d(i, j);
    ++p.cells;
    if (i == last[static_cast<std::size_t>(s)] && p.end < 0) p.end = r0 + j;
    if (i == first[static_cast<std::size_t>(s)]) p.start = r0 + j;
    const std::uint8_t how = stepD[static_cast<std::size_t>(j) * static_cast<std::size_t>(S) + static_cast<std::size_t>(i)];
    if (how == 5) break;
    if (how == 0) --i, --j;
    else if (how == 1) --j;
    else if (how == 2) --i;
    else if (how == 3) inFiller = true, k = s, --j;
    else --i, --j;  // 4: from the sentence before's end
  }
  for (Placed& p : placed)
    if (p.start < 0 || p.end < 0) p = {};
  return placed;
}

}  // namespace

LongAlignment alignLong(const Features& synthesis, const std::vector<SentenceFrames>& sentences, const Features& recording,
                        const std::atomic<bool>* cancel, const std::function<void(double)>& progress,
                        const LongAlignOptions& options) {
  LongAlignment out;
  const int K = static_cast<int>(sentences.size());
  out.sentences.resize(sentences.size());
  if (K == 0 || recording.mfcc.empty() || synthesis.mfcc.empty()) return out;
  const std::vector<Frame> synth = standardised(synthesis), rec = standardised(recording);
  // Coarse frames: each sentence's own, one after another; the recording's.
  std::vector<Frame> coarseSynth, coarseRec;
  std::vector<SentenceFrames> coarseSpans;
  for (const SentenceFrames& s : sentences) {
    const int from = std::clamp(s.from, 0, static_cast<int>(synth.size())),
              to = std::clamp(s.to, from, static_cast<int>(synth.size()));
    const int at = static_cast<int>(coarseSynth.size());
    appendCoarse(synth.data() + from, to - from, coarseSynth);
    coarseSpans.push_back({at, static_cast<int>(coarseSynth.size())});
  }
  appendCoarse(rec.data(), static_cast<int>(rec.size()), coarseRec);
  const int M = static_cast<int>(coarseRec.size());
  // The coarse frames of the pauses: near the recording's floor, well under its speech.
  std::vector<bool> quiet(static_cast<std::size_t>(M));
  {
    const float floor = percentile(recording.energyDb, 0.1), speech = percentile(recording.energyDb, 0.9);
    for (int j = 0; j < M; ++j) {
      float sum = 0;
      int n = 0;
      for (int k = j * kCoarse; k < std::min<int>((j + 1) * kCoarse, static_cast<int>(recording.energyDb.size())); ++k, ++n)
        sum += recording.energyDb[static_cast<std::size_t>(k)];
      quiet[static_cast<std::size_t>(j)] = n > 0 && sum / static_cast<float>(n) < floor + 0.25f * (speech - floor);
    }
  }
  // The scale of the distances: the median between unrelated frames, from a fixed sample.
  std::vector<float> sample;
  std::uint64_t seed = 88172645463325252ull;
  const auto random = [&](std::size_t n) {
    seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
    return static_cast<std::size_t>(seed % n);
  };
  for (int k = 0; k < 4000; ++k)
    sample.push_back(distance(coarseSynth[random(coarseSynth.size())], coarseRec[random(coarseRec.size())]));
  const float scale = std::max(1e-3f, percentile(sample, 0.5));

  // The search, window by window; sentences whose path costs too much, or whose stretch of
  // the recording is far longer or shorter than their synthesis, are not found. Once 30 s of
  // the text's synthesis is placed, the recording's pace is known (its frames for a
  // frame of synthesis, pauses included), and a sentence put far beyond where that pace
  // brings the text is taken for one put on a later sentence's sound (a voice far from the
  // synthesis's fits many a stretch nearly as well): not found. Until then, a window with
  // nothing found moves on in the recording (an intro, music: the text comes later); after,
  // it passes its first half over and the recording moves on at the pace, so the text is
  // never left behind.
  const auto search = [&](const Prices& price, std::vector<Placed>& placed, int pass, const std::vector<Frame>& spoken) {
    int k0 = 0, anchor = 0, lost = 0, firstPlaced = -1, lastPlaced = -1;
    // Synthesis frames from sentence a's start to sentence b's.
    const auto synthesised = [&](int a, int b) {
      return coarseSpans[static_cast<std::size_t>(b)].from - coarseSpans[static_cast<std::size_t>(a)].from;
    };
    const auto paceKnown = [&] { return firstPlaced >= 0 && synthesised(firstPlaced, lastPlaced) >= kPaceAfter; };
    const auto pace = [&] {
      const Placed &a = placed[static_cast<std::size_t>(firstPlaced)], &b = placed[static_cast<std::size_t>(lastPlaced)];
      return static_cast<double>(b.start - a.start) / synthesised(firstPlaced, lastPlaced);
    };
    while (k0 < K) {
      if (cancel && cancel->load()) return false;
      int k1 = k0, length = 0;
      while (k1 < K && (k1 == k0 || length < kWindowSynthesis)) {
        length += coarseSpans[static_cast<std::size_t>(k1)].to - coarseSpans[static_cast<std::size_t>(k1)].from;
        ++k1;
      }
      const int r1 = std::min(M, anchor + 2 * length + kWindowSlack);
      if (anchor >= M) break;  // nothing left to hear the rest in
      const std::vector<Placed> window = windowPass(spoken, {coarseSpans.begin() + k0, coarseSpans.begin() + k1}, coarseRec,
                                                    quiet, anchor, r1, scale, price);
      std::vector<bool> found(static_cast<std::size_t>(k1 - k0));
      const bool paced = paceKnown();
      const double frames = paced ? pace() : 0;
      for (int k = k0, last = lastPlaced; k < k1; ++k) {
        const Placed& p = window[static_cast<std::size_t>(k - k0)];
        const double ratio = static_cast<double>(p.end - p.start + 1) /
                             (coarseSpans[static_cast<std::size_t>(k)].to - coarseSpans[static_cast<std::size_t>(k)].from);
        if (p.start < 0 || p.meanCost() > price.found || ratio > kLongest || ratio < kShortest) continue;
        if (paced) {
          const int lastStart = last == lastPlaced ? placed[static_cast<std::size_t>(last)].start
                                                   : window[static_cast<std::size_t>(last - k0)].start;
          if (p.start > lastStart + kPaceSlack * frames * synthesised(last, k) + kLeadPause) continue;
        }
        found[static_cast<std::size_t>(k - k0)] = true;
        last = k;
      }
      const auto isFound = [&](int k) { return found[static_cast<std::size_t>(k - k0)]; };
      // What is committed: up to the last sentence found in the window's first half (all of
      // it when it holds the rest of the text).
      int half = k0 + 1;
      for (int sum = 0; half < k1; ++half) {
        sum += coarseSpans[static_cast<std::size_t>(half - 1)].to - coarseSpans[static_cast<std::size_t>(half - 1)].from;
        if (sum * 2 >= length) break;
      }
      const int firstHalf = half;
      if (k1 == K) half = K;
      int lastFound = -1;
      for (int k = k0; k < half; ++k)
        if (isFound(k)) lastFound = k;
      bool anyFound = lastFound >= 0;
      for (int k = half; k < k1 && !anyFound; ++k) anyFound = isFound(k);
      if (lastFound >= 0) {
        const int upTo = k1 == K ? K : lastFound + 1;
        for (int k = k0; k < upTo; ++k) {
          if (isFound(k)) {
            placed[static_cast<std::size_t>(k)] = window[static_cast<std::size_t>(k - k0)];
            anchor = std::max(anchor, placed[static_cast<std::size_t>(k)].end + 1);
            lost = 0;
            if (firstPlaced < 0) firstPlaced = k;
            lastPlaced = k;
          } else {
            ++lost;
          }
        }
        k0 = upTo;
      } else if (anyFound) {
        lost += half - k0;  // the first half passed over, the rest found after it
        k0 = half;
      } else if (r1 < M && !paced) {
        anchor += std::max(1, (r1 - anchor) / 2);  // an intro, music: the text comes later
      } else if (r1 < M) {
        lost += firstHalf - k0;
        k0 = firstHalf;
        const Placed& last = placed[static_cast<std::size_t>(lastPlaced)];
        if (k0 < K)
          anchor = std::max(anchor, last.start + static_cast<int>(frames * synthesised(lastPlaced, k0) / kPaceSlack));
      } else {
        lost += k1 - k0;  // none of it is in what is left of the recording
        k0 = k1;
      }
      // Sentence after sentence found nowhere, and the text not yet placed: the rest is not looked for.
      if (lost >= kLostSentences && lastFound < 0 && !paced) break;
      if (progress) progress(0.25 * (pass + static_cast<double>(k0) / K));
    }
    return true;
  };
  // A first search tells how near this voice's renderings come to the synthesis's (the lower
  // quarter of what its sentences cost); the second charges by that. The first is strict, so
  // music or an announcement is no sentence's; where that leaves too little found (a voice
  // far from the synthesis's), it is made again at the prices for any voice.
  std::vector<Placed> placed(sentences.size());
  std::vector<float> firstCosts;
  Prices strict = kStrict;
  strict.skip = options.strictSkip;
  for (const Prices& price : {strict, Prices{}}) {
    placed.assign(sentences.size(), {});
    if (!search(price, placed, 0, coarseSynth)) {
      out.cancelled = true;
      return out;
    }
    firstCosts.clear();
    for (const Placed& p : placed)
      if (p.start >= 0) firstCosts.push_back(p.meanCost());
    if (firstCosts.size() * 3 >= sentences.size()) break;
  }
  // The first search's places are kept beside the second's: where a voice's costs are
  // uneven, the second's prices can shift a run of sentences onto their neighbours' sound
  // (a heading on the first sentence, the first on the second and third).
  std::vector<Placed> firstPlaced;
  if (firstCosts.size() >= 2) {
    firstPlaced = placed;
    const float typical = percentile(firstCosts, kTypicalShare);
    Prices price;
    price.found = typical + kFoundMargin;
    price.filler = typical + kFillerMargin;
    price.skip = typical + options.skipMargin;
    placed.assign(sentences.size(), {});
    if (!search(price, placed, 1, coarseSynth)) {
      out.cancelled = true;
      return out;
    }
  }
  // Each sentence's frames backwards: its sounds, their order lost.
  std::vector<Frame> backwards = coarseSynth;
  for (const SentenceFrames& s : coarseSpans) {
    std::reverse(backwards.begin() + s.from, backwards.begin() + s.to);
    for (int i = s.from; i < s.to; ++i)
      for (int c = kCoefficients; c < 2 * kCoefficients; ++c)
        backwards[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)] *= -1;
  }
  // A sentence's cost on its stretch of the recording against what it costs there
  // backwards: a sentence's own share, whatever the voice's distance from the synthesis's.
  const auto ownShare = [&](int k, const Placed& p) {
    const SentenceFrames& s = coarseSpans[static_cast<std::size_t>(k)];
    const float forwards = stretchCost(coarseSynth, s.from, s.to, coarseRec, p.start, p.end, scale, kStrict.stretch);
    const float reversed = stretchCost(backwards, s.from, s.to, coarseRec, p.start, p.end, scale, kStrict.stretch);
    return reversed > 0 && reversed < kInf ? forwards / reversed : kInf;
  };
  // A search's places, those not clearly their own let go; how many are left.
  const auto keepClear = [&](std::vector<Placed>& places) {
    // A sentence found where it costs nearly what it costs backwards is taken for a sentence
    // put on the wrong stretch (one after it, in a voice far from the synthesis's) and let go.
    if (options.dropShare < kInf)
      for (int k = 0; k < K; ++k)
        if (Placed& p = places[static_cast<std::size_t>(k)]; p.start >= 0 && ownShare(k, p) > options.dropShare) p = {};
    // The first sentence found is where the search for those before it is anchored: it must
    // be as clearly its own as one found again (else it is taken for one put on the music
    // before the text, and looked for again).
    for (int k = 0; options.ownShare > 0 && k < K; ++k)
      if (Placed& p = places[static_cast<std::size_t>(k)]; p.start >= 0) {
        if (ownShare(k, p) <= options.ownShare) break;
        p = {};
      }
    return std::count_if(places.begin(), places.end(), [](const Placed& p) { return p.start >= 0; });
  };
  // Where sentences are judged by their own share, the second search's places stand unless
  // the first's keep more sentences clearly their own.
  const auto kept = keepClear(placed);
  if (options.ownShare > 0 && !firstPlaced.empty() && keepClear(firstPlaced) > kept) placed = std::move(firstPlaced);
  // Sentences not found between two that are (or after the last) are
  // looked for again in the stretch of the recording between them, until no more are found:
  // a costly sentence, a voice far from the synthesis's, is lost from the search over the
  // whole text where the text around it is not. One is taken where its own share is low.
  Prices gapPrice = strict;
  gapPrice.found = kInf;
  bool more = true;
  // Found before the first: they fill in a text taken for the recording's, and do not count to take it.
  std::vector<bool> beforeFirst(sentences.size());
  for (int round = 0; more && round < 3 && (options.ownShare > 0 || options.boxedShare > 0); ++round) {
    more = false;
    // Before the first sentence found lie a heading never read, music, an announcement, and
    // the first sentences of a text whose search began on the music: those are looked for
    // once, one at a time from the last, each just before the one after it, so the heading
    // cannot shift a run of them onto the music; a sentence as short as a heading is not.
    int first = 0;
    while (first < K && placed[static_cast<std::size_t>(first)].start < 0) ++first;
    for (int j = first - 1, r1 = first < K ? placed[static_cast<std::size_t>(first)].start : 0; round == 0 && j >= 0; --j) {
      const SentenceFrames& span = coarseSpans[static_cast<std::size_t>(j)];
      if (span.to - span.from < kLeadShortest) continue;
      const int r0 = std::max(0, r1 - kLeadPause - static_cast<int>(kLongest * (span.to - span.from)));
      const Placed p = bestPlace(coarseSynth, span.from, span.to, coarseRec, r0, r1, r1 - kLeadPause, scale,
                                 kStrict.stretch);
      if (p.start >= 0 && ownShare(j, p) <= options.ownShare)
        placed[static_cast<std::size_t>(j)] = p, r1 = p.start, more = true, beforeFirst[static_cast<std::size_t>(j)] = true;
    }
    while (first > 0 && placed[static_cast<std::size_t>(first - 1)].start >= 0) --first;
    for (int k = first; k < K;) {
      if (cancel && cancel->load()) {
        out.cancelled = true;
        return out;
      }
      if (placed[static_cast<std::size_t>(k)].start >= 0) {
        ++k;
        continue;
      }
      int k1 = k, length = 0;
      while (k1 < K && placed[static_cast<std::size_t>(k1)].start < 0) {
        length += coarseSpans[static_cast<std::size_t>(k1)].to - coarseSpans[static_cast<std::size_t>(k1)].from;
        ++k1;
      }
      int r0 = k > 0 ? placed[static_cast<std::size_t>(k - 1)].end + 1 : 0;
      int r1 = k1 < K ? placed[static_cast<std::size_t>(k1)].start : M;
      const int most = 2 * length + kWindowSlack;
      if (r1 - r0 > most) {
        if (k1 < K) r0 = r1 - most;  // a run lost before a found sentence is heard just before it
        else r1 = r0 + most;
      }
      if (length <= 2 * kWindowSynthesis && r1 - r0 > 0) {
        const std::vector<Placed> window = windowPass(coarseSynth, {coarseSpans.begin() + k, coarseSpans.begin() + k1},
                                                      coarseRec, quiet, r0, r1, scale, gapPrice);
        // A sentence alone between two found ones has its stretch told by them, and needs less.
        const bool boxed = k > 0 && k1 < K && k1 - k == 1;
        for (int j = k; j < k1; ++j) {
          const Placed& p = window[static_cast<std::size_t>(j - k)];
          if (p.start < 0) continue;
          const double ratio = static_cast<double>(p.end - p.start + 1) / (coarseSpans[static_cast<std::size_t>(j)].to -
                                                                           coarseSpans[static_cast<std::size_t>(j)].from);
          if (ratio <= kLongest && ratio >= kShortest && ownShare(j, p) <= (boxed ? options.boxedShare : options.ownShare))
            placed[static_cast<std::size_t>(j)] = p, more = true;
        }
      }
      k = k1;
    }
  }
  // What any speech of this voice costs on this recording: the same search with the
  // sentences backwards. The text is the recording's when its sentences cost clearly less
  // than that, or each clearly less than itself backwards.
  std::vector<Placed> unrelated(sentences.size());
  Prices loose;
  loose.found = kInf;
  if (!search(loose, unrelated, 2, backwards)) {
    out.cancelled = true;
    return out;
  }
  std::vector<float> baseline;
  for (const Placed& p : unrelated)
    if (p.start >= 0) baseline.push_back(p.meanCost());

  // The fine pass, and each start moved to its sound's rise.
  std::vector<float> costs, shares;
  int foundCount = 0, previousEnd = 0;
  for (int k = 0; k < K; ++k) {
    if (cancel && cancel->load()) {
      out.cancelled = true;
      return out;
    }
    const Placed& p = placed[static_cast<std::size_t>(k)];
    if (p.start < 0) continue;
    const auto [start, end] = finePass(synth, sentences[static_cast<std::size_t>(k)], rec, p.start * kCoarse,
                                       (p.end + 1) * kCoarse);
    const int heard = snapStart(recording.energyDb, start, end, previousEnd);
    const int snapped = matchOnset(synthesis.energyDb, sentences[static_cast<std::size_t>(k)], recording.energyDb, heard,
                                   end, previousEnd);
    previousEnd = end;
    FoundSentence& f = out.sentences[static_cast<std::size_t>(k)];
    f.found = true;
    f.startMs = snapped * static_cast<double>(kHopMs);
    f.endMs = std::max(snapped + 1, end + 1) * static_cast<double>(kHopMs);
    f.cost = p.meanCost();
    if (!beforeFirst[static_cast<std::size_t>(k)]) {
      costs.push_back(f.cost);
      if (options.matchOwnShare > 0) shares.push_back(ownShare(k, p));
      ++foundCount;
    }
    if (progress) progress(0.75 + 0.25 * (k + 1) / K);
  }
  out.ownShare = shares.empty() ? kInf : percentile(shares, 0.5);
  out.matches = foundCount * 5 >= K * 3 && (percentile(costs, 0.5) <= options.matchShare * percentile(baseline, 0.5) ||
                                            (!shares.empty() && percentile(shares, 0.5) <= options.matchOwnShare));
  return out;
}

}  // namespace tessaly::align
