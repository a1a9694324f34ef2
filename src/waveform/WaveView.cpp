// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveform/WaveView.h"

#include <algorithm>

namespace tessaly {

void WaveView::setLength(double ms) {
  ms = std::max(0.0, ms);
  if (ms == length_) return;
  length_ = ms;
  showWhole();
}

void WaveView::setWidth(int pixels) { width_ = std::max(1, pixels); }

double WaveView::msAt(double x) const {
  if (span_ <= 0) return 0;
  return std::clamp(from_ + x * span_ / width_, 0.0, length_);
}

double WaveView::xAt(double ms) const { return span_ <= 0 ? 0 : (ms - from_) * width_ / span_; }

void WaveView::showWhole() {
  from_ = 0;
  span_ = length_;
}

void WaveView::zoomIn(double anchorMs) { zoomTo(span_ / 2, anchorMs); }
void WaveView::zoomOut(double anchorMs) { zoomTo(span_ * 2, anchorMs); }

void WaveView::zoomTo(double span, double anchorMs) {
  if (length_ <= 0) return;
  span = std::clamp(span, std::min(kShortestSpanMs, length_), length_);
  const double share = span_ > 0 ? (anchorMs - from_) / span_ : 0.5;  // where the anchor is on screen
  from_ = anchorMs - share * span;
  span_ = span;
  clampView();
}

void WaveView::scroll(double fraction) {
  from_ += fraction * span_;
  clampView();
}

bool WaveView::follow(double positionMs) {
  if (whole() || (positionMs >= from_ && positionMs < to())) return false;
  from_ = positionMs - span_ * 0.1;
  clampView();
  return true;
}

void WaveView::clampView() { from_ = std::clamp(from_, 0.0, std::max(0.0, length_ - span_)); }

}  // namespace tessaly
