// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PracticeWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>

#include "app/Form1.h"
#include "check/Report.h"
#include "drill/DrillExport.h"
#include "drill/DrillFiles.h"
#include "qt/AccessKeys.h"
#include "qt/Artwork.h"
#include "qt/CheckMarkup.h"
#include "qt/QtControls.h"
#include "qt/TakePanel.h"
#include "qt/TranscriptButton.h"
#include "qt/WaveformWidget.h"

namespace tessaly::qt {

namespace {

constexpr int kFrameMs = 30;
constexpr const char* kGeometryKey = "practice_window";
constexpr std::string_view kReferenceFilter =
    "参考文本(*.txt;*.lrc;*.srt;*.vtt;*.ass;*.ssa)|*.txt;*.lrc;*.srt;*.vtt;*.ass;*.ssa";

QPushButton* button(const QString& text, const QString& accessible, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  b->setAccessibleName(accessible);
  return b;
}

}  // namespace

PracticeWindow::PracticeWindow(Form1& form, PeakScan* peaks, UserSettings* settings, std::string readingsPath,
                               ui::FileDialog& dialog, ui::MessageBox& messages, QWidget* parent, DrillExport* exporter)
    : QWidget(parent, Qt::Window),
      form_(form),
      settings_(settings),
      dialog_(dialog),
      messages_(messages),
      logic_(std::make_unique<PracticeForm>(form, peaks, settings, std::move(readingsPath))),
      exporter_(exporter) {
  setWindowTitle(QStringLiteral("逐句练习"));
  setObjectName(QStringLiteral("PracticeWindow"));
  setAccessibleName(QStringLiteral("逐句练习"));
  build();
  timer_ = new QTimer(this);
  timer_->setInterval(kFrameMs);
  connect(timer_, &QTimer::timeout, this, [this] { frame(); });

  // The main window's Alt keys (Alt+X, Alt+R, Alt+Y ...) act from here as well.
  keys_ = new AccessKeys(this, mainWindowAccessLetters(), [this](char letter) { form_.accessKey(letter); });
}

PracticeWindow::~PracticeWindow() = default;

void PracticeWindow::build() {
  wave_ = new WaveformWidget(*logic_, this);
  auto* zoomIn = button(QStringLiteral("放大"), QStringLiteral("波形放大"), this);
  auto* zoomOut = button(QStringLiteral("缩小"), QStringLiteral("波形缩小"), this);
  auto* whole = button(QStringLiteral("全部"), QStringLiteral("显示整个录音的波形"), this);
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
  auto* revealOne = button(QStringLiteral("显示这一句"), QStringLiteral("显示选中句子的参考文字"), left);
  auto* revealAll = button(QStringLiteral("全部显示"), QStringLiteral("显示全部参考文字"), left);
  auto* hideAll = button(QStringLiteral("全部隐藏"), QStringLiteral("隐藏全部参考文字"), left);
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

  // The reference and the check.
  auto* right = new QWidget(this);
  reference_ = new QLabel(right);
  reference_->setObjectName(QStringLiteral("ReferenceLabel"));
  reference_->setWordWrap(true);
  auto* choose = button(QStringLiteral("选择参考文本…"), QStringLiteral("为这个语音文件选择参考文本文件"), right);
  auto* useMap = button(QStringLiteral("用 .lrc/.srt 的文字"), QStringLiteral("改用语音文件旁边的 .lrc 或 .srt 的文字"),
                        right);
  checkButton_ = button(QStringLiteral("检查听写 (Alt+Y)"), QStringLiteral("检查听写"), right);
  checkButton_->setObjectName(QStringLiteral("CheckButton"));
  connect(choose, &QPushButton::clicked, this, [this] { chooseReference(); });
  connect(useMap, &QPushButton::clicked, this, [this] {
    logic_->chooseReference("");
    reference_->setText(toQt(logic_->referenceLabel()));
  });
  connect(checkButton_, &QPushButton::clicked, this, [this] { runCheck(); });
  subtitles_ = new QComboBox(right);
  subtitles_->setObjectName(QStringLiteral("SubtitleStreams"));
  subtitles_->setAccessibleName(QStringLiteral("字幕"));
  subtitles_->setAccessibleDescription(QStringLiteral("选择用文件里的哪一条字幕作为句子和参考文本"));
  subtitles_->setVisible(false);
  connect(subtitles_, &QComboBox::activated, this, [this](int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < subtitleChoices_.size() && !subtitleChoices_[row].chosen)
      logic_->chooseSubtitles(subtitleChoices_[row].stream);
  });
  referenceRow_ = new QHBoxLayout;
  referenceRow_->addWidget(choose);
  referenceRow_->addWidget(useMap);
  referenceRow_->addWidget(subtitles_);
  referenceRow_->addStretch(1);
  referenceRow_->addWidget(checkButton_);
  score_ = new QLabel(right);
  score_->setObjectName(QStringLiteral("ScoreLabel"));
  score_->setWordWrap(true);
  score_->setTextFormat(Qt::PlainText);
  // The score (two lines when it names the sentences checked) and the classes.
  score_->setMinimumHeight(4 * score_->fontMetrics().lineSpacing() + 4);
  score_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  legend_ = new QLabel(right);
  legend_->setTextFormat(Qt::RichText);
  legend_->setWordWrap(true);
  legend_->setText(QStringLiteral(
      "图例：<span style=\"color:#c62828; font-weight:bold; text-decoration: underline;\">写错</span>"
      "（红色波浪线，〔〕里是参考）　<span style=\"color:#1565c0; text-decoration: underline;\">［漏写］</span>"
      "（蓝色虚线，补在［］里）　<span style=\"color:#787878; text-decoration: line-through;\">｛多写｝</span>（灰色删除线，在｛｝里）"));
  legend_->setAccessibleName(QStringLiteral(
      "图例：写错为红色波浪线，后面六角括号里是参考；漏写为蓝色虚线，补在方括号里；多写为灰色删除线，在花括号里"));
  marked_ = new QTextBrowser(right);
  marked_->setObjectName(QStringLiteral("MarkedDictation"));
  marked_->setAccessibleName(QStringLiteral("标出错误的听写内容"));
  marked_->setFont(chineseFont(13));
  marked_->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);  // a caret to stand on
  marked_->setAccessibleDescription(QStringLiteral("在写错的地方按回车，放慢单独听这个字词"));
  marked_->installEventFilter(this);
  errors_ = new QListWidget(right);
  errors_->setObjectName(QStringLiteral("SentenceErrors"));
  errors_->setAccessibleName(QStringLiteral("每句的错误"));
  errors_->setAccessibleDescription(QStringLiteral("单击或按回车复读这一句"));
  connect(errors_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { logic_->repeatReferenceSentence(item->data(Qt::UserRole).toInt()); });
  // A click loops it too; where the desktop activates items on a single click (KDE), that
  // click is already the activation above, and must not start the loop a second time.
  connect(errors_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!errors_->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, errors_))
      logic_->repeatReferenceSentence(item->data(Qt::UserRole).toInt());
  });
  // Each slip heard alone, once the units of its sentence are known.
  slipsCaption_ = new QLabel(QStringLiteral("单独复听写错的字词（单击或按回车：放慢听几遍，再回到原处）："), right);
  slipsCaption_->setWordWrap(true);
  slips_ = new QListWidget(right);
  slips_->setObjectName(QStringLiteral("SlipSounds"));
  slips_->setAccessibleDescription(QStringLiteral("单击或按回车，放慢单独听这个字词几遍，然后回到刚才的地方"));
  connect(slips_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { logic_->loopSlip(slips_->row(item)); });
  connect(slips_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!slips_->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, slips_))
      logic_->loopSlip(slips_->row(item));
  });
  showSlips();
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(reference_);
  rightLayout->addLayout(referenceRow_);
  rightLayout->addWidget(score_);
  rightLayout->addWidget(legend_);
  rightLayout->addWidget(marked_, 2);
  rightLayout->addWidget(errors_, 1);
  rightLayout->addWidget(slipsCaption_);
  rightLayout->addWidget(slips_, 1);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(left);
  split->addWidget(right);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);

  // The repeat scheme: where its run is, and a run from the first sentence.
  run_ = new QLabel(this);
  run_->setObjectName(QStringLiteral("RunLabel"));
  run_->setWordWrap(true);  // the window stays as narrow as the learner left it
  auto* fromFirst = button(QStringLiteral("从第一句开始复读(&G)"),
                           QStringLiteral("按复读选项里选定的复读方案，从第一句开始"), this);
  fromFirst->setObjectName(QStringLiteral("RunFromFirst"));
  connect(fromFirst, &QPushButton::clicked, this, [this] { form_.startSchemeFromFirstSentence(); });
  auto* runRow = runRow_ = new QHBoxLayout;
  runRow->addWidget(fromFirst);
  runRow->addWidget(run_, 1);
  auto* wordList = button(QStringLiteral("打开词语表(&B)…"),
                          QStringLiteral("打开一个词语表（每行一个字词，多音字在 Tab 后写词组），读成录音来听写"), this);
  wordList->setObjectName(QStringLiteral("OpenWordList"));
  connect(wordList, &QPushButton::clicked, this, [this] { form_.openWordListCommand(); });
  runRow->addWidget(wordList);
  if (exporter_) {
    auto* exportButton = button(QStringLiteral("导出复读录音(&U)…"),
                                QStringLiteral("把选定的复读方案用在全部句子上，导出成 MP3 或 WAV 录音和它的 .lrc"), this);
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
  auto* review = button(QStringLiteral("复习错句(&V)…"),
                        QStringLiteral("打开复习窗口：到期要复习的错句，以及我的练习情况图表"), this);
  review->setObjectName(QStringLiteral("OpenReview"));
  connect(review, &QPushButton::clicked, this, std::move(openReview));
  runRow_->addWidget(review);
}

