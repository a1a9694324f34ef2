// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/WaveformWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

#include "practice/PracticeForm.h"
#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {
const QColor kBackground(250, 251, 253);
const QColor kWave(52, 104, 168);
const QColor kSegment(52, 104, 168, 40);
const QColor kLoop(230, 140, 20, 70);
const QColor kBoundary(120, 120, 120);
const QColor kPosition(200, 30, 30);
constexpr double kUnitStripTop = 13, kUnitStripHeight = 16;
constexpr double kGripPx = 4;  // a start line is taken this near it
}  // namespace

WaveformWidget::WaveformWidget(PracticeForm& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName(QStringLiteral("Waveform"));
  setFocusPolicy(Qt::StrongFocus);
  setMinimumHeight(90);
  setAccessibleName(QStringLiteral("波形"));
  setAccessibleDescription(QStringLiteral(
      "点击跳到该处；拖动句子的分界线移动句子的开始；滚轮或加号、减号键缩放，0 键显示全部，左右方向键前后移动"));
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);  // the pointer shows where a start line can be dragged
}

void WaveformWidget::resizeEvent(QResizeEvent*) {
  form_.view().setWidth(width());
  stale_ = true;
}

void WaveformWidget::drawPeaks() {
  const WaveView& view = form_.view();
  peaks_ = QPixmap(size() * devicePixelRatioF());
  peaks_.setDevicePixelRatio(devicePixelRatioF());
  peaks_.fill(kBackground);
  QPainter painter(&peaks_);
  const double middle = height() / 2.0;
  painter.setPen(QColor(210, 215, 225));
  painter.drawLine(QPointF(0, middle), QPointF(width(), middle));
  painter.setPen(kWave);
  const auto columns = peakColumns(form_.peaks(), view.from(), view.to(), width());
  const double half = middle - 2;
  for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
    const PeakPair& p = columns[static_cast<std::size_t>(x)];
    if (p.low == 0 && p.high == 0) continue;
    painter.drawLine(QPointF(x + 0.5, middle - p.high * half), QPointF(x + 0.5, middle - p.low * half));
  }
  drawnFrom_ = view.from();
  drawnTo_ = view.to();
  stale_ = false;
}

