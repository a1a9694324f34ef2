// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/RecordCharts.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {

const QColor kInk(40, 40, 40), kGrid(215, 215, 215), kBar(46, 125, 50), kShade(198, 40, 40);
constexpr const char* kToneNames[5] = {"一声", "二声", "三声", "四声", "轻声"};

QString percent(double value) { return QString::number(value, 'f', 1) + QStringLiteral("%"); }

void title(QPainter& p, const QRect& box, const QString& text) {
  QFont f = p.font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(kInk);
  p.drawText(box.adjusted(0, 0, 0, -box.height() + p.fontMetrics().height()), Qt::AlignLeft, text);
  f.setBold(false);
  p.setFont(f);
}

}  // namespace

std::string describeRecord(const RecordStats& stats, int today, int days) {
  std::string text = "近 " + std::to_string(days) + " 天练习了 " + std::to_string(stats.accuracyByDay.size()) + " 天";
  for (const auto& [day, accuracy] : stats.accuracyByDay)
    text += "；" + (day == today ? std::string("今天") : std::to_string(today - day) + " 天前") + " " +
            percent(accuracy).toStdString();
  text += "。错误：";
  int all = 0;
  for (const auto& kind : stats.slipKinds) all += kind.second;
  if (all == 0) text += "没有";
  for (std::size_t i = 0; i < stats.slipKinds.size(); ++i)
    text += (i ? "，" : "") + slipKindName(stats.slipKinds[i].first) + " " + std::to_string(stats.slipKinds[i].second) +
            " 处";
  std::string tones;
  for (int r = 0; r < 5; ++r)
    for (int w = 0; w < 5; ++w)
      if (r != w && stats.tones[static_cast<std::size_t>(r)][static_cast<std::size_t>(w)] > 0)
        tones += (tones.empty() ? "" : "，") + std::string(kToneNames[r]) + "写成" + kToneNames[w] + " " +
                 std::to_string(stats.tones[static_cast<std::size_t>(r)][static_cast<std::size_t>(w)]) + " 次";
  if (!tones.empty()) text += "。声调混淆：" + tones;
  if (!stats.wordsMissed.empty()) {
    text += "。最常写错的英文单词：";
    for (std::size_t i = 0; i < stats.wordsMissed.size() && i < 5; ++i)
      text += (i ? "，" : "") + stats.wordsMissed[i].first + " " + std::to_string(stats.wordsMissed[i].second) + " 次";
  }
  return text + "。";
}

RecordCharts::RecordCharts(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("RecordCharts"));
  setMinimumSize(560, 420);
  setFocusPolicy(Qt::StrongFocus);  // reachable by Tab, so its description can be read
  setAccessibleName(QStringLiteral("我的情况图表"));
}

void RecordCharts::show(RecordStats stats, int today, int days) {
  stats_ = std::move(stats);
  today_ = today;
  days_ = days;
  setAccessibleDescription(toQt(describeRecord(stats_, today_, days_)));
  update();
}

void RecordCharts::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setRenderHint(QPainter::Antialiasing);
  const int gap = 12, w = width() - 3 * gap, h = height() - 3 * gap;
  const QRect top(gap, gap, width() - 2 * gap, h / 2);
  const QRect left(gap, 2 * gap + h / 2, w / 3, h - h / 2);
  const QRect middle(left.right() + gap, left.top(), w / 3, left.height());
  const QRect right(middle.right() + gap, left.top(), w - 2 * (w / 3), left.height());
  drawAccuracy(p, top);
  drawKinds(p, left);
  drawTones(p, middle);
  drawWords(p, right);
}

void RecordCharts::drawAccuracy(QPainter& p, const QRect& box) const {
  title(p, box, QStringLiteral("近 %1 天每天的正确率").arg(days_));
  const int line = p.fontMetrics().height();
  const QRect plot = box.adjusted(p.fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 6, 2 * line, -line / 2,
                                  -line - 2);
  p.setPen(kGrid);
  for (int v = 0; v <= 100; v += 25) {
    const int y = plot.bottom() - plot.height() * v / 100;
    p.drawLine(plot.left(), y, plot.right(), y);
    p.setPen(kInk);
    p.drawText(QRect(box.left(), y - line / 2, plot.left() - box.left() - 4, line), Qt::AlignRight,
               QStringLiteral("%1%").arg(v));
    p.setPen(kGrid);
  }
  p.setPen(kInk);
  p.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignLeft,
             QStringLiteral("%1 天前").arg(days_ - 1));
  p.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignRight, QStringLiteral("今天"));
  const double slot = static_cast<double>(plot.width()) / days_;
  QPolygonF points;
  for (const auto& [day, accuracy] : stats_.accuracyByDay) {
    const double x = plot.left() + slot * (days_ - 1 - (today_ - day)) + slot / 2;
    const double y = plot.bottom() - plot.height() * std::clamp(accuracy, 0.0, 100.0) / 100.0;
    points << QPointF(x, y);
  }
  p.setPen(QPen(kBar, 2));
  p.drawPolyline(points);
  p.setBrush(kBar);
  for (const QPointF& point : points) p.drawEllipse(point, 3.5, 3.5);
  p.setBrush(Qt::NoBrush);
}

