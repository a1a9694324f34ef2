// SPDX-License-Identifier: GPL-3.0-or-later
// The recording the main window has open: its path as it was chosen (from the dialog, a
// play list or the command line), kept here. Label2 shows it and never stores it.
//
// Owner: the main window; the back-ends and the dictation store read it. User-interface
// thread only.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "ui/Controls.h"

namespace tessaly {

class CurrentRecording {
 public:
  // Label2's caption while no recording is open.
  static constexpr std::string_view kNoneCaption = "语音文件名";

  explicit CurrentRecording(ui::Label& caption) : caption_(caption) {}

  // Empty until the first recording is opened.
  const std::string& path() const { return path_; }
  bool chosen() const { return !path_.empty(); }

  void set(std::string path) {
    path_ = std::move(path);
    caption_.setCaption(path_.empty() ? std::string(kNoneCaption) : path_);
  }

 private:
  ui::Label& caption_;
  std::string path_;
};

}  // namespace tessaly
