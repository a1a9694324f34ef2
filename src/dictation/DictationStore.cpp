#include "dictation/DictationStore.h"

#include <system_error>

#include "text/Module1.h"
#include "text/TextFile.h"

namespace tessaly {

namespace fs = std::filesystem;

DictationStore::DictationStore(ui::TextBox& text1, ui::Label& label2, ui::MessageBox& messages)
    : text1_(text1), label2_(label2), messages_(messages) {}

std::string DictationStore::dictationPath(const std::string& audioPath) {
  return pathUpToLastDot(audioPath) + "txt";
}

bool DictationStore::saveDictationText() {
  if (label2_.caption() == noFileCaption || !loaded_) return true;
  const std::string name = loaded_->path.string();
  if (!loaded_->readable) {
    messages_.inform("听写文本没有保存！\n文件打开时读不出来，为免覆盖其中原有的文字，不写入：\n" +
                     name + "\n文本仍留在编辑框中。");
    return false;
  }
  if (!writeTextFile(loaded_->path, text1_.text(), loaded_->encoding).ok) {
    messages_.inform("听写文本没有保存！无法写入文件：\n" + name + "\n文本仍留在编辑框中。");
    return false;
  }
  return true;
}

void DictationStore::loadDictationText() {
  const std::string audioPath = trimSpaces(label2_.caption());
  if (audioPath == noFileCaption) return;
  LoadedFile file{dictationPath(audioPath)};
  text1_.setText({});

  std::error_code error;
  if (!fs::exists(fs::status(file.path, error))) {
    if (!writeFileAtomically(file.path, {}).ok)
      messages_.inform("无法建立听写文件：\n" + file.path.string() + "\n打的字要保存时会再试一次。");
    loaded_ = std::move(file);
    return;
  }

  TextFileContent content;
  if (!readTextFile(file.path, content).ok) {
    file.readable = false;
    messages_.inform("无法读取听写文件：\n" + file.path.string() +
                     "\n为免覆盖其中原有的文字，这个文件不会被写入。");
    loaded_ = std::move(file);
    return;
  }
  file.encoding = content.encoding;
  text1_.setText(joinLinesCrLf(splitLines(content.text)));
  loaded_ = std::move(file);
}

void DictationStore::saveTextCommand() {
  if (saveDictationText()) messages_.inform(std::string(savedMessage));
  text1_.setFocus();
}

}  // namespace tessaly
