// SPDX-License-Identifier: GPL-3.0-or-later
// The dictation text of each audio file, kept in a text file beside it: the audio path up
// to its last "." followed by "txt" (lesson1.mp3 and lesson1.wav share lesson1.txt).
//
// Owned by the main window, which calls every method on the user-interface thread; each
// reads or writes one small file and may show a modal message. The store remembers which
// file's text is in Text1 (the one loadDictationText read) and saves only into that file,
// whatever the current recording is by then: a play list moves on without loading, and the usage
// text shown at start-up belongs to no file.
//
// Files are read and written through text/TextFile.h: a file read as UTF-8 is written back
// as UTF-8, every other one in GB18030; a save replaces the file atomically, so a failed
// save leaves the old text in place. A file with bytes that are neither is shown with U+FFFD
// and the user is told; before its first save the original is kept beside it as NAME.txt.orig.
//
// With a RecoveryKeeper, what the box holds beyond its file is also kept in a recovery copy,
// which a load offers back (see recovery/RecoveryKeeper.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "playback/CurrentRecording.h"
#include "recovery/RecoveryKeeper.h"
#include "text/Encoding.h"
#include "text/FileReader.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

namespace tessaly {

class DictationStore {
 public:
  // Label2's caption while no audio file is current (until one is opened).
  static constexpr std::string_view noFileCaption = CurrentRecording::kNoneCaption;
  // The confirmation of saveTextCommand.
  static constexpr std::string_view savedMessage = "已经保存！";

  // text1: the dictation box. recording: the current audio file.
  DictationStore(ui::TextBox& text1, const CurrentRecording& recording, ui::MessageBox& messages);

  // Writes Text1 into the dictation file whose text was loaded last. Nothing is due while
  // no recording is open or before any load. Returns false when a save was due and
  // failed: the user was told, naming the file, and the text stays in Text1. Returns true
  // when saved or when nothing was due.
  bool saveDictationText();
  // saveDictationText without a word to the user (nobody may be there to read it).
  bool saveQuietly();

  // Loads the dictation file of the audio file that is the current recording into Text1: the
  // whole file, every line followed by CR LF. A missing file is created empty (a failure
  // to create it is told, and the file stays the one to save into). An existing file that
  // cannot be read is told, and saves into it are refused so that its text is not
  // overwritten. Does nothing while no recording is open.
  void loadDictationText();
  // The same, with the dictation file of `audioPath` already read (see text/FileReader.h):
  // the user-interface thread then never waits on the disk for it.
  void loadDictationFrom(const std::string& audioPath, const FileBytes& file);

  // saveDictationText; then savedMessage unless the save failed; then focus Text1.
  void saveTextCommand();

  // Keeps recovery copies through `keeper` from the next load on; nullptr for none.
  void keepRecoveryCopies(RecoveryKeeper* keeper) { recovery_ = keeper; }
  // The next load puts a recovery copy it finds into Text1 without asking (the user has
  // already said yes, at start-up).
  void restoreNextLoadWithoutAsking() { restoreWithoutAsking_ = true; }
  // The text of Text1 is kept in its recovery copy now, if it differs from the file.
  void keepUnsavedText() {
    if (recovery_) recovery_->flush();
  }
  // The dictation file whose text is in Text1, "" before any load.
  std::string loadedPath() const { return loaded_ ? loaded_->path.string() : std::string(); }

  // pathUpToLastDot(audioPath) + "txt"; a path without "." gives "txt".
  static std::string dictationPath(const std::string& audioPath);

 private:
  // The file whose text is in Text1.
  struct LoadedFile {
    std::filesystem::path path;
    TextEncoding encoding = TextEncoding::Gb18030;
    bool readable = true;  // false: it exists but could not be read, so it is never written
    // The file as read when some of its bytes were invalid: kept as NAME.txt.orig by the
    // first save, then cleared.
    std::optional<std::string> originalBytes{};
  };

  // After a load: starts the recovery copies of the file and offers back one left over.
  void offerRecoveryCopy(const std::string& audioPath);
  // "" when saved or nothing was due; otherwise what to tell the user. A failure keeps the
  // text in its recovery copy.
  std::string trySave();
  // Keeps the original of a file read with invalid bytes; false if it cannot be written.
  bool keepOriginal();

  ui::TextBox& text1_;
  const CurrentRecording& recording_;
  ui::MessageBox& messages_;
  std::optional<LoadedFile> loaded_;
  RecoveryKeeper* recovery_ = nullptr;
  bool restoreWithoutAsking_ = false;
};

}  // namespace tessaly
