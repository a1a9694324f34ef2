// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/TranscriptButton.h"

#include <QInputDialog>
#include <QMenu>
#include <QProgressDialog>

#include <filesystem>

#include "qt/QtControls.h"
#include "ui/Dialogs.h"

namespace tessaly::qt {

namespace {

constexpr std::string_view kTranscriptFilter = "文本稿(*.txt)|*.txt|所有文件(*.*)|*.*";

}  // namespace

TranscriptButton::TranscriptButton(TranscriptAlign& aligner, std::function<std::string()> recording, ui::FileDialog& dialog,
                                   ui::MessageBox& messages, Kept kept, QWidget* parent)
    : QPushButton(QStringLiteral("按文本分句…"), parent),
      aligner_(aligner),
      recording_(std::move(recording)),
      dialog_(dialog),
      messages_(messages),
      kept_(std::move(kept)) {
  setObjectName(QStringLiteral("AlignTranscript"));
  setAutoDefault(false);
  setAccessibleName(QStringLiteral("按文本分句：用这个录音的文本稿给录音分出句子"));
  setAccessibleDescription(QStringLiteral("选择文本稿文件，或粘贴文本；程序在后台把每一句对到录音上"));
  auto* menu = new QMenu(this);
  menu->setAccessibleName(QStringLiteral("按文本分句"));
  menu->addAction(QStringLiteral("选择文本稿文件…"), this, [this] { chooseFile(); });
  menu->addAction(QStringLiteral("粘贴文本…"), this, [this] { pasteText(); });
  setMenu(menu);
}

bool TranscriptButton::haveRecording() {
  if (!recording_().empty()) return true;
  messages_.inform("请先打开语音文件，再为它选择文本稿。");
  return false;
}

void TranscriptButton::chooseFile() {
  if (!haveRecording()) return;
  const std::string folder = std::filesystem::path(recording_()).parent_path().string();
  const std::string path = dialog_.showOpen(folder, std::string(kTranscriptFilter), "");
  if (!path.empty()) alignFile(path);
}

void TranscriptButton::pasteText() {
  if (!haveRecording()) return;
  bool ok = false;
  const QString text = QInputDialog::getMultiLineText(
      this, QStringLiteral("粘贴文本"),
      QStringLiteral("把这个录音的文本稿粘贴在下面（每句以句号、问号等结尾，或各占一行）："), QString(), &ok);
  if (ok) alignText(fromQt(text));
}

void TranscriptButton::alignFile(const std::string& transcriptPath) {
  if (!haveRecording()) return;
  const std::string recording = recording_();
  started(aligner_.startFile(recording, transcriptPath), recording);
}

void TranscriptButton::alignText(const std::string& text) {
  if (!haveRecording()) return;
  const std::string recording = recording_();
  started(aligner_.startText(recording, text), recording);
}

void TranscriptButton::started(std::uint32_t serial, const std::string& recording) {
  serial_ = serial;
  aligned_ = recording;
  if (!progress_) {
    progress_ = new QProgressDialog(QStringLiteral("正在把文本稿的每一句对到录音上……"), QStringLiteral("取消"), 0, 100,
                                    this);
    progress_->setWindowTitle(QStringLiteral("按文本分句"));
    progress_->setObjectName(QStringLiteral("AlignProgress"));
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    connect(progress_, &QProgressDialog::canceled, this, [this] {
      aligner_.cancel();
      serial_ = 0;
      progress_->hide();
    });
  }
  progress_->setValue(0);
  progress_->setAccessibleName(QStringLiteral("按文本分句的进度：0%"));
  progress_->show();
}

void TranscriptButton::frame() {
  if (serial_ == 0) return;
  TranscriptAlignState state;
  if (!aligner_.state(serial_, state)) return;
  const int percent = static_cast<int>(state.share * 100);
  if (progress_->value() != percent) {
    progress_->setValue(percent);
    progress_->setAccessibleName(QStringLiteral("按文本分句的进度：%1%").arg(percent));
  }
  if (!state.finished) return;
  serial_ = 0;
  progress_->hide();
  if (state.error.empty() && kept_) kept_(aligned_, state);
  messages_.inform(alignmentReport(state, std::filesystem::path(aligned_).filename().string()));
}

}  // namespace tessaly::qt
