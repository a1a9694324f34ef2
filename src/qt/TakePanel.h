// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window's 跟读 row: 跟读录音 (F5) starts a take of the sentence being heard and
// ends it, a meter shows the microphone's level while it records, 原声＋跟读 (F6) and 只听跟读
// (F7) hear the last take, a line says what is going on and the score with its reasons, and
// the comparison is drawn below (qt/TakeView.h). Its logic is ShadowForm; this is the adapter.
//
// User-interface thread; frame() is called by the practice window's 30 ms timer, and every
// 10 ms while a take starts and records (the meter follows the voice).
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "shadow/ShadowForm.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tessaly {
class PracticeForm;
namespace ui {
class MessageBox;
}  // namespace ui
}  // namespace tessaly

namespace tessaly::qt {

class TakeView;

class TakePanel final : public QWidget {
 public:
  // `selectedRow`: the sentence list's selected row (-1 for none), taken when no sentence is
  // being heard.
  TakePanel(PracticePlayer& player, ShadowEngine& engine, const PracticeForm& practice, ui::MessageBox& messages,
            std::function<int()> selectedRow, QWidget* parent);
  ~TakePanel() override;

  ShadowForm& logic() { return *logic_; }
  void frame();
  void toggleTake();
  void hear(bool original);

 private:
  bool taking() const;  // the microphone opening or recording
  void showState();

  const PracticeForm& practice_;
  ui::MessageBox& messages_;
  std::function<int()> selectedRow_;
  std::unique_ptr<ShadowForm> logic_;
  QPushButton* record_ = nullptr;
  QProgressBar* meter_ = nullptr;
  QLabel* caption_ = nullptr;
  TakeView* view_ = nullptr;
  QTimer* meterTimer_ = nullptr;  // the meter, more often than the window's frames, while recording
};

}  // namespace tessaly::qt
