// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window's "按文本分句" button: a published transcript of the recording (a text
// file the learner chooses, or text pasted into a box) aligned to it in the background,
// behind a progress dialog that can cancel it, then the report in the message box and the
// new map handed to `kept` (where it was kept, and whether beside the recording).
//
// User-interface thread; frame() is called by the practice window's 30 ms timer.
#pragma once

#include <QPushButton>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "align/TranscriptAlign.h"
#include "qt/ExportProgress.h"

namespace tessaly {
namespace ui {
class FileDialog;
class MessageBox;
}  // namespace ui
}  // namespace tessaly

namespace tessaly::qt {

class TranscriptButton final : public QPushButton {
 public:
  using Kept = std::function<void(const std::string& recording, const TranscriptAlignState& state)>;
  // `recording`: the recording open now ("" before one is).
  TranscriptButton(TranscriptAlign& aligner, std::function<std::string()> recording, ui::FileDialog& dialog,
                   ui::MessageBox& messages, Kept kept, QWidget* parent);

  void frame();
  // The two ways in, for the menu and the tests.
  void alignFile(const std::string& transcriptPath);
  void alignText(const std::string& text);
  bool aligning() const { return progress_.underWay(); }

 private:
  bool haveRecording();
  void chooseFile();
  void pasteText();
  // Follows the alignment `start` starts (the one under way cancelled first).
  void follow(const std::function<std::uint32_t()>& start, const std::string& recording);

  TranscriptAlign& aligner_;
  std::function<std::string()> recording_;
  ui::FileDialog& dialog_;
  ui::MessageBox& messages_;
  Kept kept_;
  TranscriptAlignState state_;  // the newest state of the alignment followed
  std::string aligned_;         // its recording
  ExportProgress progress_;
};

}  // namespace tessaly::qt
