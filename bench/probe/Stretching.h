// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-probe's measurements beyond the per-file figures: the time-stretch stage
// (Stretching.cpp), sentence maps (Sentences.cpp), the dictation check (Checking.cpp), unit
// times (Aligning.cpp), pitch lines (Pitching.cpp).
#pragma once

#include <string>

#include "playback/StretchEngine.h"

namespace tessaly::bench {

int render(const std::string& out, double speed, int fromMs, int toMs, const std::string& file, StretchEngine engine);
int stretchCost(double speed, const std::string& file, StretchEngine engine);
// The sentence maps of `count` files (Sentences.cpp).
int sentences(int count, char** files);
// tessaly-probe --check DICTATION REFERENCE (Checking.cpp); `table` is the readings table.
int check(const std::string& table, const std::string& dictation, const std::string& reference);
// tessaly-probe --align RECORDING [REFERENCE] (Aligning.cpp).
int align(const std::string& file, const std::string& reference);
// tessaly-probe --pitch FILE (Pitching.cpp).
int pitchLine(const std::string& file);

}  // namespace tessaly::bench
