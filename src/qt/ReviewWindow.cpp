// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ReviewWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "check/Report.h"
#include "playback/RecordingFormats.h"
#include "practice/PracticePlayer.h"
#include "qt/AccessKeys.h"
#include "qt/CheckMarkup.h"
#include "qt/ExportProgress.h"
#include "qt/QtControls.h"
#include "qt/RecordCharts.h"
#include "ui/Dialogs.h"

namespace tessaly::qt {

namespace {

constexpr int kFrameMs = 50;
constexpr int kChartDays = 90;

}  // namespace

ReviewWindow::ReviewWindow(ReviewPlayer& player, MainWindowCommands& main, RecordLog& record, std::string readingsPath,
                           std::function<std::int64_t()> now, std::vector<std::string> folders, ui::FileDialog& dialog,
                           ui::MessageBox& messages, QWidget* parent, AnkiExport* anki)
    : QWidget(parent, Qt::Window),
      main_(main),
      record_(record),
      logic_(std::make_unique<ReviewSession>(record, player, std::move(readingsPath), now, std::move(folders))),
      now_(std::move(now)),
      dialog_(dialog),
      messages_(messages),
      anki_(anki) {
  setWindowTitle(QStringLiteral("复习错句"));
  setObjectName(QStringLiteral("ReviewWindow"));
  setAccessibleName(QStringLiteral("复习错句"));

  auto* review = new QWidget(this);
  count_ = new QLabel(review);
  list_ = new QListWidget(review);
  list_->setObjectName(QStringLiteral("DueList"));
  list_->installEventFilter(this);
  play_ = new QPushButton(QStringLiteral("播放这一句(&I)"), review);
  play_->setAccessibleName(QStringLiteral("播放选中的句子"));
  answer_ = new QPlainTextEdit(review);
  answer_->setAccessibleName(QStringLiteral("复习听写框"));
  answer_->setPlaceholderText(QStringLiteral("在这里写下听到的句子，然后按 Alt+Y 检查。"));
  check_ = new QPushButton(QStringLiteral("检查(&Y)"), review);
  check_->setAccessibleName(QStringLiteral("检查这一句"));
  score_ = new QLabel(review);
  score_->setWordWrap(true);
  score_->setMinimumHeight(2 * score_->fontMetrics().lineSpacing() + 4);  // the score and the slips' line
  marked_ = new QTextBrowser(review);
  marked_->setAccessibleName(QStringLiteral("检查结果"));
  QFont big = answer_->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  answer_->setFont(big);
  marked_->setFont(big);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(play_);
  buttons->addWidget(check_);
  buttons->addStretch();
  if (anki_) {
    auto* toAnki = new QPushButton(QStringLiteral("导出到 Anki(&U)…"), review);
    toAnki->setObjectName(QStringLiteral("ExportAnki"));
    toAnki->setAccessibleName(QStringLiteral("把要复习的错句连同各自的录音导出成 Anki 能导入的文件"));
    connect(toAnki, &QPushButton::clicked, this, [this] { askMissed(); });
    buttons->addWidget(toAnki);
  }
  auto* column = new QVBoxLayout(review);
  column->addWidget(count_);
  column->addWidget(list_, 1);
  column->addLayout(buttons);
  column->addWidget(answer_, 1);
  column->addWidget(score_);
  column->addWidget(marked_, 1);

  charts_ = new RecordCharts(this);
  pages_ = new QTabWidget(this);
  pages_->addTab(review, QStringLiteral("复习"));
  pages_->addTab(charts_, QStringLiteral("我的情况"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  resize(640, 620);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    logic_->select(row);
    showResult();
  });
  connect(list_, &QListWidget::itemActivated, this, [this] { logic_->playSelected(); });
  connect(play_, &QPushButton::clicked, this, [this] { logic_->playSelected(); });
  connect(check_, &QPushButton::clicked, this, [this] {
    if (logic_->check(answer_->toPlainText().toStdString())) score_->setText(QStringLiteral("正在检查……"));
  });
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == 1) askStats();
  });
  timer_ = new QTimer(this);
  timer_->setInterval(kFrameMs);
  connect(timer_, &QTimer::timeout, this, [this] { frame(); });
  // The main window's Alt keys act from here too; Alt+Y checks here, Alt+I plays, Alt+U
  // exports, each at once on the key's press like the rest.
  std::set<char> letters = mainWindowAccessLetters();
  letters.insert({'y', 'i', 'u'});
  keys_ = new AccessKeys(this, std::move(letters), [this](char letter) {
    if (letter == 'y') check_->click();
    else if (letter == 'i') play_->click();
    else if (letter == 'u') {
      if (anki_) askMissed();
    } else main_.accessKey(letter);
  });
}

ReviewWindow::~ReviewWindow() = default;

void ReviewWindow::open() {
  show();
  raise();
  activateWindow();
  logic_->refresh();
  if (pages_->currentIndex() == 1) askStats();
  list_->setFocus();
}

void ReviewWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  timer_->start();
}

void ReviewWindow::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

