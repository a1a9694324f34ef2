// SPDX-License-Identifier: GPL-3.0-or-later
// The window that makes or changes one of the learner's repeat schemes, opened from the loop
// options window: the name, the list of passes with the selected pass's speed and pause
// below it, what follows the last pass, and the whole recording before and after; a line at
// the bottom says what the scheme does as it is edited. Modal; user-interface thread only.
#pragma once

#include <QDialog>

#include <vector>

#include "drill/RepeatScheme.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace tessaly::qt {

class SchemeEditorWindow final : public QDialog {
 public:
  explicit SchemeEditorWindow(QWidget* parent);

  // Shows `scheme` for editing; true (with `scheme` changed) when the learner accepts with a
  // name no scheme among `others` has.
  bool edit(RepeatScheme& scheme, const std::vector<RepeatScheme>& others);

  // For the tests.
  QLineEdit* name() const { return name_; }
  QListWidget* passes() const { return passes_; }
  QDoubleSpinBox* speed() const { return speed_; }
  QDoubleSpinBox* pauseSeconds() const { return pauseSeconds_; }
  QDoubleSpinBox* pauseLengths() const { return pauseLengths_; }
  QPushButton* addPass() const { return addPass_; }
  QPushButton* removePass() const { return removePass_; }
  QComboBox* after() const { return after_; }
  QLabel* description() const { return description_; }

  void done(int result) override;

 private:
  void showPasses();
  void showSelectedPass();
  void takeSelectedPass();
  void describe();

  RepeatScheme scheme_;
  std::vector<RepeatScheme> others_;
  bool showing_ = false;  // the fields are being filled, not edited
  QLineEdit* name_;
  QListWidget* passes_;
  QDoubleSpinBox* speed_;
  QDoubleSpinBox* pauseSeconds_;
  QDoubleSpinBox* pauseLengths_;
  QPushButton* addPass_;
  QPushButton* removePass_;
  QComboBox* after_;
  QSpinBox* wholeBefore_;
  QSpinBox* wholeAfter_;
  QLabel* description_;
};

}  // namespace tessaly::qt
