// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window (Alt+W, the "逐句练习" area): the waveform, the sentence list with the
// reference texts hidden until revealed, the reference's choice, and the check of the
// dictation marked up. Non-modal and resizable; its size and place are kept in settings.ini.
// The main window's Alt keys work here too. Its logic is PracticeForm; this is the adapter,
// with the reference and check column in CheckPanel, the sentence map corrected by hand in
// MapEditRow, and the drill export's progress in ExportProgress. It sees the main window
// through the player and MainWindowCommands.
//
// User-interface thread. A 30 ms timer, running while the window is shown, takes each frame.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "drill/DrillExport.h"
#include "practice/PracticeForm.h"
#include "record/RecordLog.h"
#include "shadow/ShadowEngine.h"

class QHBoxLayout;
class QLabel;
class QTimer;
class QTreeWidget;

namespace tessaly {
class MainWindowCommands;
class SentencePlayer;
class TranscriptAlign;
namespace ui {
class FileDialog;
class MessageBox;
}  // namespace ui
}  // namespace tessaly

namespace tessaly::qt {

class AccessKeys;
class CheckPanel;
class MapEditRow;
class ExportProgress;
class TakePanel;
class TranscriptButton;
class WaveformWidget;

class PracticeWindow final : public QWidget, public PracticeWindowView {
 public:
  // `player`: the main window's player; `main`: the rest it is asked for (its Alt keys, a word
  // list opened).
  PracticeWindow(SentencePlayer& player, MainWindowCommands& main, PeakScan* peaks, UserSettings* settings,
                 std::string readingsPath, ui::FileDialog& dialog, ui::MessageBox& messages, QWidget* parent,
                 DrillExport* exporter = nullptr);
  ~PracticeWindow() override;

  // PracticeWindowView
  void open() override;
  void openAndCheck() override;

  PracticeForm& logic() { return *logic_; }
  // Keeps each check in the learner's record, dated by `now` (seconds since 1970), tells the
  // record's problems, and offers "复习错句…", which calls `openReview`.
  void useRecord(RecordLog& record, std::function<std::int64_t()> now, std::function<void()> openReview);
  // Adds the 跟读 row (recording a take, hearing it, its comparison); its takes' scores go
  // into the record when there is one (useRecord first).
  void useShadowing(ShadowEngine& engine);
  // Adds "按文本分句…": a transcript of the recording aligned into its sentence map.
  void useTranscriptAlign(TranscriptAlign& aligner);
  TranscriptButton* transcriptButton() { return transcript_; }
  TakePanel* takePanel() { return takes_; }
  MapEditRow* mapEditRow() { return mapEdit_; }
  // One frame now (the timer's work), for the tests.
  void frame();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void fillList();
  // The list made again when the sentences changed; `select` selected in it.
  void showMap(int select);
  void refreshRows();
  void showCurrent();
  void keepGeometry();
  void revealSelected();
  void showRun();
  // The chosen scheme over every sentence, rendered to a file the learner names, in the
  // background with a progress dialog that can cancel it.
  void exportDrill();

  SentencePlayer& player_;
  MainWindowCommands& main_;
  UserSettings* settings_;
  ui::FileDialog& dialog_;
  ui::MessageBox& messages_;
  RecordLog* record_ = nullptr;
  std::function<std::int64_t()> now_;
  TakePanel* takes_ = nullptr;
  QHBoxLayout* runRow_ = nullptr;
  TranscriptButton* transcript_ = nullptr;
  std::unique_ptr<PracticeForm> logic_;

  WaveformWidget* wave_ = nullptr;
  QTreeWidget* list_ = nullptr;
  CheckPanel* check_ = nullptr;
  MapEditRow* mapEdit_ = nullptr;
  QLabel* run_ = nullptr;  // where a repeat scheme's run is
  std::string runShown_;
  DrillExport* exporter_;
  std::unique_ptr<ExportProgress> exportProgress_;
  DrillExportState exportState_;  // the newest state of the export followed
  std::string exportPath_;
  QTimer* timer_ = nullptr;
  AccessKeys* keys_ = nullptr;
  bool placed_ = false;
};

}  // namespace tessaly::qt
