// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/TakeView.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "pitch/Pitch.h"
#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {

const QColor kBackground(250, 251, 253);
const QColor kOriginal(52, 104, 168);
const QColor kTake(214, 110, 20);
const QColor kFlat(198, 40, 40);
const QColor kGrid(215, 220, 230);
constexpr double kLeastRangeSt = 3, kMostRangeSt = 12;  // the pitch band's scale, semitones either way
const char* const kToneNames[] = {"", "一声", "二声", "三声", "四声", "轻声"};

QString summaryOf(const TakeComparison& c) {
  QString text = QStringLiteral("原声 %1 秒，我的跟读 %2 秒。")
                     .arg(c.originalMs / 1000.0, 0, 'f', 1)
                     .arg(c.takeMs / 1000.0, 0, 'f', 1);
  if (!c.tones.empty()) {
    text += QStringLiteral("声调：");
    for (const pitch::ToneMark& t : c.tones) {
      const bool flat = std::find(c.score.flatUnits.begin(), c.score.flatUnits.end(), t.unit) != c.score.flatUnits.end();
      text += toQt(t.character) + (t.tone >= 1 && t.tone <= 5 ? toQt(kToneNames[t.tone]) : QString()) +
              (flat ? QStringLiteral("（读平了）") : QString()) + QStringLiteral(" ");
    }
  }
  return text.trimmed();
}

}  // namespace

TakeView::TakeView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TakeView"));
  setMinimumHeight(170);
  setFocusPolicy(Qt::StrongFocus);  // a screen reader's user reaches it by Tab
  show(std::nullopt);
}

void TakeView::show(const std::optional<TakeComparison>& comparison) {
  comparison_ = comparison;
  if (comparison_ && comparison_->compared) setAccessibleName(QStringLiteral("跟读对比图：") + summaryOf(*comparison_));
  else setAccessibleName(QStringLiteral("跟读对比图：还没有跟读录音"));
  setAccessibleDescription(
      QStringLiteral("上面两行是原声和我的跟读的波形，下面是两人的音高线（蓝色原声，橙色跟读），字上标着声调"));
  update();
}

void TakeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  painter.setRenderHint(QPainter::Antialiasing);
  const double w = width(), h = height();
  const double waveH = h * 0.22, pitchTop = 2 * waveH + 4, pitchH = h - pitchTop - 2;
  painter.setPen(kGrid);
  painter.drawLine(QPointF(0, waveH), QPointF(w, waveH));
  painter.drawLine(QPointF(0, 2 * waveH), QPointF(w, 2 * waveH));
  if (!comparison_ || !comparison_->compared) {
    painter.setPen(Qt::darkGray);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("跟读录音以后，这里画出原声和跟读的波形与音高线"));
    return;
  }
  const TakeComparison& c = *comparison_;
  const double totalMs = std::max({c.originalMs, c.takeMs, 1.0});
  const auto xOf = [&](double ms) { return ms / totalMs * w; };

  // The two waveforms, one above the other.
  const auto drawWave = [&](const std::vector<float>& peaks, double top, const QColor& colour, const QString& name) {
    const double middle = top + waveH / 2, half = waveH / 2 - 3;
    painter.setPen(colour);
    for (std::size_t k = 0; k < peaks.size(); ++k) {
      const double x = xOf(static_cast<double>(k) * pitch::kHopMs);
      painter.drawLine(QPointF(x, middle - peaks[k] * half), QPointF(x, middle + peaks[k] * half));
    }
    painter.setPen(Qt::darkGray);
    painter.drawText(QPointF(4, top + 13), name);
  };
  drawWave(c.originalPeaks, 0, kOriginal, QStringLiteral("原声"));
  drawWave(c.takePeaks, waveH, kTake, QStringLiteral("我的跟读"));

  // The pitch band: the characters and their tones on top, then both lines around the median,
  // scaled to the larger movement of the two (at least ±3 semitones).
  QFont small = font();
  small.setPointSizeF(std::max(7.0, font().pointSizeF() * 0.9));
  const double textH = 2 * QFontMetricsF(small).height() + 2;
  double range = kLeastRangeSt;
  for (const auto* line : {&c.score.originalLine, &c.score.takeLine})
    for (double v : *line)
      if (!std::isnan(v)) range = std::max(range, std::min(kMostRangeSt, std::abs(v)));
  const double middle = pitchTop + textH + (pitchH - textH) / 2;
  const double perSt = ((pitchH - textH) / 2 - 3) / range;
  painter.setPen(QPen(kGrid, 1, Qt::DashLine));
  painter.drawLine(QPointF(0, middle), QPointF(w, middle));
  for (const pitch::ToneMark& t : c.tones) {
    const bool flat = std::find(c.score.flatUnits.begin(), c.score.flatUnits.end(), t.unit) != c.score.flatUnits.end();
    const double x0 = xOf(t.startMs), x1 = xOf(t.endMs);
    if (t.timed) {
      painter.setPen(QPen(kGrid, 1));
      painter.drawLine(QPointF(x0, pitchTop), QPointF(x0, pitchTop + pitchH));
    }
    painter.setPen(flat ? kFlat : Qt::black);
    painter.setFont(small);
    const QRectF box(x0, pitchTop, std::max(x1 - x0, 24.0), textH);
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, toQt(t.character) + QStringLiteral("\n") + toQt(t.pinyin));
  }
  const auto drawLine = [&](const std::vector<double>& st, const QColor& colour, double width) {
    QPainterPath path;
    bool open = false;
    for (std::size_t k = 0; k < st.size(); ++k) {
      if (std::isnan(st[k])) {
        open = false;
        continue;
      }
      const QPointF p(xOf(static_cast<double>(k) * pitch::kHopMs), middle - std::clamp(st[k], -range, range) * perSt);
      if (open) path.lineTo(p);
      else path.moveTo(p);
      open = true;
    }
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
  };
  // The speaker's line broad, the take's narrow on it: where they agree both still show.
  drawLine(c.score.originalLine, kOriginal, 5);
  drawLine(c.score.takeLine, kTake, 2);
  painter.setFont(small);
  const QString legend = QStringLiteral("蓝线：原声的音高　橙线：我的跟读（已对齐到原声）");
  const QRectF legendBox(0, pitchTop + pitchH - QFontMetricsF(small).height(), w - 4, QFontMetricsF(small).height());
  painter.setPen(Qt::darkGray);
  painter.drawText(legendBox, Qt::AlignRight | Qt::AlignBottom, legend);
}

}  // namespace tessaly::qt
