// SPDX-License-Identifier: GPL-3.0-or-later
// Form1's opening of files: a recording or a word list through the dialog or the command
// line, play lists, entry after entry, and the recovery copies offered back with their
// recordings. The user-interface thread, like all of Form1.
#include "app/Form1.h"

#include <string>
#include <string_view>
#include <vector>

#include "playback/RecordingFormats.h"
#include "playlist/PlayListFile.h"
#include "text/Module1.h"
#include "text/TextFile.h"

namespace tessaly {

namespace {

constexpr std::string_view kListFilter = "语音列表文件(*.lst)|*.lst";
constexpr std::string_view kWordListFilter = "听写词语表(*.txt)|*.txt";
constexpr std::string_view kOpenAnyway =
    "听写内容没有保存。仍要打开其他语音文件吗？\n（没有保存的内容留在恢复副本中，下次打开这个语音文件时可以恢复。）";

bool endsInWav(const std::string& path) { return path.size() >= 3 && path.compare(path.size() - 3, 3, "wav") == 0; }

}  // namespace

std::string Form1::lastFolderLine() const { return readLastFolder(pathFile_); }

void Form1::rememberFolderOf(const std::string& chosenPath) {
  // The folder is only a convenience for the next dialog: a program folder that cannot be
  // written is no reason to stop the user.
  (void)writeLastFolder(pathFile_, chosenPath);
}

void Form1::focusAfterCancelledDialog() {
  if (!button(kRepeatButton).enabled() && !button(kStartButton).enabled()) button(kOpenFileButton).setFocus();
  else if (!button(kRepeatButton).enabled()) button(kStartButton).setFocus();
  else c_.text1.setFocus();
}

void Form1::selectBackEndFor(const std::string& path) {
  const bool wav = endsInWav(path);
  if (wav) {
    engineKind_ = EngineKind::Mci;
    d_.realAudio1.stop();
  } else {
    engineKind_ = EngineKind::Stream;
    d_.mmControl1.sendCommand("close");
  }
  d_.mmControl1.setEnabled(wav);
}

void Form1::openFileCommand() { openThroughDialog(kRecordingFilter); }

void Form1::openWordListCommand() {
  if (lessons_) openThroughDialog(kWordListFilter);
}

void Form1::openThroughDialog(std::string_view filter) {
  label(layout::kRepeatArea).setEnabled(true);
  label(layout::kContinueArea).setEnabled(true);
  // A dictation that cannot be saved stays in the box (the store has told the user why)
  // unless the user chooses to go on: its recovery copy then keeps it.
  if (!dictation_->saveDictationText() &&
      c_.messages.askYesNoCancel(std::string(kOpenAnyway)) != ui::MessageBox::Answer::Yes) {
    c_.text1.setFocus();
    return;
  }
  d_.realAudio1.setVolume(100);

  const std::string line = lastFolderLine();
  const std::string folder = trimSpaces(line).empty() ? appPath_ + "/voice/" : line;
  const std::string path = c_.commonDialog1.showOpen(folder, std::string(filter), "");
  if (path.empty()) {
    focusAfterCancelledDialog();
    return;
  }
  openChosenFile(path);
}

void Form1::openWordList(const std::string& path) {
  const std::uint32_t serial = ++lessonMade_;
  const std::string before = label(layout::kStatusLabel).caption();
  label(layout::kStatusLabel).setCaption("正在把词语表读成录音……");
  lessons_->make(path, appPath_ + "/wordlists", [this, serial, before](MadeLesson made) {
    if (serial != lessonMade_) return;  // another file was opened meanwhile
    if (!made.error.empty()) {
      label(layout::kStatusLabel).setCaption(before);
      c_.messages.inform(made.error);
      return;
    }
    openChosenFile(made.recording);
  });
}

void Form1::openChosenFile(const std::string& path) {
  if (lessons_ && isWordListPath(path)) {
    openWordList(path);
    return;
  }
  ++lessonMade_;  // a list still being made is not opened after this file
  c_.timer1.setEnabled(false);
  c_.timer2.setEnabled(false);
  c_.timer3.setEnabled(false);
  recording_.set(path);
  queue_.clear();
  rememberFolderOf(path);
  selectBackEndFor(path);
  // The dictation file is read away from this thread; until it is in the box, the box takes
  // no typing (nothing typed can land in the wrong file or be lost).
  const std::uint32_t serial = ++dictationRead_;
  c_.text1.setReadOnly(true);
  reader_->read({DictationStore::dictationPath(trimSpaces(path))}, [this, serial, path](std::vector<FileBytes> files) {
    if (serial != dictationRead_) return;  // another recording was opened meanwhile
    dictation_->loadDictationFrom(trimSpaces(path), files[0]);
    c_.text1.setReadOnly(false);
  });
  startCommand();
}

void Form1::openPlayList() {
  const std::string path = c_.commonDialog1.showOpen(lastFolderLine(), std::string(kListFilter), "");
  if (path.empty()) {
    focusAfterCancelledDialog();
    return;
  }
  openChosenList(path);
}

void Form1::openChosenList(const std::string& path) {
  std::vector<std::string> entries;
  if (const FileResult read = readListForPlaying(path, entries); !read.ok) {
    c_.messages.inform("无法读取列表文件：" + path);
    return;
  }
  if (entries.empty()) {
    c_.messages.inform("列表无内容!");
    return;
  }
  const std::string first = queue_.fill(std::move(entries));
  recording_.set(first);
  button(kToEndButton).setEnabled(true);
  rememberFolderOf(path);
  c_.timer1.setEnabled(false);
  c_.timer2.setEnabled(false);
  c_.timer3.setEnabled(false);
  selectBackEndFor(first);
  startCommand();
}

void Form1::openFromCommandLine(const std::string& path) {
  if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".lst") == 0) {
    openChosenList(path);
    return;
  }
  label(layout::kRepeatArea).setEnabled(true);
  label(layout::kContinueArea).setEnabled(true);
  d_.realAudio1.setVolume(100);
  openChosenFile(path);
}

