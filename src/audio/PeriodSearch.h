// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch-period rules of the period-following stretch (PeriodStretch.h), on plain sample
// arrays: how long the waveform takes to repeat, where a stretch of it best matches another
// by normalised cross-correlation, how long the next step and its crossfade are, and the
// raised-cosine weights of that crossfade.
//
// Pure functions; any thread.
#pragma once

namespace tessaly::audio {

// The strongest repetition of a stretch of sound: after `lag` samples it repeats with
// normalised cross-correlation `similarity` (1 for an exact repeat); lag 0 when none was sought.
struct Period {
  int lag = 0;
  double similarity = 0;
};

// How the waveform x[0, window) repeats at lags from minLag to maxLag: x holds window + maxLag
// samples. Of the lags whose similarity comes within `nearBest` of the best, the shortest
// that is a peak, so that two periods are not taken for one. A silent stretch has none.
Period findPeriod(const float* x, int window, int minLag, int maxLag, double nearBest = 0.9);

// The offset from `lo` to `hi` at which y[offset, offset + window) is most like x[0, window)
// by normalised cross-correlation; y is read from y[lo] to y[hi + window). Equal matches go to
// the offset nearest `prefer`. A silent y matches nowhere better than at `prefer`.
int bestMatch(const float* x, const float* y, int lo, int hi, int window, int prefer);

// The next step of the stretch, in frames: `hop` output frames, of which the first `overlap`
// cross-fade from the sound the last step ran on into the place found for this one, sought
// `seek` frames either side of where the step is due.
struct Step {
  int hop = 0;
  int overlap = 0;
  int seek = 0;
};

// The cutting, in milliseconds or periods.
struct PeriodTuning {
  double voicedHopMs = 30;         // a voiced step: the whole number of periods nearest this, at least one
  int overlapPeriods = 1;          // a voiced crossfade: this many periods (no longer than its step)
  double voicedSeekPeriods = 0.5;  // a voiced step's search, either side: so much of a period
  double unvoicedHopMs = 30;       // a step where no period is heard
  double unvoicedOverlapMs = 10;
  double unvoicedSeekMs = 2;
  double matchMs = 17;   // the stretch compared when matching and when finding a period: the
                         // longest period and more
  double lowestHz = 60;  // the pitch range sought
  double highestHz = 500;
  double voicedSimilarity = 0.4;  // a period at least this similar makes the sound voiced
};

// The step for sound whose period is `period` (a lag of 0, or too dissimilar, is unvoiced), at
// `rate` frames a second.
Step stepFor(const Period& period, int rate, const PeriodTuning& tuning);

// The weight of the new sound at frame i of an `overlap`-frame crossfade: a raised cosine
// rising from near 0 to near 1, so that the old sound's weight is 1 less.
float fadeIn(int i, int overlap);

// How alike two stretches of n samples are: their normalised cross-correlation, 0 when
// either is silent.
double likeness(const float* a, const float* b, int n);

// What a crossfade's sum is scaled by, at new-sound weight w, for sounds `alike` (likeness):
// 1 for the same sound; for unrelated sound (noise), enough that its power does not dip
// midway.
float crossfadeGain(float w, double alike);

}  // namespace tessaly::audio
