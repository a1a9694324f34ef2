// SPDX-License-Identifier: GPL-3.0-or-later
// The loop options window (Alt+O): passes before going on, the pause between passes, the
// step back on continue, each with a line saying what it does. Modal; Qt widgets only, the
// options themselves are practice/LoopOptions.h's.
#pragma once

#include <QDialog>

#include "practice/LoopOptions.h"

class QDoubleSpinBox;
class QSpinBox;

namespace tessaly::qt {

class LoopOptionsWindow final : public QDialog, public LoopOptionsDialog {
 public:
  explicit LoopOptionsWindow(QWidget* parent);
  bool edit(LoopOptions& options) override;

  // For the tests: the three fields.
  QSpinBox* passes() const { return passes_; }
  QDoubleSpinBox* pause() const { return pause_; }
  QDoubleSpinBox* stepBack() const { return stepBack_; }

 private:
  QSpinBox* passes_;
  QDoubleSpinBox* pause_;
  QDoubleSpinBox* stepBack_;
};

}  // namespace tessaly::qt
