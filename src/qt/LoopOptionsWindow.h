// SPDX-License-Identifier: GPL-3.0-or-later
// The loop options window (Alt+O): the repeat scheme Alt+R runs (described below it), passes
// before going on, the pause between passes, the
// step back on continue, each with a line saying what it does. Modal; Qt widgets only, the
// options themselves are practice/LoopOptions.h's.
#pragma once

#include <QDialog>

#include "practice/LoopOptions.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace tessaly::qt {

class LoopOptionsWindow final : public QDialog, public LoopOptionsDialog {
 public:
  explicit LoopOptionsWindow(QWidget* parent);
  bool edit(LoopOptions& options) override;
  void offerSchemes(const std::vector<RepeatScheme>& schemes, const std::string& chosen) override;
  std::string chosenScheme() const override;

  // For the tests: the three fields.
  QSpinBox* passes() const { return passes_; }
  QDoubleSpinBox* pause() const { return pause_; }
  QDoubleSpinBox* stepBack() const { return stepBack_; }
  QComboBox* scheme() const { return scheme_; }

 private:
  void describeScheme();

  std::vector<RepeatScheme> schemes_;
  QComboBox* scheme_;
  QLabel* schemeText_;
  QSpinBox* passes_;
  QDoubleSpinBox* pause_;
  QDoubleSpinBox* stepBack_;
};

}  // namespace tessaly::qt
