// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/CheckPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

#include <filesystem>

#include "check/Report.h"
#include "qt/Artwork.h"
#include "qt/CheckMarkup.h"
#include "qt/QtControls.h"
#include "ui/Dialogs.h"

namespace tessaly::qt {

namespace {

constexpr std::string_view kReferenceFilter =
    "参考文本(*.txt;*.lrc;*.srt;*.vtt;*.ass;*.ssa)|*.txt;*.lrc;*.srt;*.vtt;*.ass;*.ssa";

}  // namespace

QPushButton* plainButton(const QString& text, const QString& accessible, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  b->setAccessibleName(accessible);
  return b;
}

CheckPanel::CheckPanel(PracticeForm& logic, ui::FileDialog& dialog, ui::MessageBox& messages, QWidget* parent)
    : QWidget(parent), logic_(logic), dialog_(dialog), messages_(messages) {
  reference_ = new QLabel(this);
  reference_->setObjectName(QStringLiteral("ReferenceLabel"));
  reference_->setWordWrap(true);
  auto* choose = plainButton(QStringLiteral("选择参考文本…"), QStringLiteral("为这个语音文件选择参考文本文件"), this);
  auto* useMap = plainButton(QStringLiteral("用 .lrc/.srt 的文字"),
                             QStringLiteral("改用语音文件旁边的 .lrc 或 .srt 的文字"), this);
  checkButton_ = plainButton(QStringLiteral("检查听写 (Alt+Y)"), QStringLiteral("检查听写"), this);
  checkButton_->setObjectName(QStringLiteral("CheckButton"));
  connect(choose, &QPushButton::clicked, this, [this] { chooseReference(); });
  connect(useMap, &QPushButton::clicked, this, [this] {
    logic_.chooseReference("");
    reference_->setText(toQt(logic_.referenceLabel()));
  });
  connect(checkButton_, &QPushButton::clicked, this, [this] { runCheck(); });
  subtitles_ = new QComboBox(this);
  subtitles_->setObjectName(QStringLiteral("SubtitleStreams"));
  subtitles_->setAccessibleName(QStringLiteral("字幕"));
  subtitles_->setAccessibleDescription(QStringLiteral("选择用文件里的哪一条字幕作为句子和参考文本"));
  subtitles_->setVisible(false);
  connect(subtitles_, &QComboBox::activated, this, [this](int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < subtitleChoices_.size() && !subtitleChoices_[row].chosen)
      logic_.chooseSubtitles(subtitleChoices_[row].stream);
  });
  referenceRow_ = new QHBoxLayout;
  referenceRow_->addWidget(choose);
  referenceRow_->addWidget(useMap);
  referenceRow_->addWidget(subtitles_);
  referenceRow_->addStretch(1);
  referenceRow_->addWidget(checkButton_);
  score_ = new QLabel(this);
  score_->setObjectName(QStringLiteral("ScoreLabel"));
  score_->setWordWrap(true);
  score_->setTextFormat(Qt::PlainText);
  // The score (two lines when it names the sentences checked) and the classes.
  score_->setMinimumHeight(4 * score_->fontMetrics().lineSpacing() + 4);
  score_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  legend_ = new QLabel(this);
  legend_->setTextFormat(Qt::RichText);
  legend_->setWordWrap(true);
  legend_->setText(QStringLiteral(
      "图例：<span style=\"color:#c62828; font-weight:bold; text-decoration: underline;\">写错</span>"
      "（红色波浪线，〔〕里是参考）　<span style=\"color:#1565c0; text-decoration: underline;\">［漏写］</span>"
      "（蓝色虚线，补在［］里）　<span style=\"color:#787878; text-decoration: line-through;\">｛多写｝</span>（灰色删除线，在｛｝里）"));
  legend_->setAccessibleName(QStringLiteral(
      "图例：写错为红色波浪线，后面六角括号里是参考；漏写为蓝色虚线，补在方括号里；多写为灰色删除线，在花括号里"));
  marked_ = new QTextBrowser(this);
  marked_->setObjectName(QStringLiteral("MarkedDictation"));
  marked_->setAccessibleName(QStringLiteral("标出错误的听写内容"));
  marked_->setFont(chineseFont(13));
  marked_->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);  // a caret to stand on
  marked_->setAccessibleDescription(QStringLiteral("在写错的地方按回车，放慢单独听这个字词"));
  marked_->installEventFilter(this);
  errors_ = new QListWidget(this);
  errors_->setObjectName(QStringLiteral("SentenceErrors"));
  errors_->setAccessibleName(QStringLiteral("每句的错误"));
  errors_->setAccessibleDescription(QStringLiteral("单击或按回车复读这一句"));
  connect(errors_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { logic_.repeatReferenceSentence(item->data(Qt::UserRole).toInt()); });
  // A click loops it too; where the desktop activates items on a single click (KDE), that
  // click is already the activation above, and must not start the loop a second time.
  connect(errors_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!errors_->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, errors_))
      logic_.repeatReferenceSentence(item->data(Qt::UserRole).toInt());
  });
  // Each slip heard alone, once the units of its sentence are known.
  slipsCaption_ = new QLabel(QStringLiteral("单独复听写错的字词（单击或按回车：放慢听几遍，再回到原处）："), this);
  slipsCaption_->setWordWrap(true);
  slips_ = new QListWidget(this);
  slips_->setObjectName(QStringLiteral("SlipSounds"));
  slips_->setAccessibleDescription(QStringLiteral("单击或按回车，放慢单独听这个字词几遍，然后回到刚才的地方"));
  connect(slips_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { logic_.loopSlip(slips_->row(item)); });
  connect(slips_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!slips_->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, slips_))
      logic_.loopSlip(slips_->row(item));
  });
  showSlips();
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(reference_);
  column->addLayout(referenceRow_);
  column->addWidget(score_);
  column->addWidget(legend_);
  column->addWidget(marked_, 2);
  column->addWidget(errors_, 1);
  column->addWidget(slipsCaption_);
  column->addWidget(slips_, 1);
}

