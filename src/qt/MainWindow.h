// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the widgets and their adapters, laid out from MainWindowLayout.h, with
// Form1 as its logic. It turns Qt's events into Form1's events: clicks on buttons and click
// areas, Alt+letter access keys (acting at once on key press), the first showing, the
// return from the list manager, and the close box.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "align/TranscriptAlign.h"
#include "align/UnitScan.h"
#include "app/Form1.h"
#include "drill/DrillExport.h"
#include "qt/QtControls.h"
#include "qt/QtUiThread.h"
#include "qt/WebView.h"
#include "record/RecordLog.h"
#include "review/AnkiNotes.h"
#include "shadow/ShadowEngine.h"
#include "text/DiskFolder.h"
#include "text/FileReader.h"
#include "waveform/PeakScan.h"

class QPlainTextEdit;
class QSlider;
class QTextBrowser;

namespace tessaly::qt {

class AccessKeys;
class LoopOptionsWindow;
class ListManagerWindow;
class PracticeWindow;
class ReviewWindow;

struct MainWindowServices {
  MciControl& mmControl1;
  StreamControl& realAudio1;
  std::string appPath;
  // Optional replacements, for tests: nullptr uses Qt's own dialog and message box.
  ui::FileDialog* fileDialog = nullptr;
  ui::MessageBox* messages = nullptr;
  // Where recovery copies of the dictation are kept; nullptr keeps none.
  FileFolder* recovery = nullptr;
  // The per-user options (the speed); nullptr keeps none.
  UserSettings* settings = nullptr;
  // Finds sentences in recordings without an .lrc or .srt; nullptr finds none.
  PauseScan* pauseScan = nullptr;
  // Finds the practice window's waveform; nullptr draws none.
  PeakScan* peakScan = nullptr;
  // The Mandarin readings table of the check ("": every Han slip is "other").
  std::string readingsTable = {};
  // Reads the dictation files and the .lrc/.srt; nullptr reads them at once, on this thread.
  FileReader* fileReader = nullptr;
  // Renders drills to files for the practice window's export; nullptr offers none.
  DrillExport* drillExport = nullptr;
  // Finds where each character and word of the sentences is spoken; nullptr finds none.
  UnitScan* unitScan = nullptr;
  // The learner's record (checks kept, the review, the charts); nullptr keeps none.
  RecordLog* record = nullptr;
  // Makes the Anki file of the missed sentences; nullptr offers none.
  AnkiExport* ankiExport = nullptr;
  // The wall clock the record dates by (seconds since 1970); empty: the system's.
  std::function<std::int64_t()> wallClock = {};
  // Records, compares and plays back 跟读 takes; nullptr offers none.
  ShadowEngine* shadowing = nullptr;
  // Aligns a published transcript to its recording; nullptr offers no "按文本分句".
  TranscriptAlign* transcriptAlign = nullptr;
  // Reads the subtitles inside recordings without an .lrc, .srt, .vtt or .ass; nullptr reads none.
  SubtitleScan* subtitleScan = nullptr;
};

class MainWindow final : public QWidget {
 public:
  explicit MainWindow(const MainWindowServices& services, QWidget* parent = nullptr);
  ~MainWindow() override;

  Form1& form() { return *form_; }
  QPushButton* commandButton(int number) const { return buttons_.at(static_cast<std::size_t>(number - 1)); }
  QWidget* labelWidget(int number) const { return labels_.at(static_cast<std::size_t>(number - 1)); }
  QPlainTextEdit* text1() const { return text1_; }
  QSlider* slider1() const { return slider1_; }
  ListManagerWindow* listManager() const { return listManager_.get(); }
  LoopOptionsWindow* loopOptionsWindow() const { return loopOptions_; }
  // The practice window, made when first opened (Alt+W, Alt+Y, the "逐句练习" area).
  PracticeWindow* practiceWindow() const { return practice_; }
  ReviewWindow* reviewWindow() const { return review_; }
  // The dictation box's adapter (CR LF text), for callers outside the logic.
  ui::TextBox& text1Adapter() { return *text1Adapter_; }
  // The program must end now (a signal): the list manager goes without its question, the
  // dictation is saved or kept in its recovery copy, the window closes.
  void leaveNow();
  // The desktop session asks the program to save before it may end: the dictation is saved
  // (or kept in its copy), a list being edited and not saved is kept in its copy.
  void saveForSession();
  // Tells in a message when `folder` first cannot write a file (it keeps the text and tries
  // again); until this window goes.
  void tellWriteFailuresOf(DiskFolder& folder);
  // The review window (复习错句), made when first opened; nothing without a record.
  void openReview();
  // Tells `text` in the 提示窗口 once the window is up (at once when it is already).
  void tellWhenShown(std::string text);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildWidgets();
  void buildShortcuts();
  void openListManager();

  MainWindowServices services_;
  QPixmap background_;
  QPlainTextEdit* text1_ = nullptr;
  QSlider* slider1_ = nullptr;
  QTextBrowser* webBrowser1_ = nullptr;
  std::array<QPushButton*, layout::kAllButtonCount> buttons_{};
  std::array<QWidget*, layout::kAllLabelCount> labels_{};
  std::array<QWidget*, 3> pictures_{};

  std::vector<std::unique_ptr<ui::Button>> buttonAdapters_;
  std::vector<std::unique_ptr<ui::Label>> labelAdapters_;
  std::vector<std::unique_ptr<ui::Picture>> pictureAdapters_;
  std::unique_ptr<QtTextBox> text1Adapter_;
  std::unique_ptr<QtSlider> sliderAdapter_;
  std::unique_ptr<QtWindow> windowAdapter_;
  std::unique_ptr<QtTimer> timer1_, timer2_, timer3_, timer6_;
  std::unique_ptr<QtTimer> recoveryTimer_;    // the recovery copy's wait after a change
  std::unique_ptr<QtTimer> scanTimer_;        // takes what the subtitle read and the pause scan have found
  LoopOptionsWindow* loopOptions_ = nullptr;  // the options window (Alt+O), a child of this one
  std::function<std::int64_t()> wallClock() const;
  PracticeWindow* practice_ = nullptr;  // a child of this one, made when first opened
  ReviewWindow* review_ = nullptr;      // the same
  std::unique_ptr<PracticeWindowView> practiceOpener_;
  std::unique_ptr<ui::FileDialog> ownDialog_;
  std::unique_ptr<ui::MessageBox> ownMessages_;
  std::unique_ptr<WebView> webView_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<ListManagerWindow> listManager_;
  // A list edited and not saved, into its recovery copy (when the program must end now).
  void keepUnsavedList();
  // At start: a list such a copy holds, offered back in the list manager.
  void offerUnsavedList();
  ui::MessageBox& messages() { return services_.messages ? *services_.messages : *ownMessages_; }
  bool shownOnce_ = false;
  std::vector<std::string> toTell_;       // told once the window is up
  std::vector<DiskFolder*> toldFolders_;  // their failures are told here until this window goes
  QtUiThread uiThread_;                   // their news, posted to this window; dropped when it goes
  AccessKeys* accessKeys_ = nullptr;      // owned by this window (its Qt parent)
};

}  // namespace tessaly::qt