void Form1::keepRecoveryCopies(FileFolder& folder, ui::Timer& timer) {
  recovery_ = std::make_unique<RecoveryKeeper>(c_.text1, timer, folder);
  dictation_->keepRecoveryCopies(recovery_.get());
}

void Form1::offerRecoveryCopies() {
  if (!recovery_) return;
  // The recording open now, its dictation read or still on its way, offers its own copy
  // when that dictation arrives: asking here too would ask twice.
  const std::string openDictation = recording_.chosen() ? DictationStore::dictationPath(trimSpaces(recording_.path()))
                                                        : std::string();
  for (const RecoveryRecord& copy : recovery_->copies()) {
    if (copy.dictationPath == dictation_->loadedPath() || copy.dictationPath == openDictation) continue;
    TextFileContent file;
    if (readTextFile(copy.dictationPath, file).ok && joinLinesCrLf(splitLines(file.text)) == copy.text) {
      recovery_->discard(copy.dictationPath);  // saved after all: nothing to recover
      continue;
    }
    const auto answer = c_.messages.askYesNoCancel("上次没有正常退出，有没有保存的听写内容：\n" + copy.dictationPath +
                                                   "\n（语音文件：" + copy.audioPath +
                                                   "）\n要打开这个语音文件并恢复这些内容吗？\n选“否”丢弃它。");
    if (answer == ui::MessageBox::Answer::No) recovery_->discard(copy.dictationPath);
    if (answer != ui::MessageBox::Answer::Yes) continue;
    dictation_->restoreNextLoadWithoutAsking();
    openFromCommandLine(copy.audioPath);
    return;
  }
}

bool Form1::hasNextEntry() const { return queue_.hasNext(); }

void Form1::advancePlayList() {
  if (!hasNextEntry()) return;
  recording_.set(queue_.next());
  startCommand();
}

}  // namespace tessaly
