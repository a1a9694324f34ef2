// SPDX-License-Identifier: GPL-3.0-or-later
// Form5, the list manager: a small window in which the user builds, edits and saves play
// lists. It neither plays audio nor hands a list to the main window; a saved list is
// played from the main window.
//
// This is the window's logic; the Qt window (src/qt) owns the widgets, wires each button's
// click to the method of the same name here, and calls load() when the window is shown,
// closeRequested() from its close event and unload() once the window has closed.
// Form5 owns listPath, listChanged and the encoding of the list being edited; the entries
// themselves live in List1. Everything runs on the user-interface thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "text/Encoding.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Window.h"

namespace tessaly {

// The controls the list manager drives. The buttons are named by their place in the window:
// top row Command1 Command2 Command3 Command6, below the list Command4 Command5 Command7.
struct Form5Controls {
  ui::ListBox& List1;         // the entries of the list being edited, in play order
  ui::Button& Command1;       // "打开": Open
  ui::Button& Command2;       // "新建": New
  ui::Button& Command3;       // "保存": Save
  ui::Button& Command6;       // "另存": Save As
  ui::Button& Command4;       // "增加": Add
  ui::Button& Command5;       // "删除": Delete
  ui::Button& Command7;       // "退出": Exit
  ui::StatusBar& StatusBar1;  // panel "one": the path of the list being edited
  ui::FileDialog& CommonDialog1;
  ui::MessageBox& messages;
  ui::Window& mainWindow;  // disabled while the manager is open
  ui::Window& window;      // the manager's own window
};

class Form5 {
 public:
  static constexpr int kMaxAddedEntries = 120;  // Add is disabled from this many entries on
  static constexpr const char* kUntitled = "未命名.lst";

  // `appPath` is the program folder, which holds path.ini.
  Form5(const Form5Controls& controls, std::filesystem::path appPath);

  // When the window is shown: disables the main window, enables Open, New and Exit and
  // disables the buttons that need a list. The list box is left as it is, so a window that
  // is shown again should be a new one.
  void load();
  // When the window has closed (by Exit or by its close box): enables the main window.
  void unload();

  void openCommand();    // Command1
  void newCommand();     // Command2
  void saveCommand();    // Command3
  void saveAsCommand();  // Command6
  void addCommand();     // Command4
  void deleteCommand();  // Command5
  void exitCommand();    // Command7

  // The close box was pressed: returns whether the window may close. With unsaved changes
  // it asks the same save prompt as Exit; Cancel, or a save that cannot be written, keeps
  // the window open. A close that Exit itself asked for is let through without asking again.
  bool closeRequested();

  int listChanged() const { return listChanged_; }
  const std::string& listPath() const { return listPath_; }
  // The entries of the list being edited, in play order.
  std::vector<std::string> entries() const;
  // A list kept when the program last had to end with it unsaved: back in the window, as
  // edited and not yet saved (Save writes it to `listPath`, Save As elsewhere).
  void restoreUnsaved(const std::string& listPath, const std::vector<std::string>& entries);

 private:
  enum class SaveOutcome { Saved, Refused, Failed };

  // Asks "文件已改变,是否保存?" when the list has changed. Returns whether the prompting
  // operation goes on: Yes then No go on (also after Save refused an empty or mixed list);
  // Cancel and a save that could not be written end it.
  bool savePrompt();
  // The refusals of Save and Save As: shows the message and returns true when refused.
  bool refuseList(const std::vector<std::string>& entries);
  // Writes the list; a failure is told to the user, naming the file.
  bool writeList(const std::string& path, const std::vector<std::string>& entries);
  SaveOutcome save();
  // `entries` in the window as the list `path` (its encoding, whether it has changes).
  void showList(const std::string& path, TextEncoding encoding, const std::vector<std::string>& entries, int changed);
  void setListButtons(bool enabled);
  void limitAdd();

  Form5Controls c_;
  std::filesystem::path appPath_;
  std::filesystem::path pathFile_;                     // appPath + "/path.ini", the last-folder file
  std::string listPath_;                               // the file Save writes; "" until New or Open
  TextEncoding listEncoding_ = TextEncoding::Gb18030;  // a list read as UTF-8 stays UTF-8
  int listChanged_ = 0;                                // 1 after an Add or a removal not yet saved
  bool closingByExit_ = false;                         // Exit has asked already; its close() must not ask again
};

}  // namespace tessaly
