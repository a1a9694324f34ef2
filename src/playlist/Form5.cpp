// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/Form5.h"

#include <system_error>
#include <utility>

#include "playlist/PlayListFile.h"

namespace tessaly {

namespace {

constexpr const char* kListFilter = "语音文件(*.lst)|*.lst";
constexpr const char* kAudioFilter = "语音文件(*.wav;*.mp3;*.ra;*.rm;*.ram)|*.wav;*.mp3;*.ra;*.rm;*.ram";

constexpr const char* kAskSave = "文件已改变,是否保存?";
constexpr const char* kEmptyList = "列表无内容!";
constexpr const char* kMixedList = "操作失败,列表中必须为同类型的文件!";
constexpr const char* kNothingSelected = "请选择想删除的语音文件！";
constexpr const char* kCannotWrite = "保存失败,无法写入文件:";
constexpr const char* kCannotRead = "打开失败,无法读取文件:";

// The file as the user can find it: a bare name such as "未命名.lst" is shown with the
// folder it was written to.
std::string shownPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.lexically_normal().string();
}

}  // namespace

Form5::Form5(const Form5Controls& controls, std::filesystem::path appPath) : c_(controls), appPath_(std::move(appPath)) {}

void Form5::load() {
  c_.mainWindow.setEnabled(false);
  pathFile_ = appPath_ / "path.ini";
  listChanged_ = 0;
  for (ui::Button* button : {&c_.Command1, &c_.Command2, &c_.Command7}) button->setEnabled(true);
  setListButtons(false);
}

void Form5::unload() { c_.mainWindow.setEnabled(true); }

void Form5::openCommand() {
  if (!savePrompt()) return;
  const std::string chosen = c_.CommonDialog1.showOpen(readLastFolder(pathFile_), kListFilter, "");
  if (chosen.empty()) return;
  // Read before changing anything, so that a list that cannot be read leaves all as it was.
  std::vector<std::string> read;
  TextEncoding encoding = TextEncoding::Gb18030;
  if (!readListForEditing(chosen, read, &encoding).ok) {
    c_.messages.inform(kCannotRead + shownPath(chosen));
    return;
  }
  writeLastFolder(pathFile_, chosen);
  showList(chosen, encoding, read, 0);
}

void Form5::restoreUnsaved(const std::string& listPath, const std::vector<std::string>& entries) {
  showList(listPath.empty() ? kUntitled : listPath, TextEncoding::Gb18030, entries, 1);
}

void Form5::showList(const std::string& path, TextEncoding encoding, const std::vector<std::string>& entries, int changed) {
  listPath_ = path;
  listEncoding_ = encoding;
  c_.StatusBar1.setPanelText("one", listPath_);
  c_.List1.clear();
  for (const auto& entry : entries) c_.List1.append(entry);
  listChanged_ = changed;
  setListButtons(true);
  limitAdd();
  if (c_.List1.count() > 0) c_.List1.select(0);
}

void Form5::newCommand() {
  if (!savePrompt()) return;
  listPath_ = kUntitled;
  listEncoding_ = TextEncoding::Gb18030;
  c_.StatusBar1.setPanelText("one", listPath_);
  c_.List1.clear();
  listChanged_ = 0;
  setListButtons(true);
}

void Form5::saveCommand() { save(); }

void Form5::saveAsCommand() {
  const std::vector<std::string> list = entries();
  if (refuseList(list)) return;
  const std::string chosen = c_.CommonDialog1.showSave(readLastFolder(pathFile_), kListFilter, "");
  if (chosen.empty()) return;
  writeLastFolder(pathFile_, chosen);
  // The list takes the new name only once it is stored there.
  if (!writeList(chosen, list)) return;
  listPath_ = chosen;
  c_.StatusBar1.setPanelText("one", listPath_);
  listChanged_ = 0;
}

void Form5::addCommand() {
  const std::string chosen = c_.CommonDialog1.showOpen(readLastFolder(pathFile_), kAudioFilter, "");
  if (!chosen.empty()) {
    writeLastFolder(pathFile_, chosen);
    c_.List1.append(chosen);
    listChanged_ = 1;
  }
  if (c_.List1.count() >= kMaxAddedEntries) c_.Command4.setEnabled(false);
  c_.List1.select(c_.List1.count() - 1);  // -1 on an empty list: no selection
}

void Form5::deleteCommand() {
  const int s = c_.List1.selected();
  if (s == -1) {
    c_.messages.inform(kNothingSelected);
  } else {
    c_.List1.removeAt(s);
    listChanged_ = 1;
  }
  if (c_.List1.count() < kMaxAddedEntries) c_.Command4.setEnabled(true);
  if (c_.List1.count() > s) c_.List1.select(s);           // the entry that moved up into its place; -1 clears the selection
  else if (c_.List1.count() > 0) c_.List1.select(s - 1);  // the new last entry
}

void Form5::exitCommand() {
  if (!savePrompt()) return;
  closingByExit_ = true;
  c_.window.close();
  closingByExit_ = false;
}

bool Form5::closeRequested() { return closingByExit_ || savePrompt(); }

bool Form5::savePrompt() {
  if (listChanged_ != 1) return true;
  switch (c_.messages.askYesNoCancel(kAskSave)) {
    case ui::MessageBox::Answer::Yes:
      // A refused list (empty or mixed) goes on, as the user was told why; a list that
      // could not be written is kept, so that it can be saved elsewhere.
      return save() != SaveOutcome::Failed;
    case ui::MessageBox::Answer::No: return true;
    case ui::MessageBox::Answer::Cancel:
    case ui::MessageBox::Answer::Ok: break;
  }
  return false;
}

bool Form5::refuseList(const std::vector<std::string>& list) {
  if (list.empty()) {
    c_.messages.inform(kEmptyList);
    return true;
  }
  if (isMixedList(list)) {
    c_.messages.inform(kMixedList);
    return true;
  }
  return false;
}

bool Form5::writeList(const std::string& path, const std::vector<std::string>& list) {
  if (writePlayList(path, list, listEncoding_).ok) return true;
  c_.messages.inform(kCannotWrite + shownPath(path));
  return false;
}

Form5::SaveOutcome Form5::save() {
  const std::vector<std::string> list = entries();
  if (refuseList(list)) return SaveOutcome::Refused;
  // A bare name ("未命名.lst") is written into the process's current folder.
  if (!writeList(listPath_, list)) return SaveOutcome::Failed;
  listChanged_ = 0;
  return SaveOutcome::Saved;
}

std::vector<std::string> Form5::entries() const {
  std::vector<std::string> list;
  const int n = c_.List1.count();
  list.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) list.push_back(c_.List1.item(i));
  return list;
}

void Form5::setListButtons(bool enabled) {
  c_.Command3.setEnabled(enabled);
  c_.Command6.setEnabled(enabled);
  c_.Command4.setEnabled(enabled);
  c_.Command5.setEnabled(enabled);
}

void Form5::limitAdd() {
  if (c_.List1.count() >= kMaxAddedEntries) c_.Command4.setEnabled(false);
}

}  // namespace tessaly