bool ReviewWindow::eventFilter(QObject* watched, QEvent* event) {
  // Enter on the list plays the sentence (itemActivated does for a double click as well).
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      logic_->playSelected();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ReviewWindow::askStats() { statsSerial_ = record_.askStats(localDay(now_()), kChartDays); }

void ReviewWindow::frame() {
  const ReviewSession::Changes changes = logic_->tick();
  if (changes.list) fillList();
  if (changes.check) showResult();
  if (changes.missing) {
    const int row = logic_->selected();
    const std::string path = row >= 0 ? logic_->due().sentences[static_cast<std::size_t>(row)].recording : "";
    const auto answer = messages_.askYesNoCancel("找不到这句的录音文件：\n" + path +
                                                 "\n它可能已被移动或删除。要自己指出它现在在哪里吗？\n"
                                                 "选“否”则把这个录音的句子暂时搁置，不再出现在复习里。");
    if (answer == ui::MessageBox::Answer::Yes) {
      const std::string chosen = dialog_.showOpen("", std::string(kRecordingFilter), "");
      if (!chosen.empty()) logic_->pointTo(chosen);
    } else if (answer == ui::MessageBox::Answer::No) {
      logic_->setAsideSelected();
    }
  }
  if (statsSerial_ != 0) {
    if (auto stats = record_.takeStats(statsSerial_)) {
      statsSerial_ = 0;
      charts_->show(std::move(*stats), localDay(now_()), kChartDays);
    }
  }
  if (missedSerial_ != 0) {
    if (auto missed = record_.takeMissed(missedSerial_)) {
      missedSerial_ = 0;
      std::vector<AnkiNote> notes;
      for (const MissedSentence& sentence : *missed) notes.push_back(ankiNoteOf(sentence));
      exportForAnki(std::move(notes));
    }
  }
  if (ankiProgress_ && ankiProgress_->frame()) tellAnkiExport();
  if (const std::string problem = record_.takeProblem(); !problem.empty()) messages_.inform(problem);
}

void ReviewWindow::askMissed() {
  // With a sentence selected, the learner may take only its recording's sentences.
  std::int64_t recording = 0;
  if (const int row = logic_->selected(); row >= 0) {
    const DueSentence& d = logic_->due().sentences[static_cast<std::size_t>(row)];
    const auto answer = messages_.askYesNoCancel("导出全部录音里要复习的错句，还是只导出这个录音的？\n" + d.recording +
                                                 "\n选“是”导出全部，选“否”只导出这个录音的。");
    if (answer == ui::MessageBox::Answer::Cancel) return;
    if (answer == ui::MessageBox::Answer::No) recording = d.recordingId;
  }
  missedSerial_ = record_.askMissed(recording);
}

void ReviewWindow::exportForAnki(std::vector<AnkiNote> notes) {
  if (notes.empty()) {
    messages_.inform("还没有要复习的错句，没有什么可以导出。");
    return;
  }
  const std::string path = dialog_.showSave("", "Anki 导入文件(*.txt)|*.txt", "tessaly-anki.txt");
  if (path.empty()) return;
  if (!ankiProgress_)
    ankiProgress_ = std::make_unique<ExportProgress>(
        ExportProgress::Words{QStringLiteral("导出到 Anki"), QStringLiteral("正在导出错句和它们的录音……"),
                              QStringLiteral("AnkiProgress"), QStringLiteral("导出到 Anki 的进度：")},
        jobEngine(*anki_, ankiState_), this);
  ankiProgress_->start([&] { return anki_->start(std::move(notes), path); });
}

void ReviewWindow::tellAnkiExport() {
  const DrillExportState& state = ankiState_;
  messages_.inform(state.error.empty() ? "已导出。把同一文件夹里的 tessaly-*.mp3 复制到 Anki 的 collection.media 文件夹，"
                                         "再在 Anki 里用“文件 › 导入”选这个文件。"
                                       : state.error);
}

void ReviewWindow::fillList() {
  const DueList& due = logic_->due();
  const QString count =
      due.count == 0
          ? QStringLiteral("今天没有要复习的句子。")
          : QStringLiteral("今天要复习 %1 句（最早到期的在前）。按回车播放，写下后按 Alt+Y 检查。").arg(due.count);
  count_->setText(count);
  list_->setAccessibleName(QStringLiteral("要复习的句子：") + count);
  const QSignalBlocker quiet(list_);
  list_->clear();
  for (int row = 0; row < static_cast<int>(due.sentences.size()); ++row) list_->addItem(toQt(logic_->rowText(row)));
  list_->setCurrentRow(logic_->selected());
  showResult();
}

void ReviewWindow::showResult() {
  const auto& result = logic_->result();
  if (!result) {
    score_->clear();
    marked_->clear();
    return;
  }
  if (!result->failure.empty()) {
    score_->clear();
    messages_.inform(result->failure);
    return;
  }
  score_->setText(toQt(scoreLine(result->result) + "\n" + classesLine(result->result)));
  writeMarkup(*marked_->document(), result->marks);
}

}  // namespace tessaly::qt
