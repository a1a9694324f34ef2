// SPDX-License-Identifier: GPL-3.0-or-later
// The review window (复习错句, opened from the practice window): on its first page the
// sentences due today and before, the most overdue first, with how many are due; Enter (or
// 播放) loops the selected one in the main window's player, its text hidden; the learner
// writes it in the window's own box and checks it (Alt+Y there), sees the markup, and the
// sentence's schedule moves; the missed sentences go to Anki as cards with their sound. Its
// second page draws where the learner stands. The main
// window's Alt keys work here too, so a sentence can be slowed and repeated as anywhere.
// Its logic is practice/ReviewSession.h; this is the adapter.
//
// User-interface thread. A 50 ms timer, running while the window is shown, takes the
// record's and the check's answers.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "practice/ReviewSession.h"
#include "review/AnkiNotes.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTimer;

namespace tessaly {
class MainWindowCommands;
namespace ui {
class FileDialog;
class MessageBox;
}  // namespace ui
}  // namespace tessaly

namespace tessaly::qt {

class AccessKeys;
class ExportProgress;
class RecordCharts;

class ReviewWindow final : public QWidget {
 public:
  // `anki` may be null (no export offered).
  // `player`: the main window's player; `main`: its Alt keys.
  ReviewWindow(ReviewPlayer& player, MainWindowCommands& main, RecordLog& record, std::string readingsPath,
               std::function<std::int64_t()> now, std::vector<std::string> folders, ui::FileDialog& dialog,
               ui::MessageBox& messages, QWidget* parent, AnkiExport* anki = nullptr);
  ~ReviewWindow() override;

  void open();
  // One round of the timer's work now, for the tests.
  void frame();

  ReviewSession& logic() { return *logic_; }
  // For the tests.
  QLabel* count() const { return count_; }
  QListWidget* list() const { return list_; }
  QPlainTextEdit* answer() const { return answer_; }
  QPushButton* checkButton() const { return check_; }
  QTextBrowser* marked() const { return marked_; }
  QTabWidget* pages() const { return pages_; }
  RecordCharts* charts() const { return charts_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fillList();
  void showResult();
  void askStats();
  void askMissed();
  void exportForAnki(std::vector<AnkiNote> notes);
  // The export has finished: what became of it.
  void tellAnkiExport();

  MainWindowCommands& main_;
  RecordLog& record_;
  std::unique_ptr<ReviewSession> logic_;
  std::function<std::int64_t()> now_;
  ui::FileDialog& dialog_;
  ui::MessageBox& messages_;
  QTabWidget* pages_;
  QLabel* count_;
  QListWidget* list_;
  QPushButton* play_;
  QPlainTextEdit* answer_;
  QPushButton* check_;
  QLabel* score_;
  QTextBrowser* marked_;
  RecordCharts* charts_;
  QTimer* timer_;
  AccessKeys* keys_;
  std::uint32_t statsSerial_ = 0;
  AnkiExport* anki_;
  std::uint32_t missedSerial_ = 0;
  std::unique_ptr<ExportProgress> ankiProgress_;
  DrillExportState ankiState_;  // the newest state of the export followed
};

}  // namespace tessaly::qt
