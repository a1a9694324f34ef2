// SPDX-License-Identifier: GPL-3.0-or-later
#include "dictation/AppearanceSettings.h"

#include <algorithm>
#include <utility>

#include "text/TextFile.h"

namespace tessaly {

namespace {

bool inCycle(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

}  // namespace

AppearanceSettings::AppearanceSettings(ui::TextBox& text1, std::filesystem::path settingsFile, ui::MessageBox& messages)
    : text1_(text1), settingsFile_(std::move(settingsFile)), messages_(messages) {
  file_.records[0] = defaultAppearanceRecord();
}

void AppearanceSettings::loadAppearance() {
  // Only the four records are read, however long the file: a read that ends inside them is
  // made longer until they end within it (at most four records of fifteen 64 KB texts).
  std::string bytes;
  bool read = false;
  constexpr std::size_t kMostRecordBytes = 4 * (66 + AppearanceRecord::textCount * (2 + 65535));
  for (std::size_t limit = 4096;; limit = std::min(limit * 8, kMostRecordBytes)) {
    read = readFileHead(settingsFile_, limit, bytes).ok;
    file_ = parseAppearanceFile(bytes);
    if (!read || bytes.size() < limit || !file_.tail.empty() || limit == kMostRecordBytes) break;
  }
  recordsEnd_ = static_cast<std::int64_t>(bytes.size() - file_.tail.size());
  file_.tail.clear();  // left in the file, and kept there by every write
  if (!read) {
    // An absent file is made at once, as the settings are opened for reading and writing.
    std::error_code error;
    if (!std::filesystem::exists(settingsFile_, error)) (void)writeFileAtomically(settingsFile_, {});
    recordsEnd_ = 0;
  }
  if (bytes.empty()) {
    file_ = AppearanceFile{};
    file_.records[0] = defaultAppearanceRecord();
  }
  const AppearanceRecord& record = file_.records[0];
  text1_.setFontSize(record.fontSize);
  text1_.setBold(record.notBold != 1);
  if (inCycle(record.textColourIndex, textColourCycle.size()))
    text1_.setTextColour(textColourCycle[static_cast<std::size_t>(record.textColourIndex)]);
  if (inCycle(record.backColourIndex, backColourCycle.size()))
    text1_.setBackColour(backColourCycle[static_cast<std::size_t>(record.backColourIndex)]);
}

void AppearanceSettings::writeAppearance() {
  // The records over the start of the file; what lies beyond the records read stays.
  const std::string records = serialiseAppearanceFile(file_);
  const FileResult result = replaceFileHead(settingsFile_, records, recordsEnd_);
  if (result.ok) {
    recordsEnd_ = static_cast<std::int64_t>(records.size());
    writeFailureTold_ = false;
    return;
  }
  if (writeFailureTold_) return;
  writeFailureTold_ = true;
  messages_.inform("无法保存字体和颜色的设置，写不进文件：\n" + settingsFile_.string() + "\n改动只在这次运行中有效。");
}

void AppearanceSettings::fontBiggerCommand() {
  if (current().fontSize <= 60) {
    ++current().fontSize;
    text1_.setFontSize(current().fontSize);
    writeAppearance();
  }
  text1_.setFocus();
}

void AppearanceSettings::fontSmallerCommand() {
  if (current().fontSize >= 6) {
    --current().fontSize;
    text1_.setFontSize(current().fontSize);
    writeAppearance();
  }
  text1_.setFocus();
}

void AppearanceSettings::boldCommand() {
  if (text1_.bold()) {
    text1_.setBold(false);
    current().notBold = 1;
  } else {
    text1_.setBold(true);
    current().notBold = 0;
  }
  writeAppearance();
  text1_.setFocus();
}

void AppearanceSettings::textColourCommand() {
  std::int16_t& index = current().textColourIndex;
  if (inCycle(index, textColourCycle.size())) {
    index = static_cast<std::int16_t>((index + 1) % static_cast<int>(textColourCycle.size()));
    text1_.setTextColour(textColourCycle[static_cast<std::size_t>(index)]);
  }
  writeAppearance();
  text1_.setFocus();
}

void AppearanceSettings::backColourCommand() {
  std::int16_t& index = current().backColourIndex;
  index = index > 9 ? std::int16_t{0} : static_cast<std::int16_t>(index + 1);
  if (inCycle(index, backColourCycle.size())) text1_.setBackColour(backColourCycle[static_cast<std::size_t>(index)]);
  writeAppearance();
  text1_.setFocus();
}

}  // namespace tessaly
