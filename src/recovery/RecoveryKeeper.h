// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy of the dictation: what the box holds that its dictation file does not
// yet, written within a second or two of every change into a file of its own in the
// per-user data folder, never over the user's .txt. A kill, a crash or a power cut then
// loses at most the last two seconds of typing; the next time the recording is opened (or
// the program starts) the copy is offered back.
//
// Owned by the dictation store's owner (the main window's logic); every method runs on the
// user-interface thread. The writing itself is the FileFolder's, in the background.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/FileFolder.h"
#include "ui/Controls.h"
#include "ui/Timer.h"

namespace tessaly {

// One recovery copy: the text of the box and where it belongs.
struct RecoveryRecord {
  std::string dictationPath;  // the .txt the text belongs in
  std::string audioPath;      // the recording, to open it again after a crash
  std::string text;           // UTF-8, CR LF between lines, as the box holds it
  friend bool operator==(const RecoveryRecord&, const RecoveryRecord&) = default;
};

// A copy's bytes: a short readable header, then the text. Pure.
std::string encodeRecovery(const RecoveryRecord& record);
std::optional<RecoveryRecord> decodeRecovery(std::string_view bytes);
// The copy's file name for a dictation file: a hash of its path, "0123456789abcdef.txt".
std::string recoveryName(const std::string& dictationPath);

class RecoveryKeeper {
 public:
  // At most this long after a change the copy is being written.
  static constexpr int kDelayMs = 1000;

  // `timer` is the keeper's own; `text1` the dictation box, whose changes it follows.
  RecoveryKeeper(ui::TextBox& text1, ui::Timer& timer, FileFolder& folder);
  ~RecoveryKeeper();
  RecoveryKeeper(const RecoveryKeeper&) = delete;
  RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

  // The box now holds `fileText`, the dictation of `dictationPath` as its file has it (the
  // recording is `audioPath`). Copies are kept for it from here on; a copy left from before
  // stays until it is discarded or the text is saved.
  void track(const std::string& dictationPath, const std::string& audioPath, const std::string& fileText);
  // What the box holds has just been written into the dictation file: its copy goes.
  void saved();
  // Writes the copy now if the box differs from the file (no wait for the timer).
  void flush();

  std::optional<RecoveryRecord> copyFor(const std::string& dictationPath) const;
  void discard(const std::string& dictationPath);
  // Every copy in the folder, unreadable ones left out.
  std::vector<RecoveryRecord> copies() const;

 private:
  struct Tracked {
    std::string dictationPath;
    std::string audioPath;
    std::string fileText;                // the text as the dictation file holds it
    std::optional<std::string> written;  // what this keeper last wrote as the copy
  };
  void changed();
  void writeIfChanged();

  ui::TextBox& text1_;
  ui::Timer& timer_;
  FileFolder& folder_;
  std::optional<Tracked> tracked_;
};

}  // namespace tessaly