void PracticeWindow::useShadowing(ShadowEngine& engine) {
  takes_ = new TakePanel(
      form_, engine, *logic_, messages_, [this] { return list_->indexOfTopLevelItem(list_->currentItem()); }, this);
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
        form_.useAlignedMap(recording, state.keptPath, state.besideRecording);
      },
      this);
  referenceRow_->insertWidget(2, transcript_);
}

void PracticeWindow::open() {
  if (!placed_) {
    placed_ = true;
    // Where the learner left it last time, if that is still on a screen.
    const std::string kept = settings_ ? settings_->get(kGeometryKey).value_or("") : "";
    int x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(kept.c_str(), "%d,%d,%d,%d", &x, &y, &w, &h) == 4 && w >= 300 && h >= 200) {
      resize(w, h);
      if (QGuiApplication::screenAt(QPoint(x + w / 2, y + 20))) move(x, y);
    }
  }
  show();
  raise();
  activateWindow();
  frame();
}

void PracticeWindow::openAndCheck() {
  open();
  runCheck();
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
  keepGeometry();
  event->accept();
}

void PracticeWindow::keepGeometry() {
  if (!settings_ || !placed_) return;
  const QRect g = geometry();
  settings_->set(kGeometryKey, std::to_string(g.x()) + "," + std::to_string(g.y()) + "," + std::to_string(g.width()) + "," +
                                   std::to_string(g.height()));
}

