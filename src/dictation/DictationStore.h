// The dictation text of each audio file, kept in a text file beside it: the audio path up
// to its last "." followed by "txt" (lesson1.mp3 and lesson1.wav share lesson1.txt).
//
// Owned by the main window, which calls every method on the user-interface thread; each
// reads or writes one small file and may show a modal message. The store remembers which
// file's text is in Text1 (the one loadDictationText read) and saves only into that file,
// whatever Label2 shows by then: a play list moves Label2 without loading, and the usage
// text shown at start-up belongs to no file.
//
// Files are read and written through text/TextFile.h: a file read as UTF-8 is written back
// as UTF-8, every other one in GB18030; a save replaces the file atomically, so a failed
// save leaves the old text in place.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "text/Encoding.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

namespace tessaly {

class DictationStore {
 public:
  // Label2's caption while no audio file is current (until one is opened).
  static constexpr std::string_view noFileCaption = "语音文件名";
  // The confirmation of saveTextCommand.
  static constexpr std::string_view savedMessage = "已经保存！";

  // text1: the dictation box. label2: the caption naming the current audio file.
  DictationStore(ui::TextBox& text1, ui::Label& label2, ui::MessageBox& messages);

  // Writes Text1 into the dictation file whose text was loaded last. Nothing is due while
  // Label2 shows noFileCaption or before any load. Returns false when a save was due and
  // failed: the user was told, naming the file, and the text stays in Text1. Returns true
  // when saved or when nothing was due.
  bool saveDictationText();

  // Loads the dictation file of the audio file named by Label2's caption into Text1: the
  // whole file, every line followed by CR LF. A missing file is created empty (a failure
  // to create it is told, and the file stays the one to save into). An existing file that
  // cannot be read is told, and saves into it are refused so that its text is not
  // overwritten. Does nothing while Label2 shows noFileCaption.
  void loadDictationText();

  // saveDictationText; then savedMessage unless the save failed; then focus Text1.
  void saveTextCommand();

  // pathUpToLastDot(audioPath) + "txt"; a path without "." gives "txt".
  static std::string dictationPath(const std::string& audioPath);

 private:
  // The file whose text is in Text1.
  struct LoadedFile {
    std::filesystem::path path;
    TextEncoding encoding = TextEncoding::Gb18030;
    bool readable = true;  // false: it exists but could not be read, so it is never written
  };

  ui::TextBox& text1_;
  ui::Label& label2_;
  ui::MessageBox& messages_;
  std::optional<LoadedFile> loaded_;
};

}  // namespace tessaly
