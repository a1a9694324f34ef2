// SPDX-License-Identifier: GPL-3.0-or-later
// The loop options window (Alt+O): the repeat scheme Alt+R runs (described below it, with
// buttons that make, change and remove the learner's own), passes before going on, the pause
// between passes, the step back on continue, each with a line saying what it does. Modal; Qt
// widgets only, the options themselves are practice/LoopOptions.h's.
#pragma once

#include <QDialog>

#include "practice/LoopOptions.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tessaly::qt {

class LoopOptionsWindow final : public QDialog, public LoopOptionsDialog {
 public:
  explicit LoopOptionsWindow(QWidget* parent);
  bool edit(LoopOptions& options) override;
  void offerSchemes(const std::vector<RepeatScheme>& schemes, const std::string& chosen) override;
  std::string chosenScheme() const override;
  std::vector<RepeatScheme> schemes() const override { return schemes_; }

  // For the tests: the three fields.
  QSpinBox* passes() const { return passes_; }
  QDoubleSpinBox* pause() const { return pause_; }
  QDoubleSpinBox* stepBack() const { return stepBack_; }
  QComboBox* stretch() const { return stretch_; }
  QComboBox* scheme() const { return scheme_; }
  QPushButton* newScheme() const { return newScheme_; }
  QPushButton* changeScheme() const { return changeScheme_; }
  QPushButton* removeScheme() const { return removeScheme_; }
  class SchemeEditorWindow* schemeEditor() const {
    return editor_;
  }

 private:
  void describeScheme();
  void showSchemes(const std::string& chosen);
  // Makes a scheme from `start` in the editor; true when the learner kept it.
  bool editScheme(RepeatScheme start, std::size_t replacing);
  bool ownSchemeChosen() const;

  std::vector<RepeatScheme> schemes_;
  QComboBox* scheme_;
  QLabel* schemeText_;
  QPushButton* newScheme_;
  QPushButton* changeScheme_;
  QPushButton* removeScheme_;
  class SchemeEditorWindow* editor_ = nullptr;
  QSpinBox* passes_;
  QDoubleSpinBox* pause_;
  QDoubleSpinBox* stepBack_;
  QComboBox* stretch_;  // its items in the order of StretchEngine
};

}  // namespace tessaly::qt
