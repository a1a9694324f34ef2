// SPDX-License-Identifier: GPL-3.0-or-later
// Where the learner stands, drawn with QPainter (no chart library: four small charts that
// must read well in Chinese at any size, and a description a screen reader can read out):
// accuracy per day over the last 90 days, the shares of the kinds of slip, for Mandarin the
// tones confused (the reference's tone down, the written one across, shaded by count), for
// English the words missed most. User-interface thread only.
#pragma once

#include <QWidget>

#include <string>

#include "record/RecordLog.h"

namespace tessaly::qt {

// What the charts say, in words: the accessible description, and the tests' view of them.
std::string describeRecord(const RecordStats& stats, int today, int days);

class RecordCharts final : public QWidget {
 public:
  explicit RecordCharts(QWidget* parent);
  void show(RecordStats stats, int today, int days);
  const RecordStats& stats() const { return stats_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void drawAccuracy(class QPainter& p, const QRect& box) const;
  void drawKinds(QPainter& p, const QRect& box) const;
  void drawTones(QPainter& p, const QRect& box) const;
  void drawWords(QPainter& p, const QRect& box) const;

  RecordStats stats_;
  int today_ = 0, days_ = 90;
};

}  // namespace tessaly::qt