void RecordCharts::drawKinds(QPainter& p, const QRect& box) const {
  title(p, box, QStringLiteral("错误的种类"));
  const int line = p.fontMetrics().height();
  int all = 0;
  for (const auto& kind : stats_.slipKinds) all += kind.second;
  const int label = p.fontMetrics().horizontalAdvance(QStringLiteral("同音字 "));
  int y = box.top() + line + 8;
  for (const auto& [kind, count] : stats_.slipKinds) {
    if (y + line > box.bottom()) break;
    p.setPen(kInk);
    p.drawText(QRect(box.left(), y, label, line), Qt::AlignLeft, toQt(slipKindName(kind)));
    const int room = box.width() - label - p.fontMetrics().horizontalAdvance(QStringLiteral(" 100%"));
    const int bar = all > 0 ? room * count / all : 0;
    p.fillRect(QRect(box.left() + label, y + 2, std::max(1, bar), line - 4), kBar);
    p.drawText(QRect(box.left() + label + bar + 4, y, box.width(), line), Qt::AlignLeft, percent(100.0 * count / all));
    y += line + 4;
  }
  if (all == 0) p.drawText(QRect(box.left(), y, box.width(), line), Qt::AlignLeft, QStringLiteral("还没有错误记录"));
}

void RecordCharts::drawTones(QPainter& p, const QRect& box) const {
  title(p, box, QStringLiteral("声调混淆（行：应为，列：写成）"));
  const int line = p.fontMetrics().height();
  const int label = p.fontMetrics().horizontalAdvance(QStringLiteral("轻声 "));
  const int cell = std::max(8, std::min((box.width() - label) / 5, (box.height() - 2 * line - 12) / 5));
  const int left = box.left() + label, top = box.top() + 2 * line + 8;
  int most = 0;
  for (const auto& row : stats_.tones) most = std::max(most, *std::max_element(row.begin(), row.end()));
  p.setPen(kInk);
  for (int i = 0; i < 5; ++i) {
    p.drawText(QRect(left + i * cell, top - line - 2, cell, line), Qt::AlignCenter, QString::fromUtf8(kToneNames[i]));
    p.drawText(QRect(box.left(), top + i * cell, label, cell), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromUtf8(kToneNames[i]));
  }
  for (int r = 0; r < 5; ++r)
    for (int w = 0; w < 5; ++w) {
      const int n = stats_.tones[static_cast<std::size_t>(r)][static_cast<std::size_t>(w)];
      const QRect c(left + w * cell, top + r * cell, cell - 2, cell - 2);
      QColor shade = kShade;
      shade.setAlphaF(most > 0 && n > 0 ? 0.15 + 0.85 * n / most : 0.0);
      p.fillRect(c, shade);
      p.setPen(kGrid);
      p.drawRect(c);
      p.setPen(n * 2 > most && n > 0 ? Qt::white : kInk);
      if (n > 0) p.drawText(c, Qt::AlignCenter, QString::number(n));
    }
}

void RecordCharts::drawWords(QPainter& p, const QRect& box) const {
  title(p, box, QStringLiteral("最常写错的英文单词"));
  const int line = p.fontMetrics().height();
  int y = box.top() + line + 8, most = 1;
  for (const auto& word : stats_.wordsMissed) most = std::max(most, word.second);
  const int label = box.width() / 2;
  for (const auto& [word, count] : stats_.wordsMissed) {
    if (y + line > box.bottom()) break;
    p.setPen(kInk);
    p.drawText(QRect(box.left(), y, label - 4, line), Qt::AlignLeft, toQt(word));
    const int bar = (box.width() - label - 30) * count / most;
    p.fillRect(QRect(box.left() + label, y + 2, std::max(1, bar), line - 4), kShade);
    p.drawText(QRect(box.left() + label + bar + 4, y, 40, line), Qt::AlignLeft, QString::number(count));
    y += line + 4;
  }
  if (stats_.wordsMissed.empty())
    p.drawText(QRect(box.left(), y, box.width(), line), Qt::AlignLeft, QStringLiteral("还没有"));
}

}  // namespace tessaly::qt
