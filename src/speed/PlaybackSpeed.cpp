// SPDX-License-Identifier: GPL-3.0-or-later
#include "speed/PlaybackSpeed.h"

#include <algorithm>

namespace tessaly {

PlaybackSpeed::PlaybackSpeed(MciControl& mci, StreamControl& stream, ui::Label& display, UserSettings* settings)
    : mci_(mci), stream_(stream), display_(display), settings_(settings) {}

std::string PlaybackSpeed::caption(int tenths) {
  if (tenths == kNormal) return {};
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "×";
}

void PlaybackSpeed::load() {
  const int kept = settings_ ? settings_->getInt(kSettingsKey, kNormal) : kNormal;
  tenths_ = std::clamp(kept, kSlowest, kFastest);
  if (tenths_ != kNormal) {
    mci_.setSpeed(tenths_ / 10.0);
    stream_.setSpeed(tenths_ / 10.0);
  }
  display_.setCaption(caption(tenths_));
}

void PlaybackSpeed::slower() { change(tenths_ - 1); }
void PlaybackSpeed::faster() { change(tenths_ + 1); }
void PlaybackSpeed::normal() { change(kNormal); }

void PlaybackSpeed::change(int tenths) {
  tenths = std::clamp(tenths, kSlowest, kFastest);
  if (tenths == tenths_) return;
  tenths_ = tenths;
  mci_.setSpeed(tenths / 10.0);
  stream_.setSpeed(tenths / 10.0);
  display_.setCaption(caption(tenths));
  if (settings_) settings_->set(kSettingsKey, std::to_string(tenths));
}

}  // namespace tessaly