void PracticeWindow::frame() {
  const PracticeForm::Changes changes = logic_->tick();
  if (record_)
    if (const std::string problem = record_->takeProblem(); !problem.empty()) messages_.inform(problem);
  if (changes.recording) {
    reference_->setText(toQt(logic_->referenceLabel()));
    showCheck();
  }
  if (changes.sentences) {
    fillList();
    reference_->setText(toQt(logic_->referenceLabel()));
  }
  if (changes.sentences || changes.recording) showSubtitleChoices();
  if (changes.current) showCurrent();
  if (changes.check) {
    showCheck();
    refreshRows();
  }
  if (changes.check || changes.units) showSlips();
  if (changes.peaks || changes.view || changes.recording) wave_->peaksChanged();
  if (form_.runCaption() != runShown_) showRun();
  if (exportSerial_ != 0) showExport();
  if (takes_) takes_->frame();
  if (transcript_) transcript_->frame();
  wave_->frame();
}

void PracticeWindow::exportDrill() {
  const std::string recording = logic_->picture().recording;
  if (recording.empty()) {
    messages_.inform("请先打开语音文件，再导出它的复读录音。");
    return;
  }
  std::vector<DrillStep> plan = form_.exportPlan();
  if (plan.empty()) {
    messages_.inform("请先在复读选项（Alt+O）里选一个复读方案（“单句循环”不能导出）；录音也要先有句子。");
    return;
  }
  const std::filesystem::path source(recording);
  const std::string scheme = form_.chosenScheme();
  const std::string path = dialog_.showSave(source.parent_path().string(), "复读录音(*.mp3;*.wav)|*.mp3;*.wav",
                                            source.stem().string() + "-" + scheme + ".mp3");
  if (path.empty()) return;
  // The file dialog has asked about the drill's own name; the files beside it that another
  // recording or the learner owns are asked about here.
  std::vector<std::string> inTheWay = filesInTheWay(path);
  std::string others;
  for (const std::string& file : inTheWay)
    if (file != path) others += file + "\n";
  if (!others.empty() &&
      messages_.askYesNoCancel("导出的复读录音会覆盖或占用下面的文件，它们属于另一个录音，或者是你自己的文件：\n" + others +
                               "仍要导出吗？") != ui::MessageBox::Answer::Yes)
    return;
  if (exportSerial_ != 0) exporter_->cancel();
  exportPath_ = path;
  exportSerial_ = exporter_->start(recording, std::move(plan), path, std::move(inTheWay));
  if (!exportProgress_) {
    exportProgress_ = new QProgressDialog(QStringLiteral("正在导出复读录音……"), QStringLiteral("取消"), 0, 100, this);
    exportProgress_->setWindowTitle(QStringLiteral("导出复读录音"));
    exportProgress_->setObjectName(QStringLiteral("ExportProgress"));
    exportProgress_->setAutoClose(false);
    exportProgress_->setAutoReset(false);
    connect(exportProgress_, &QProgressDialog::canceled, this, [this] {
      exporter_->cancel();
      exportSerial_ = 0;
      exportProgress_->hide();
    });
  }
  exportProgress_->setValue(0);
  exportProgress_->setAccessibleName(QStringLiteral("导出复读录音的进度：0%"));
  exportProgress_->show();
}

