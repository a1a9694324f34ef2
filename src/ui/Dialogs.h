// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog and the message box. Both are modal: they return when the user answers.
#pragma once

#include <string>

namespace tessaly::ui {

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // `filter` is in the program's own form: "description|pattern;pattern" (one entry).
  // Returns the chosen full path, or "" when the user cancels.
  virtual std::string showOpen(const std::string& initialFolder, const std::string& filter,
                               const std::string& fileName) = 0;
  virtual std::string showSave(const std::string& initialFolder, const std::string& filter,
                               const std::string& fileName) = 0;
};

// Every message carries the title "提示窗口" and the information icon.
class MessageBox {
 public:
  enum class Answer { Ok, Yes, No, Cancel };
  virtual ~MessageBox() = default;
  virtual void inform(const std::string& text) = 0;            // OK button
  virtual Answer askYesNoCancel(const std::string& text) = 0;  // Yes, No, Cancel
};

}  // namespace tessaly::ui
