// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison of a 跟读 take drawn: the sentence's waveform above the take's on one time
// scale, then both pitch lines on the sentence's time (the take's warped onto it), in
// semitones from each speaker's own median, with the reference's tones written above their
// characters (and their spans, when the characters' times are known); the characters the take
// said flat in red. Its accessible name says what it shows in words.
//
// User-interface thread.
#pragma once

#include <QWidget>

#include <optional>

#include "shadow/ShadowEngine.h"

namespace tessaly::qt {

class TakeView final : public QWidget {
 public:
  explicit TakeView(QWidget* parent);
  void show(const std::optional<TakeComparison>& comparison);
  const std::optional<TakeComparison>& shown() const { return comparison_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<TakeComparison> comparison_;
};

}  // namespace tessaly::qt
