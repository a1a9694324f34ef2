// SPDX-License-Identifier: GPL-3.0-or-later
// Which time-stretch engine plays the slower and faster speeds: the speech engine (a
// waveform-similarity overlap-add tuned for voices, clear consonants) or Rubber Band (a phase
// vocoder, smoother on music). The learner chooses in the loop options window; the choice is
// kept in settings.ini as "stretch=speech" or "stretch=rubberband". Both keep the pitch and
// make each play exactly its file time over the speed (audio/Stretch.h).
//
// Plain values; any thread.
#pragma once

#include <string_view>

namespace tessaly {

// Period: the program's own pitch-period stretch (audio/PeriodStretch.h), for the benchmark
// alone; no setting names it.
enum class StretchEngine { Speech, RubberBand, Period };

// The engine used when the learner has not chosen (or the settings name none the program knows).
inline constexpr StretchEngine kDefaultStretchEngine = StretchEngine::Speech;

inline constexpr const char* kStretchSettingsKey = "stretch";

// "speech" or "rubberband": the settings' value and the probe's --stretch (which also knows "period").
constexpr std::string_view stretchEngineName(StretchEngine engine) {
  switch (engine) {
    case StretchEngine::RubberBand: return "rubberband";
    case StretchEngine::Period: return "period";
    case StretchEngine::Speech: break;
  }
  return "speech";
}

// The engine a settings value names; anything else (missing, misspelt, another case) is the default.
constexpr StretchEngine stretchEngineNamed(std::string_view name) {
  if (name == "speech") return StretchEngine::Speech;
  if (name == "rubberband") return StretchEngine::RubberBand;
  return kDefaultStretchEngine;
}

}  // namespace tessaly