void PracticeWindow::showExport() {
  DrillExportState state;
  if (!exporter_->state(exportSerial_, state)) return;
  const int percent = static_cast<int>(state.share * 100);
  if (exportProgress_->value() != percent) {
    exportProgress_->setValue(percent);
    exportProgress_->setAccessibleName(QStringLiteral("导出复读录音的进度：%1%").arg(percent));
  }
  if (!state.finished) return;
  exportSerial_ = 0;
  exportProgress_->hide();
  if (!state.error.empty()) messages_.inform(state.error);
  else
    messages_.inform("已导出复读录音：\n" + exportPath_ + "\n和它的 .lrc 文件。" +
                     (state.warning.empty() ? "" : "\n\n" + state.warning));
}

void PracticeWindow::showRun() {
  runShown_ = form_.runCaption();
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

void PracticeWindow::showSubtitleChoices() {
  std::vector<PracticeForm::SubtitleChoice> choices = logic_->subtitleChoices();
  if (choices == subtitleChoices_) return;
  subtitleChoices_ = std::move(choices);
  subtitles_->clear();
  for (const auto& choice : subtitleChoices_) {
    subtitles_->addItem(QStringLiteral("字幕：") + toQt(choice.label));
    if (choice.chosen) subtitles_->setCurrentIndex(subtitles_->count() - 1);
  }
  subtitles_->setVisible(!subtitleChoices_.empty());
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

void PracticeWindow::chooseReference() {
  if (logic_->picture().recording.empty()) {
    messages_.inform("请先打开语音文件，再为它选择参考文本。");
    return;
  }
  const std::string folder = std::filesystem::path(logic_->picture().recording).parent_path().string();
  const std::string path = dialog_.showOpen(folder, std::string(kReferenceFilter), "");
  if (path.empty()) return;
  logic_->chooseReference(path);
  reference_->setText(toQt(logic_->referenceLabel()));
}

void PracticeWindow::runCheck() {
  if (!logic_->startCheck()) {
    messages_.inform(
        "没有参考文本可以对照：请把这个语音文件的 .lrc 或 .srt 文件（带文字）放在它旁边，或在“逐句练习”窗口里选择一个参考文本文件。");
    return;
  }
  score_->setText(QStringLiteral("正在检查……"));
}

bool PracticeWindow::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a slip's mark in the marked-up dictation: that slip heard alone.
  if (watched == marked_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const int at = marked_->textCursor().position();
      for (std::size_t slip = 0; slip < slipPlaces_.size(); ++slip)
        if (at >= slipPlaces_[slip].first && at <= slipPlaces_[slip].second) {
          logic_->loopCheckSlip(static_cast<int>(slip));
          return true;
        }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PracticeWindow::showSlips() {
  const auto sounds = logic_->slipSounds();
  slips_->clear();
  for (const auto& sound : sounds) slips_->addItem(toQt(sound.label));
  slips_->setAccessibleName(sounds.empty() ? QStringLiteral("单独复听写错的字词：没有")
                                           : QStringLiteral("单独复听写错的字词：%1 处").arg(sounds.size()));
  slips_->setVisible(!sounds.empty());
  slipsCaption_->setVisible(!sounds.empty());
}

void PracticeWindow::showCheck() {
  marked_->clear();
  slipPlaces_.clear();
  errors_->clear();
  const auto& check = logic_->check();
  if (!check) {
    if (!logic_->checking()) score_->setText(QStringLiteral("按“检查听写”或 Alt+Y，把听写内容和参考文本对照。"));
    return;
  }
  if (!check->unreadableFile.empty() || !check->failure.empty()) {
    score_->clear();
    messages_.inform(check->failure.empty() ? "无法读取参考文本：" + check->unreadableFile : check->failure);
    return;
  }
  score_->setText(toQt(scoreLine(check->result) + "\n" + classesLine(check->result)));
  slipPlaces_ = writeMarkup(*marked_->document(), check->marks);
  if (check->reference.sentences.empty()) {
    for (const Edit& e : check->result.edits)
      if (e.kind != EditKind::Match) errors_->addItem(toQt(errorText(check->result, e)));
    return;
  }
  for (const SentenceErrors& s : check->sentenceErrors) {
    const Sentence& sentence = check->reference.sentences[static_cast<std::size_t>(s.sentence)];
    std::string line = "第 " + std::to_string(s.sentence + 1) + " 句　" + *sentence.text + "\n";
    for (std::size_t i = 0; i < s.errors.size(); ++i) line += (i ? "；" : "　　") + s.errors[i];
    auto* item = new QListWidgetItem(toQt(line), errors_);
    item->setData(Qt::UserRole, s.sentence);
    if (check->reference.timed) item->setToolTip(QStringLiteral("单击复读这一句"));  // a plain text has no times
  }
}

}  // namespace tessaly::qt
