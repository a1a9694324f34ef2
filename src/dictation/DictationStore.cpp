// SPDX-License-Identifier: GPL-3.0-or-later
#include "dictation/DictationStore.h"

#include <system_error>
#include <utility>

#include "text/Module1.h"
#include "text/TextFile.h"

namespace tessaly {

namespace fs = std::filesystem;

DictationStore::DictationStore(ui::TextBox& text1, const CurrentRecording& recording, ui::MessageBox& messages)
    : text1_(text1), recording_(recording), messages_(messages) {}

namespace {

// The first words of the message about a dictation file that is there but was not read.
std::string unreadableMessage(FileProblem problem) {
  switch (problem) {
    case FileProblem::NotAFile: return "听写文件的位置上不是普通文件（可能是管道、设备或文件夹），不能从中读取听写文本：\n";
    case FileProblem::TooLarge:
      return "听写文件太大（超过 " + std::to_string(kLargestUserFile >> 20) + " MB），不像是听写文本，没有读入：\n";
    case FileProblem::Stalled: return "听写文件读了很久也没有读完（磁盘或网络共享可能没有响应），已经放弃读取：\n";
    case FileProblem::None:
    case FileProblem::Unreadable: break;
  }
  return "无法读取听写文件：\n";
}

}  // namespace

std::string DictationStore::dictationPath(const std::string& audioPath) { return pathUpToLastDot(audioPath) + "txt"; }

bool DictationStore::saveDictationText() {
  const std::string why = trySave();
  if (why.empty()) return true;
  messages_.inform(why);
  return false;
}

bool DictationStore::saveQuietly() { return trySave().empty(); }

std::string DictationStore::trySave() {
  if (!recording_.chosen() || !loaded_) return {};
  const std::string name = loaded_->path.string();
  std::string why;
  if (!loaded_->readable)
    why = "听写文本没有保存！\n文件打开时读不出来，为免覆盖其中原有的文字，不写入：\n" + name + "\n文本仍留在编辑框中。";
  else if (!keepOriginal())
    why = "听写文本没有保存！\n这个文件中有无法识别的字节，保存前要先把原文件另存为：\n" + name +
          ".orig\n但这个文件无法写入。文本仍留在编辑框中。";
  else if (!writeTextFile(loaded_->path, text1_.text(), loaded_->encoding).ok)
    why = "听写文本没有保存！无法写入文件：\n" + name + "\n文本仍留在编辑框中。";
  if (!why.empty()) {
    keepUnsavedText();
    return why;
  }
  if (recovery_) recovery_->saved();
  return {};
}

bool DictationStore::keepOriginal() {
  if (!loaded_->originalBytes) return true;
  const fs::path original = loaded_->path.string() + ".orig";
  std::error_code error;
  // An original kept earlier is never overwritten: it is the oldest, untouched text.
  const fs::file_status kept = fs::symlink_status(original, error);
  if (fs::exists(kept) ? !fs::is_regular_file(kept) : !writeFileAtomically(original, *loaded_->originalBytes).ok)
    return false;
  loaded_->originalBytes.reset();
  return true;
}

void DictationStore::loadDictationText() {
  if (!recording_.chosen()) return;
  const std::string audioPath = trimSpaces(recording_.path());
  loadDictationFrom(audioPath, readWhole(dictationPath(audioPath)));
}

void DictationStore::loadDictationFrom(const std::string& audioPath, const FileBytes& read) {
  if (audioPath.empty()) return;
  LoadedFile file{dictationPath(audioPath)};
  text1_.setText({});

  if (!read.exists) {
    if (!writeFileAtomically(file.path, {}).ok)
      messages_.inform("无法建立听写文件：\n" + file.path.string() + "\n打的字要保存时会再试一次。");
    loaded_ = std::move(file);
    offerRecoveryCopy(audioPath);
    return;
  }

  if (!read.read) {
    file.readable = false;
    messages_.inform(unreadableMessage(read.problem) + file.path.string() +
                     "\n为免覆盖其中原有的内容，这个文件不会被写入。");
    loaded_ = std::move(file);
    offerRecoveryCopy(audioPath);
    return;
  }
  const DecodedText& content = read.text;
  file.encoding = content.encoding;
  text1_.setText(withCrLfLines(content.utf8));
  if (content.replaced > 0) {
    messages_.inform("听写文件中有 " + std::to_string(content.replaced) + " 个字节不是能识别的文字，显示为“�”：\n" +
                     file.path.string() + "\n第一次保存前，原文件会原样另存为：\n" + file.path.string() + ".orig");
    file.originalBytes = read.bytes;
  }
  loaded_ = std::move(file);
  offerRecoveryCopy(audioPath);
}

void DictationStore::offerRecoveryCopy(const std::string& audioPath) {
  const bool withoutAsking = std::exchange(restoreWithoutAsking_, false);
  if (!recovery_) return;
  const std::string dictation = loaded_->path.string();
  const std::string fileText = text1_.text();
  recovery_->track(dictation, audioPath, fileText);
  const auto copy = recovery_->copyFor(dictation);
  if (!copy) return;
  if (copy->text == fileText) {
    recovery_->discard(dictation);
    return;
  }
  if (!withoutAsking) {
    const auto answer = messages_.askYesNoCancel(
        "这个语音文件有上次没有保存的听写内容（程序可能没有正常退出）：\n" + dictation +
        "\n要恢复这些内容吗？\n选“是”放回编辑框中（保存后写入听写文件）；选“否”丢弃它。");
    if (answer == ui::MessageBox::Answer::No) recovery_->discard(dictation);
    if (answer != ui::MessageBox::Answer::Yes) return;
  }
  text1_.setText(copy->text);
  recovery_->flush();  // the copy is this run's own now: a save removes it
}

void DictationStore::saveTextCommand() {
  if (saveDictationText()) messages_.inform(std::string(savedMessage));
  text1_.setFocus();
}

}  // namespace tessaly
