// SPDX-License-Identifier: GPL-3.0-or-later
// CheckPanel: the practice window's reference and check column. The reference's name and
// its row (choosing a reference file, the map's own texts, the subtitle stream inside the
// recording, the check button), the score with its legend, the dictation marked up (Enter on
// a slip's mark hears it alone), the errors sentence by sentence (a click loops the
// sentence), and the slips to hear alone. Its logic is the window's PracticeForm.
//
// User-interface thread; the practice window calls the show… methods when its frame finds a
// change.
#pragma once

#include <QWidget>

#include <utility>
#include <vector>

#include "practice/PracticeForm.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace tessaly {
namespace ui {
class FileDialog;
class MessageBox;
}  // namespace ui
}  // namespace tessaly

namespace tessaly::qt {

// A button that is never the default one, with its accessible name.
QPushButton* plainButton(const QString& text, const QString& accessible, QWidget* parent);

class CheckPanel final : public QWidget {
 public:
  CheckPanel(PracticeForm& logic, ui::FileDialog& dialog, ui::MessageBox& messages, QWidget* parent);

  // The reference's name as the logic has it now.
  void showReference();
  void showCheck();
  void showSlips();
  // The subtitle streams to choose from, shown only when there is a choice.
  void showSubtitleChoices();
  // The check started (Alt+Y, the check button), or why it cannot be.
  void runCheck();
  // Adds `button` to the reference row at `index`.
  void addToReferenceRow(QWidget* button, int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void chooseReference();

  PracticeForm& logic_;
  ui::FileDialog& dialog_;
  ui::MessageBox& messages_;
  QLabel* reference_ = nullptr;
  QHBoxLayout* referenceRow_ = nullptr;
  QComboBox* subtitles_ = nullptr;  // which subtitle stream inside the recording gives the sentences
  std::vector<PracticeForm::SubtitleChoice> subtitleChoices_;
  QPushButton* checkButton_ = nullptr;
  QLabel* score_ = nullptr;
  QLabel* legend_ = nullptr;
  QTextBrowser* marked_ = nullptr;
  QListWidget* errors_ = nullptr;
  QListWidget* slips_ = nullptr;
  QLabel* slipsCaption_ = nullptr;
  std::vector<std::pair<int, int>> slipPlaces_;  // each slip's mark in the marked-up text
};

}  // namespace tessaly::qt
