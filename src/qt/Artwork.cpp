// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "app/MainWindowLayout.h"
#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {

QRect pixels(const layout::Rect& r) {
  constexpr int k = layout::kTwipsPerPixel;
  return {r.left / k, r.top / k, r.width / k, r.height / k};
}

void drawButton(QPainter& painter, const QRect& rect, const QString& caption, const QColor& base, int points) {
  QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
  fill.setColorAt(0, base.lighter(135));
  fill.setColorAt(1, base);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
  painter.setBrush(QBrush(fill));
  painter.setPen(QPen(base.darker(140), 1));
  painter.drawPath(shape);
  painter.setPen(Qt::white);
  painter.setFont(chineseFont(points));
  painter.drawText(rect, Qt::AlignCenter, caption);
}

}  // namespace

QFont chineseFont(int points) {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Droid Sans Fallback")});
  font.setPointSize(points);
  return font;
}

QPixmap drawBackground() {
  QPixmap picture(layout::kClientWidthPx, layout::kClientHeightPx);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, picture.height());
  sky.setColorAt(0, QColor(226, 236, 246));
  sky.setColorAt(1, QColor(196, 212, 230));
  painter.fillRect(picture.rect(), sky);

  // The dictation page and the progress strip sit in a sunken panel.
  const QRect text = pixels(layout::kText1).adjusted(-5, -5, 5, 5);
  const QRect strip = pixels(layout::kSlider1).united(pixels(layout::kLabel7)).adjusted(-5, -2, 5, 6);
  painter.setPen(QPen(QColor(150, 170, 195), 1));
  painter.setBrush(QColor(236, 242, 249));
  painter.drawRoundedRect(text.united(strip), 8, 8);

  // The player row, the appearance column and the play-list buttons, with their captions.
  for (int n = 12; n <= 20; ++n)
    drawButton(painter, pixels(layout::kClickAreas[static_cast<std::size_t>(n)]),
               toQt(std::string(layout::kClickAreaCaptions[static_cast<std::size_t>(n)])), QColor(52, 104, 168), 11);
  for (int n : {4, 5, 8, 9, 10, 11})
    drawButton(painter, pixels(layout::kClickAreas[static_cast<std::size_t>(n)]),
               toQt(std::string(layout::kClickAreaCaptions[static_cast<std::size_t>(n)])), QColor(70, 140, 110), 8);
  for (int n : {21, 22, layout::kPracticeLabel})
    drawButton(painter, pixels(layout::kClickAreas[static_cast<std::size_t>(n)]),
               toQt(std::string(layout::kClickAreaCaptions[static_cast<std::size_t>(n)])), QColor(150, 100, 60), 10);

  // A frame for the web panel and a band for the status line.
  painter.setPen(QPen(QColor(150, 170, 195), 1));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(pixels(layout::kWebBrowser1).adjusted(-3, -3, 3, 3), 5, 5);
  painter.setBrush(QColor(30, 45, 60, 30));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRect(16, 508, 560, 40), 6, 6);
  return picture;
}

QPixmap drawStatusIcon(int number) {
  QPixmap icon(32, 32);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor colours[] = {QColor(130, 140, 150), QColor(40, 160, 70), QColor(230, 130, 30)};
  const QColor colour = colours[std::clamp(number, 1, 3) - 1];
  painter.setBrush(colour);
  painter.setPen(QPen(colour.darker(140), 1.5));
  painter.drawEllipse(QRectF(2, 2, 28, 28));
  painter.setBrush(Qt::white);
  painter.setPen(Qt::NoPen);
  if (number == 1) {  // waiting: two bars
    painter.drawRect(QRectF(11, 9, 4, 14));
    painter.drawRect(QRectF(18, 9, 4, 14));
  } else if (number == 2) {  // playing: a triangle
    const QPointF play[] = {{12, 8}, {12, 24}, {24, 16}};
    painter.drawPolygon(play, 3);
  } else {  // repeating: a circular arrow
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(9, 9, 14, 14), 60 * 16, 280 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QPointF head[] = {{19, 5}, {25, 10}, {18, 12}};
    painter.drawPolygon(head, 3);
  }
  return icon;
}

}  // namespace tessaly::qt
