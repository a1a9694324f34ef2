// SPDX-License-Identifier: GPL-3.0-or-later
// The verdict on a 跟读 take: whether it can be compared with its sentence and, when it can,
// the comparison (both waveforms' peaks, both pitch lines, the score with its reasons, the
// reference's tones). Not compared, each said in words: a take the device cut short, a sentence
// whose sound could not be read, a take under 300 ms, and one with under 100 ms of pitch in it
// (a muted microphone's). Characters said flat are named only in a sentence with Han units: an
// English one is scored on its whole line. Pure (the pitch tracker does the sums); any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shadow/ShadowEngine.h"

namespace tessaly {

class ReadingTable;

// Why a take cannot be compared, found before it is scored; "" when it can. `deviceFailure`:
// what the capture said ("" when the take is whole); both lengths in frames at `rate`.
std::string takeRefusal(const std::string& deviceFailure, std::size_t originalFrames, std::size_t takeFrames, int rate);

// The take compared with the original, both mono at `rate`: `compared` and no failure when
// there was voice to compare, else the failure. `readings` may be null (no tones marked).
TakeComparison judgeTake(const TakeRequest& request, const std::vector<float>& original, const std::vector<float>& take,
                         int rate, const ReadingTable* readings);

// Enough of a pitch line (NaN where there is no pitch) has a pitch to compare.
bool enoughVoice(const std::vector<double>& takeLine);

// The loudest sample of each 10 ms of `samples` at `rate`, 0 to 1.
std::vector<float> peaksOf(const std::vector<float>& samples, int rate);

}  // namespace tessaly
