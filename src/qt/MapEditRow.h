// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window's row for correcting the sentence map by hand: split the sentence being
// heard where it plays, join the selected one with the next, change its text, move its start
// 50 ms earlier or later ([ and ] on the sentence list or the waveform) or to where its line is
// dragged on the waveform, undo and redo (Ctrl+Z,
// Ctrl+Shift+Z or Ctrl+Y there too), and save the map as the recording's NAME.lrc. A line
// under the buttons says whether the corrections are saved. Until they are, only the list and
// the waveform show them; once saved the recording's map is read again so everything uses it.
//
// User-interface thread.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "sentences/MapEdit.h"

class QLabel;
class QPushButton;

namespace tessaly {
class PracticeForm;
class SentencePlayer;
namespace ui {
class MessageBox;
}  // namespace ui
}  // namespace tessaly

namespace tessaly::qt {

inline constexpr double kStartStepMs = 50;

class MapEditRow final : public QWidget {
 public:
  // `selected`: the row selected in the sentence list (-1 for none); `shown`: the list and the
  // waveform are to show the map now; `keysOn`: the widgets the editing keys work in.
  MapEditRow(PracticeForm& form, SentencePlayer& player, ui::MessageBox& messages, std::function<int()> selected,
             std::function<void(int select)> shown, std::initializer_list<QWidget*> keysOn, QWidget* parent);
  ~MapEditRow() override;

  void splitHere();
  void joinSelected();
  void editSelected();  // asks for the text
  void setSelectedText(const std::string& text);
  void moveSelectedStart(double byMs);
  // Sentence `row`'s start moved to `ms` (a drag of its line on the waveform), and selected.
  void moveStartTo(int row, double ms);
  void undo();
  void redo();
  // Saves the corrections of the recording they were made on; false when they are not saved
  // (the learner said no to replacing a file, or it could not be written).
  bool save();
  bool unsaved() const { return edit_ && edit_->dirty(); }
  // The window is closing: unsaved corrections are offered to be saved (是), dropped (否), or
  // kept with the window open (取消, false).
  bool closeRequested();
  // Another recording is open: unsaved corrections of the one before are offered to be saved
  // (to that recording's NAME.lrc), then dropped either way.
  void recordingChanged();
  // The buttons enabled for what they can do now.
  void refresh();

 private:
  // The map being corrected, made from the one shown at the first correction.
  MapEdit& edit();
  // After a step: the refusal told, or the map shown with `select` selected.
  void done(const MapEditResult& result, int select);
  int selectedRow() const;
  // Whether the corrections are saved, or how the starts are moved when there are none.
  void showState();
  void forget();

  PracticeForm& form_;
  SentencePlayer& player_;
  ui::MessageBox& messages_;
  std::function<int()> selected_;
  std::function<void(int)> shown_;
  std::unique_ptr<MapEdit> edit_;
  std::string editing_;  // the recording edit_ is of
  QPushButton *split_, *join_, *text_, *undo_, *redo_, *save_;
  QLabel* state_;
};

}  // namespace tessaly::qt
