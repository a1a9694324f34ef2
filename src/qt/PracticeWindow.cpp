// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PracticeWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

#include "drill/DrillExportWords.h"
#include "drill/DrillFiles.h"
#include "practice/SentencePlayer.h"
#include "qt/AccessKeys.h"
#include "qt/CheckPanel.h"
#include "qt/ExportProgress.h"
#include "qt/MapEditRow.h"
#include "qt/QtControls.h"
#include "qt/TakePanel.h"
#include "qt/TranscriptButton.h"
#include "qt/WaveformWidget.h"
#include "settings/WindowPlace.h"

namespace tessaly::qt {

namespace {

constexpr int kFrameMs = 30;
constexpr const char* kGeometryKey = "practice_window";

}  // namespace

PracticeWindow::PracticeWindow(SentencePlayer& player, MainWindowCommands& main, PeakScan* peaks, UserSettings* settings,
                               std::string readingsPath, ui::FileDialog& dialog, ui::MessageBox& messages, QWidget* parent,
                               DrillExport* exporter)
    : QWidget(parent, Qt::Window),
      player_(player),
      main_(main),
      settings_(settings),
      dialog_(dialog),
      messages_(messages),
      logic_(std::make_unique<PracticeForm>(player, peaks, settings, std::move(readingsPath))),
      exporter_(exporter) {
  setWindowTitle(QStringLiteral("逐句练习"));
  setObjectName(QStringLiteral("PracticeWindow"));
  setAccessibleName(QStringLiteral("逐句练习"));
  build();
  if (exporter_)
    exportProgress_ = std::make_unique<ExportProgress>(
        ExportProgress::Words{QStringLiteral("导出复读录音"), QStringLiteral("正在导出复读录音……"),
                              QStringLiteral("ExportProgress"), QStringLiteral("导出复读录音的进度：")},
        jobEngine(*exporter_, exportState_), this);
  timer_ = new QTimer(this);
  timer_->setInterval(kFrameMs);
  connect(timer_, &QTimer::timeout, this, [this] { frame(); });

  // The main window's Alt keys (Alt+X, Alt+R, Alt+Y ...) act from here as well.
  keys_ = new AccessKeys(this, mainWindowAccessLetters(), [this](char letter) { main_.accessKey(letter); });
}

PracticeWindow::~PracticeWindow() = default;

void PracticeWindow::build() {
  wave_ = new WaveformWidget(*logic_, this);
  auto* zoomIn = plainButton(QStringLiteral("放大"), QStringLiteral("波形放大"), this);
  auto* zoomOut = plainButton(QStringLiteral("缩小"), QStringLiteral("波形缩小"), this);
  auto* whole = plainButton(QStringLiteral("全部"), QStringLiteral("显示整个录音的波形"), this);
  connect(zoomIn, &QPushButton::clicked, this, [this] {
    logic_->view().zoomIn(logic_->picture().positionMs);
    wave_->update();
  });
  connect(zoomOut, &QPushButton::clicked, this, [this] {
    logic_->view().zoomOut(logic_->picture().positionMs);
    wave_->update();
  });
  connect(whole, &QPushButton::clicked, this, [this] {
    logic_->view().showWhole();
    wave_->update();
  });
  auto* hint = new QLabel(QStringLiteral("点击波形跳到该处（播放时）；双击句子复读这一句。"), this);
  hint->setWordWrap(true);
  auto* waveRow = new QHBoxLayout;
  for (QWidget* w : {static_cast<QWidget*>(zoomIn), static_cast<QWidget*>(zoomOut), static_cast<QWidget*>(whole)})
    waveRow->addWidget(w);
  waveRow->addWidget(hint, 1);

  // The sentences.
  auto* left = new QWidget(this);
  list_ = new QTreeWidget(left);
  list_->setObjectName(QStringLiteral("SentenceList"));
  list_->setAccessibleName(QStringLiteral("句子列表"));
  list_->setAccessibleDescription(
      QStringLiteral("每一句的序号（检查过的句子后面是它的正确率）、开始时间和参考文字（先隐藏）；双击或按回车复读这一句"));
  list_->setHeaderLabels({QStringLiteral("句（正确率）"), QStringLiteral("开始"), QStringLiteral("参考文字")});
  list_->header()->setAccessibleName(QStringLiteral("句子列表的列标题"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  connect(list_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { logic_->repeatRow(list_->indexOfTopLevelItem(item)); });
  auto* revealOne = plainButton(QStringLiteral("显示这一句"), QStringLiteral("显示选中句子的参考文字"), left);
  auto* revealAll = plainButton(QStringLiteral("全部显示"), QStringLiteral("显示全部参考文字"), left);
  auto* hideAll = plainButton(QStringLiteral("全部隐藏"), QStringLiteral("隐藏全部参考文字"), left);
  revealOne->setObjectName(QStringLiteral("RevealOne"));
  connect(revealOne, &QPushButton::clicked, this, [this] { revealSelected(); });
  connect(revealAll, &QPushButton::clicked, this, [this] {
    logic_->revealAll();
    refreshRows();
  });
  connect(hideAll, &QPushButton::clicked, this, [this] {
    logic_->hideAll();
    refreshRows();
  });
  auto* revealRow = new QHBoxLayout;
  revealRow->addWidget(revealOne);
  revealRow->addWidget(revealAll);
  revealRow->addWidget(hideAll);
  revealRow->addStretch(1);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(list_, 1);
  leftLayout->addLayout(revealRow);

  check_ = new CheckPanel(*logic_, dialog_, messages_, this);

  // The sentence map corrected by hand.
  mapEdit_ = new MapEditRow(
      *logic_, player_, messages_,
      [this] { return list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1; },
      [this](int select) { showMap(select); }, {list_, wave_}, left);
  leftLayout->addWidget(mapEdit_);
  wave_->onStartDragged([this](int sentence, double ms) { mapEdit_->moveStartTo(sentence, ms); });

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(left);
  split->addWidget(check_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);

  // The repeat scheme: where its run is, and a run from the first sentence.
  run_ = new QLabel(this);
  run_->setObjectName(QStringLiteral("RunLabel"));
  run_->setWordWrap(true);  // the window stays as narrow as the learner left it
  auto* fromFirst = plainButton(QStringLiteral("从第一句开始复读(&G)"),
                                QStringLiteral("按复读选项里选定的复读方案，从第一句开始"), this);
  fromFirst->setObjectName(QStringLiteral("RunFromFirst"));
  connect(fromFirst, &QPushButton::clicked, this, [this] { player_.startSchemeFromFirstSentence(); });
  auto* runRow = runRow_ = new QHBoxLayout;
  runRow->addWidget(fromFirst);
  runRow->addWidget(run_, 1);
  auto* wordList = plainButton(QStringLiteral("打开词语表(&B)…"),
                               QStringLiteral("打开一个词语表（每行一个字词，多音字在 Tab 后写词组），读成录音来听写"),
                               this);
  wordList->setObjectName(QStringLiteral("OpenWordList"));
  connect(wordList, &QPushButton::clicked, this, [this] { main_.openWordListCommand(); });
  runRow->addWidget(wordList);
  if (exporter_) {
    auto* exportButton = plainButton(QStringLiteral("导出复读录音(&U)…"),
                                     QStringLiteral("把选定的复读方案用在全部句子上，导出成 MP3 或 WAV 录音和它的 .lrc"),
                                     this);
    exportButton->setObjectName(QStringLiteral("ExportDrill"));
    connect(exportButton, &QPushButton::clicked, this, [this] { exportDrill(); });
    runRow->addWidget(exportButton);
  }
  showRun();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(wave_, 1);
  layout->addLayout(waveRow);
  layout->addLayout(runRow);
  layout->addWidget(split, 3);
  resize(900, 620);
}

void PracticeWindow::useRecord(RecordLog& record, std::function<std::int64_t()> now, std::function<void()> openReview) {
  record_ = &record;
  now_ = now;
  logic_->keepChecksIn(&record, std::move(now));
  auto* review = plainButton(QStringLiteral("复习错句(&V)…"),
                             QStringLiteral("打开复习窗口：到期要复习的错句，以及我的练习情况图表"), this);
  review->setObjectName(QStringLiteral("OpenReview"));
  connect(review, &QPushButton::clicked, this, std::move(openReview));
  runRow_->addWidget(review);
}

void PracticeWindow::useShadowing(ShadowEngine& engine) {
  takes_ = new TakePanel(
      player_, engine, *logic_, messages_, [this] { return list_->indexOfTopLevelItem(list_->currentItem()); }, this);
  if (record_) takes_->logic().keepTakesIn(record_, now_);
  static_cast<QVBoxLayout*>(layout())->addWidget(takes_, 2);
  // Taller by the row, as far as the screen has room (the learner's own size comes back later).
  const int room = screen() ? screen()->availableGeometry().height() - 80 : height() + 200;
  resize(width(), std::max(height(), std::min(height() + 200, room)));
}

void PracticeWindow::useTranscriptAlign(TranscriptAlign& aligner) {
  transcript_ = new TranscriptButton(
      aligner, [this] { return logic_->picture().recording; }, dialog_, messages_,
      [this](const std::string& recording, const TranscriptAlignState& state) {
        player_.useAlignedMap(recording, state.keptPath, state.besideRecording);
      },
      this);
  check_->addToReferenceRow(transcript_, 2);
}

void PracticeWindow::open() {
  if (!placed_) {
    placed_ = true;
    // Where the learner left it last time, if that is still on a screen.
    const std::string kept = settings_ ? settings_->get(kGeometryKey).value_or("") : "";
    if (const std::optional<WindowPlace> place = readWindowPlace(kept)) {
      resize(place->width, place->height);
      if (QGuiApplication::screenAt(QPoint(place->x + place->width / 2, place->y + 20))) move(place->x, place->y);
    }
  }
  show();
  raise();
  activateWindow();
  frame();
}

void PracticeWindow::openAndCheck() {
  open();
  check_->runCheck();
}

void PracticeWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  timer_->start();
}

void PracticeWindow::hideEvent(QHideEvent* event) {
  timer_->stop();
  keepGeometry();
  QWidget::hideEvent(event);
}

void PracticeWindow::closeEvent(QCloseEvent* event) {
  if (!mapEdit_->closeRequested()) {
    event->ignore();
    return;
  }
  keepGeometry();
  event->accept();
}

void PracticeWindow::keepGeometry() {
  if (!settings_ || !placed_) return;
  const QRect g = geometry();
  settings_->set(kGeometryKey, windowPlaceText({g.x(), g.y(), g.width(), g.height()}));
}

void PracticeWindow::frame() {
  const PracticeForm::Changes changes = logic_->tick();
  if (record_)
    if (const std::string problem = record_->takeProblem(); !problem.empty()) messages_.inform(problem);
  if (changes.recording) {
    mapEdit_->recordingChanged();
    check_->showReference();
    check_->showCheck();
  }
  if (changes.sentences) {
    fillList();
    check_->showReference();
  }
  if (changes.sentences || changes.recording) check_->showSubtitleChoices();
  if (changes.current) showCurrent();
  if (changes.check) {
    check_->showCheck();
    refreshRows();
  }
  if (changes.check || changes.units) check_->showSlips();
  if (changes.peaks || changes.view || changes.recording) wave_->peaksChanged();
  if (player_.runCaption() != runShown_) showRun();
  if (exportProgress_ && exportProgress_->frame()) messages_.inform(drillExportReport(exportState_, exportPath_));
  if (takes_) takes_->frame();
  if (transcript_) transcript_->frame();
  mapEdit_->refresh();
  wave_->frame();
}

void PracticeWindow::showMap(int select) {
  frame();
  if (select >= 0 && select < list_->topLevelItemCount()) list_->setCurrentItem(list_->topLevelItem(select));
}

void PracticeWindow::exportDrill() {
  const std::string recording = logic_->picture().recording;
  std::vector<DrillStep> plan = recording.empty() ? std::vector<DrillStep>{} : player_.exportPlan();
  if (const std::string problem = drillExportProblem(recording, plan); !problem.empty()) {
    messages_.inform(problem);
    return;
  }
  const DrillFileOffer offer = drillFileOffer(recording, player_.chosenScheme());
  const std::string path = dialog_.showSave(offer.folder, "复读录音(*.mp3;*.wav)|*.mp3;*.wav", offer.name);
  if (path.empty()) return;
  std::vector<std::string> inTheWay = filesInTheWay(path);
  if (const std::string question = drillInTheWayQuestion(path, inTheWay);
      !question.empty() && messages_.askYesNoCancel(question) != ui::MessageBox::Answer::Yes)
    return;
  exportPath_ = path;
  exportProgress_->start([&] { return exporter_->start(recording, std::move(plan), path, std::move(inTheWay)); });
}

void PracticeWindow::showRun() {
  runShown_ = player_.runCaption();
  const QString text = runShown_.empty() ? QStringLiteral("没有在按复读方案复读（Alt+O 选方案，Alt+R 从正在听的句子开始）")
                                         : QStringLiteral("复读方案：") + toQt(runShown_);
  run_->setText(text);
  run_->setAccessibleName(QStringLiteral("复读进度：") + text);
}

void PracticeWindow::fillList() {
  list_->clear();
  const int rows = static_cast<int>(logic_->sentences().size());
  QList<QTreeWidgetItem*> items;
  items.reserve(rows);
  for (int row = 0; row < rows; ++row)
    items.append(
        new QTreeWidgetItem({toQt(logic_->rowNumber(row)), toQt(logic_->rowStart(row)), toQt(logic_->rowText(row))}));
  list_->addTopLevelItems(items);
}

void PracticeWindow::refreshRows() {
  for (int row = 0; row < list_->topLevelItemCount(); ++row) {
    list_->topLevelItem(row)->setText(0, toQt(logic_->rowNumber(row)));
    list_->topLevelItem(row)->setText(2, toQt(logic_->rowText(row)));
  }
}

void PracticeWindow::revealSelected() {
  QTreeWidgetItem* item = list_->currentItem();
  const int row = item ? list_->indexOfTopLevelItem(item) : logic_->currentSentence();
  logic_->reveal(row);
  refreshRows();
}

void PracticeWindow::showCurrent() {
  const int row = logic_->currentSentence();
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QFont f = list_->topLevelItem(i)->font(0);
    if (f.bold() == (i == row)) continue;
    f.setBold(i == row);
    for (int c = 0; c < 3; ++c) list_->topLevelItem(i)->setFont(c, f);
  }
  if (row >= 0 && row < list_->topLevelItemCount()) list_->scrollToItem(list_->topLevelItem(row));
}

}  // namespace tessaly::qt
