// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/TranscriptButton.h"

#include <QInputDialog>
#include <QMenu>

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
      kept_(std::move(kept)),
      progress_({QStringLiteral("按文本分句"), QStringLiteral("正在把文本稿的每一句对到录音上……"),
                 QStringLiteral("AlignProgress"), QStringLiteral("按文本分句的进度：")},
                jobEngine(aligner_, state_), this) {
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
  follow([&] { return aligner_.startFile(recording, transcriptPath); }, recording);
}

void TranscriptButton::alignText(const std::string& text) {
  if (!haveRecording()) return;
  const std::string recording = recording_();
  follow([&] { return aligner_.startText(recording, text); }, recording);
}

void TranscriptButton::follow(const std::function<std::uint32_t()>& start, const std::string& recording) {
  aligned_ = recording;
  progress_.start(start);
}

void TranscriptButton::frame() {
  if (!progress_.frame()) return;
  if (state_.error.empty() && kept_) kept_(aligned_, state_);
  messages_.inform(alignmentReport(state_, std::filesystem::path(aligned_).filename().string()));
}

}  // namespace tessaly::qt