void WaveformWidget::paintEvent(QPaintEvent*) {
  const WaveView& view = form_.view();
  if (stale_ || drawnFrom_ != view.from() || drawnTo_ != view.to() || peaks_.size() != size() * devicePixelRatioF())
    drawPeaks();
  QPainter painter(this);
  painter.drawPixmap(0, 0, peaks_);
  const PlayerPicture& p = form_.picture();
  if (!p.recording.empty() && view.length() > 0) {
    // The segment heard so far, or the loop's range while repeating.
    const double from = p.segmentStartMs;
    const double to = p.repeating ? p.segmentEndMs : p.positionMs;
    if (p.playing && to > from) {
      const double left = std::max(0.0, view.xAt(from)), right = std::min<double>(width(), view.xAt(to));
      if (right > left) painter.fillRect(QRectF(left, 0, right - left, height()), p.repeating ? kLoop : kSegment);
    }
    // Sentence boundaries, with the number of each sentence that starts in sight.
    const auto& sentences = form_.sentences();
    painter.setFont(QFont(font().family(), 7));
    double lastLabel = -100;
    for (std::size_t i = 0; i < sentences.size(); ++i) {
      const double x = view.xAt(sentences[i].startMs);
      if (x < 0) continue;
      if (x > width()) break;
      painter.setPen(QPen(kBoundary, 1, Qt::DashLine));
      painter.drawLine(QPointF(x, 0), QPointF(x, height()));
      if (x - lastLabel >= 18) {  // numbers only where they do not run into each other
        painter.setPen(kBoundary);
        painter.drawText(QPointF(x + 2, 10), QString::number(i + 1));
        lastLabel = x;
      }
    }
    // Zoomed in: the units of the sentence being heard, on a strip of their own below the
    // numbers (a click there hears the unit alone), with their text once it is revealed.
    for (const auto& unit : form_.shownUnits()) {
      const double left = view.xAt(unit.startMs), right = view.xAt(unit.endMs);
      if (right < 0 || left > width()) continue;
      painter.setPen(QPen(kBoundary, 1, Qt::DotLine));
      painter.drawLine(QPointF(left, kUnitStripTop), QPointF(left, height()));
      painter.setPen(kBoundary);
      painter.drawRect(QRectF(left, kUnitStripTop, right - left, kUnitStripHeight));
      if (!unit.text.empty())
        painter.drawText(QRectF(left, kUnitStripTop, right - left, kUnitStripHeight), Qt::AlignCenter, toQt(unit.text));
    }
    if (dragging_ >= 0) {
      painter.setPen(QPen(kBoundary, 2));
      painter.drawLine(QPointF(dragX_, 0), QPointF(dragX_, height()));
    }
    const double x = view.xAt(p.positionMs);
    if (x >= 0 && x <= width()) {
      painter.setPen(QPen(kPosition, 2));
      painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
  }
  if (hasFocus()) {
    painter.setPen(QPen(palette().highlight().color(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
  }
}

void WaveformWidget::frame() {
  const PlayerPicture& p = form_.picture();
  const WaveView& view = form_.view();
  const auto units = form_.shownUnits();
  const std::array<long long, 7> now = {
      std::lround(view.xAt(p.positionMs)),
      std::lround(view.xAt(p.segmentStartMs)),
      std::lround(view.xAt(p.segmentEndMs)),
      (p.playing ? 1 : 0) + (p.repeating ? 2 : 0),
      static_cast<long long>(form_.sentences().size()),
      std::llround(view.from()),
      static_cast<long long>(units.size()) * 2 + (!units.empty() && !units.front().text.empty())};
  if (now == shown_) return;
  shown_ = now;
  update();
}

void WaveformWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus();
  const double x = event->position().x(), y = event->position().y();
  if (y >= kUnitStripTop && y < kUnitStripTop + kUnitStripHeight && form_.clickUnitAt(x)) return;
  if (dragged_ && (dragging_ = form_.startNear(x, kGripPx)) >= 0) {
    dragX_ = x;
    dragMoved_ = false;
    return;
  }
  form_.clickAt(x);
}

void WaveformWidget::mouseMoveEvent(QMouseEvent* event) {
  const double x = std::clamp<double>(event->position().x(), 0, width());
  if (dragging_ < 0) {
    setCursor(dragged_ && form_.startNear(x, kGripPx) >= 0 ? Qt::SizeHorCursor : Qt::PointingHandCursor);
    return;
  }
  dragMoved_ = dragMoved_ || std::abs(x - dragX_) >= 1;
  dragX_ = x;
  update();
}

void WaveformWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || dragging_ < 0) return;
  const int sentence = std::exchange(dragging_, -1);
  // A line pressed and let go where it was is a click there.
  if (!dragMoved_) form_.clickAt(dragX_);
  else dragged_(sentence, form_.view().msAt(dragX_));
  update();
}

void WaveformWidget::wheelEvent(QWheelEvent* event) {
  const double anchor = form_.view().msAt(event->position().x());
  if (event->angleDelta().y() > 0) form_.view().zoomIn(anchor);
  else if (event->angleDelta().y() < 0) form_.view().zoomOut(anchor);
  update();
  event->accept();
}

void WaveformWidget::keyPressEvent(QKeyEvent* event) {
  WaveView& view = form_.view();
  const double anchor = form_.picture().positionMs;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: view.zoomIn(anchor); break;
    case Qt::Key_Minus: view.zoomOut(anchor); break;
    case Qt::Key_0: view.showWhole(); break;
    case Qt::Key_Left: view.scroll(-0.25); break;
    case Qt::Key_Right: view.scroll(0.25); break;
    default: QWidget::keyPressEvent(event); return;
  }
  update();
}

}  // namespace tessaly::qt
