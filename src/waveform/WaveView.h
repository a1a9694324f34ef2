// SPDX-License-Identifier: GPL-3.0-or-later
// Which stretch of the recording the waveform shows, and where a point of it lies on screen:
// the whole recording at first, zoomed in and out by halves around a point (the wheel, the
// keys), scrolled, and paged along so the playing position stays in sight.
//
// Pure; the practice window's user-interface thread.
#pragma once

namespace tessaly {

class WaveView {
 public:
  static constexpr double kShortestSpanMs = 2000;  // the deepest zoom

  // A new recording length (ms) shows all of it; the same length keeps the view.
  void setLength(double ms);
  void setWidth(int pixels);

  double from() const { return from_; }
  double to() const { return from_ + span_; }
  double span() const { return span_; }
  double length() const { return length_; }
  int width() const { return width_; }
  bool whole() const { return span_ >= length_; }

  double msAt(double x) const;  // clamped to the recording
  double xAt(double ms) const;

  // Halves (or doubles) the span, keeping `anchorMs` where it is on screen.
  void zoomIn(double anchorMs);
  void zoomOut(double anchorMs);
  void showWhole();
  // Moves by `fraction` of the span (negative: back), within the recording.
  void scroll(double fraction);
  // When `positionMs` has left the view, the view pages on so it shows near its left edge.
  // True if the view moved.
  bool follow(double positionMs);

 private:
  void zoomTo(double span, double anchorMs);
  void clampView();

  double length_ = 0;
  double from_ = 0;
  double span_ = 0;
  int width_ = 1;
};

}  // namespace tessaly