void CheckPanel::showReference() { reference_->setText(toQt(logic_.referenceLabel())); }

void CheckPanel::addToReferenceRow(QWidget* button, int index) { referenceRow_->insertWidget(index, button); }

void CheckPanel::showSubtitleChoices() {
  std::vector<PracticeForm::SubtitleChoice> choices = logic_.subtitleChoices();
  if (choices == subtitleChoices_) return;
  subtitleChoices_ = std::move(choices);
  subtitles_->clear();
  for (const auto& choice : subtitleChoices_) {
    subtitles_->addItem(QStringLiteral("字幕：") + toQt(choice.label));
    if (choice.chosen) subtitles_->setCurrentIndex(subtitles_->count() - 1);
  }
  subtitles_->setVisible(!subtitleChoices_.empty());
}

void CheckPanel::chooseReference() {
  if (logic_.picture().recording.empty()) {
    messages_.inform("请先打开语音文件，再为它选择参考文本。");
    return;
  }
  const std::string folder = std::filesystem::path(logic_.picture().recording).parent_path().string();
  const std::string path = dialog_.showOpen(folder, std::string(kReferenceFilter), "");
  if (path.empty()) return;
  logic_.chooseReference(path);
  reference_->setText(toQt(logic_.referenceLabel()));
}

void CheckPanel::runCheck() {
  if (!logic_.startCheck()) {
    messages_.inform(
        "没有参考文本可以对照：请把这个语音文件的 .lrc 或 .srt 文件（带文字）放在它旁边，或在“逐句练习”窗口里选择一个参考文本文件。");
    return;
  }
  score_->setText(QStringLiteral("正在检查……"));
}

bool CheckPanel::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a slip's mark in the marked-up dictation: that slip heard alone.
  if (watched == marked_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const int at = marked_->textCursor().position();
      for (std::size_t slip = 0; slip < slipPlaces_.size(); ++slip)
        if (at >= slipPlaces_[slip].first && at <= slipPlaces_[slip].second) {
          logic_.loopCheckSlip(static_cast<int>(slip));
          return true;
        }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CheckPanel::showSlips() {
  const auto sounds = logic_.slipSounds();
  slips_->clear();
  for (const auto& sound : sounds) slips_->addItem(toQt(sound.label));
  slips_->setAccessibleName(sounds.empty() ? QStringLiteral("单独复听写错的字词：没有")
                                           : QStringLiteral("单独复听写错的字词：%1 处").arg(sounds.size()));
  slips_->setVisible(!sounds.empty());
  slipsCaption_->setVisible(!sounds.empty());
}

void CheckPanel::showCheck() {
  marked_->clear();
  slipPlaces_.clear();
  errors_->clear();
  const auto& check = logic_.check();
  if (!check) {
    if (!logic_.checking()) score_->setText(QStringLiteral("按“检查听写”或 Alt+Y，把听写内容和参考文本对照。"));
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
