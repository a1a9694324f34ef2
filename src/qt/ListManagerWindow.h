// SPDX-License-Identifier: GPL-3.0-or-later
// The list manager window (Form5): its widgets and their adapters, with Form5 as its logic.
// It is shown modeless while the main window is disabled, so it behaves as a modal dialog.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "playlist/Form5.h"
#include "qt/QtControls.h"

class QListWidget;
class QStatusBar;

namespace tessaly::qt {

class ListManagerWindow final : public QWidget {
 public:
  // `mainWindow` is disabled while this window is open. Optional dialog and message box
  // replacements are for tests (nullptr: Qt's own).
  ListManagerWindow(ui::Window& mainWindow, const std::string& appPath, ui::FileDialog* fileDialog,
                    ui::MessageBox* messages);
  ~ListManagerWindow() override;

  // Loads a fresh manager and shows it.
  void showManager();
  // Runs after the window has closed (by Exit or its close box).
  void setOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }

  Form5& form() { return *form_; }
  QPushButton* button(int number) const;  // Command1 to Command7
  QListWidget* list1() const { return list1_; }
  QStatusBar* statusBar1() const { return statusBar1_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ui::Window& mainWindow_;
  std::string appPath_;
  QListWidget* list1_ = nullptr;
  QStatusBar* statusBar1_ = nullptr;
  std::array<QPushButton*, 7> buttons_{};
  std::array<std::unique_ptr<QtButton>, 7> buttonAdapters_;
  std::unique_ptr<QtListBox> listAdapter_;
  std::unique_ptr<QtStatusBar> statusAdapter_;
  std::unique_ptr<QtWindow> windowAdapter_;
  std::unique_ptr<ui::FileDialog> ownDialog_;
  std::unique_ptr<ui::MessageBox> ownMessages_;
  ui::FileDialog* dialog_;
  ui::MessageBox* messages_;
  std::unique_ptr<Form5> form_;
  std::function<void()> onClosed_;
};

}  // namespace tessaly::qt
