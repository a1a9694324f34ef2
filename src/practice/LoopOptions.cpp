// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/LoopOptions.h"

#include <algorithm>
#include <string>

namespace tessaly {

LoopOptions LoopOptions::load(const UserSettings& settings) {
  LoopOptions o;
  o.passes = std::clamp(settings.getInt("loop_passes", 0), 0, kMostPasses);
  o.pauseMs = std::clamp(settings.getInt("loop_pause_ms", 0), 0, kLongestPauseMs);
  o.stepBackMs = std::clamp(settings.getInt("step_back_ms", 0), 0, kLongestStepBackMs);
  o.stretch = stretchIn(settings);
  return o;
}

StretchEngine LoopOptions::stretchIn(const UserSettings& settings) {
  return stretchEngineNamed(settings.get(kStretchSettingsKey).value_or(""));
}

void LoopOptions::save(UserSettings& settings) const {
  settings.set("loop_passes", std::to_string(passes));
  settings.set("loop_pause_ms", std::to_string(pauseMs));
  settings.set("step_back_ms", std::to_string(stepBackMs));
  if (stretch != kDefaultStretchEngine || settings.get(kStretchSettingsKey))
    settings.set(kStretchSettingsKey, std::string(stretchEngineName(stretch)));
}

}  // namespace tessaly
