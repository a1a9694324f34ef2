// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window's waveform: the recording's peaks drawn at any width, with the current
// segment shaded (the loop's range while repeating), the sentence boundaries, and the playing
// position. A click jumps there; a sentence's start line dragged moves the start (the map
// corrected by hand); the wheel zooms around the pointer; keys: + and - zoom around the
// playing position, 0 shows the whole recording, the arrows move along it.
//
// User-interface thread. The peaks are drawn once into a picture kept until the view, the
// size or the peaks change, so a frame only draws the shading and the lines over it.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>
#include <functional>

namespace tessaly {
class PracticeForm;
}

namespace tessaly::qt {

class WaveformWidget final : public QWidget {
 public:
  WaveformWidget(PracticeForm& form, QWidget* parent);
  // The peaks or the view changed: the kept picture is drawn again at the next paint.
  void peaksChanged() {
    stale_ = true;
    update();
  }
  // Once a frame: repaints only when something drawn has moved by a pixel or changed (on an
  // hour-long recording the position moves a pixel every few seconds).
  void frame();
  QSize sizeHint() const override { return {760, 150}; }
  // Where a dragged start line is let go: the sentence and its new start.
  void onStartDragged(std::function<void(int sentence, double ms)> dragged) { dragged_ = std::move(dragged); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void drawPeaks();

  PracticeForm& form_;
  std::function<void(int, double)> dragged_;
  int dragging_ = -1;  // the sentence whose start line is being dragged
  double dragX_ = 0;
  bool dragMoved_ = false;
  QPixmap peaks_;
  bool stale_ = true;
  double drawnFrom_ = -1, drawnTo_ = -1;
  std::array<long long, 7> shown_{};  // what the last frame drew, in pixels and flags
};

}  // namespace tessaly::qt
