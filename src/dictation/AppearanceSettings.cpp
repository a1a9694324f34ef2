#include "dictation/AppearanceSettings.h"

#include <utility>

#include "text/TextFile.h"

namespace tessaly {

namespace {

bool inCycle(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

}  // namespace

AppearanceSettings::AppearanceSettings(ui::TextBox& text1, std::filesystem::path settingsFile,
                                       ui::MessageBox& messages)
    : text1_(text1), settingsFile_(std::move(settingsFile)), messages_(messages) {
  file_.records[0] = defaultAppearanceRecord();
}

void AppearanceSettings::loadAppearance() {
  std::string bytes;
  if (readFileBytes(settingsFile_, bytes).ok && !bytes.empty()) {
    file_ = parseAppearanceFile(bytes);
  } else {
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
  const FileResult result = writeFileAtomically(settingsFile_, serialiseAppearanceFile(file_));
  if (result.ok) {
    writeFailureTold_ = false;
    return;
  }
  if (writeFailureTold_) return;
  writeFailureTold_ = true;
  messages_.inform("无法保存字体和颜色的设置，写不进文件：\n" + settingsFile_.string() +
                   "\n改动只在这次运行中有效。");
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
  if (inCycle(index, backColourCycle.size()))
    text1_.setBackColour(backColourCycle[static_cast<std::size_t>(index)]);
  writeAppearance();
  text1_.setFocus();
}

}  // namespace tessaly
