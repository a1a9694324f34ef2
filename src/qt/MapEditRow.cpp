// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/MapEditRow.h"

#include <QGridLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include <filesystem>

#include "practice/PracticeForm.h"
#include "practice/SentencePlayer.h"
#include "qt/CheckPanel.h"
#include "qt/QtControls.h"
#include "sentences/MapSave.h"
#include "ui/Dialogs.h"

namespace tessaly::qt {

MapEditRow::MapEditRow(PracticeForm& form, SentencePlayer& player, ui::MessageBox& messages, std::function<int()> selected,
                       std::function<void(int)> shown, std::initializer_list<QWidget*> keysOn, QWidget* parent)
    : QWidget(parent),
      form_(form),
      player_(player),
      messages_(messages),
      selected_(std::move(selected)),
      shown_(std::move(shown)) {
  setObjectName(QStringLiteral("MapEditRow"));
  split_ = plainButton(QStringLiteral("在播放处分开(&1)"), QStringLiteral("把正在听的句子在播放的位置分成两句"), this);
  join_ = plainButton(QStringLiteral("与下一句合并(&2)"), QStringLiteral("把选中的句子和下一句合成一句"), this);
  text_ = plainButton(QStringLiteral("改文字(&3)…"), QStringLiteral("修改选中句子的文字"), this);
  undo_ = plainButton(QStringLiteral("撤销"), QStringLiteral("撤销对句子表的上一步修改（Ctrl+Z）"), this);
  redo_ = plainButton(QStringLiteral("重做"), QStringLiteral("重做撤销了的修改（Ctrl+Shift+Z 或 Ctrl+Y）"), this);
  save_ = plainButton(QStringLiteral("保存句子表(&4)"), QStringLiteral("把改过的句子表保存成录音旁边的 .lrc 文件"), this);
  split_->setObjectName(QStringLiteral("MapSplit"));
  join_->setObjectName(QStringLiteral("MapJoin"));
  text_->setObjectName(QStringLiteral("MapText"));
  undo_->setObjectName(QStringLiteral("MapUndo"));
  redo_->setObjectName(QStringLiteral("MapRedo"));
  save_->setObjectName(QStringLiteral("MapSave"));
  connect(split_, &QPushButton::clicked, this, [this] { splitHere(); });
  connect(join_, &QPushButton::clicked, this, [this] { joinSelected(); });
  connect(text_, &QPushButton::clicked, this, [this] { editSelected(); });
  connect(undo_, &QPushButton::clicked, this, [this] { undo(); });
  connect(redo_, &QPushButton::clicked, this, [this] { redo(); });
  connect(save_, &QPushButton::clicked, this, [this] { save(); });

  // Only in the list and the waveform, so the text boxes keep their own undo.
  for (QWidget* w : keysOn) {
    const auto key = [&](const QKeySequence& seq, auto run) {
      auto* shortcut = new QShortcut(seq, w);
      shortcut->setContext(Qt::WidgetShortcut);
      connect(shortcut, &QShortcut::activated, this, run);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { redo(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { redo(); });
    key(QKeySequence(Qt::Key_BracketLeft), [this] { moveSelectedStart(-kStartStepMs); });
    key(QKeySequence(Qt::Key_BracketRight), [this] { moveSelectedStart(kStartStepMs); });
  }

  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("MapEditState"));
  state_->setWordWrap(true);
  // Two rows of three, to fit beside the reference column however narrow the window is.
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  QPushButton* const order[] = {split_, join_, text_, undo_, redo_, save_};
  for (int i = 0; i < 6; ++i) layout->addWidget(order[i], i / 3, i % 3);
  layout->addWidget(state_, 2, 0, 1, 3);
  showState();
  refresh();
}

MapEditRow::~MapEditRow() = default;

MapEdit& MapEditRow::edit() {
  const std::string& recording = form_.picture().recording;
  if (!edit_ || editing_ != recording) {
    edit_ = std::make_unique<MapEdit>(form_.sentences(), static_cast<std::int32_t>(form_.picture().lengthMs));
    editing_ = recording;
  }
  return *edit_;
}

int MapEditRow::selectedRow() const {
  const int row = selected_();
  return row >= 0 ? row : form_.currentSentence();
}

void MapEditRow::done(const MapEditResult& result, int select) {
  if (!result.ok) {
    messages_.inform(result.words);
    return;
  }
  form_.showEdits(edit_->sentences());
  showState();
  shown_(select);
  refresh();
}

void MapEditRow::splitHere() {
  if (form_.picture().recording.empty()) return;
  const int row = form_.currentSentence();
  done(edit().split(row, form_.picture().positionMs, form_.units()), row + 1);
}

void MapEditRow::joinSelected() {
  if (form_.sentences().empty()) return;
  const int row = selectedRow();
  done(edit().join(row), row);
}

void MapEditRow::editSelected() {
  const int row = selectedRow();
  if (row < 0 || static_cast<std::size_t>(row) >= form_.sentences().size()) return;
  const auto& text = form_.sentences()[static_cast<std::size_t>(row)].text;
  bool ok = false;
  const QString typed = QInputDialog::getText(this, QStringLiteral("改文字"),
                                              QStringLiteral("第 %1 句的文字：").arg(row + 1), QLineEdit::Normal,
                                              text ? toQt(*text) : QString(), &ok);
  if (ok) setSelectedText(fromQt(typed));
}

void MapEditRow::setSelectedText(const std::string& text) {
  if (form_.sentences().empty()) return;
  const int row = selectedRow();
  done(edit().editText(row, text), row);
}

void MapEditRow::moveSelectedStart(double byMs) {
  const int row = selectedRow();
  if (row < 0 || static_cast<std::size_t>(row) >= form_.sentences().size()) return;
  moveStartTo(row, form_.sentences()[static_cast<std::size_t>(row)].startMs + byMs);
}

void MapEditRow::moveStartTo(int row, double ms) {
  if (row < 0 || static_cast<std::size_t>(row) >= form_.sentences().size()) return;
  done(edit().moveStart(row, ms), row);
}

void MapEditRow::undo() {
  if (edit_ && edit_->canUndo()) done(edit_->undo(), selectedRow());
}

void MapEditRow::redo() {
  if (edit_ && edit_->canRedo()) done(edit_->redo(), selectedRow());
}

bool MapEditRow::save() {
  if (!unsaved()) return true;
  SavedMap saved = saveMap(editing_, edit_->sentences(), edit_->lengthMs(), false);
  if (saved.askFirst) {
    if (messages_.askYesNoCancel(saved.words) != ui::MessageBox::Answer::Yes) return false;
    saved = saveMap(editing_, edit_->sentences(), edit_->lengthMs(), true);
  }
  if (!saved.ok) {
    messages_.inform(saved.words);
    return false;
  }
  QString said = QStringLiteral("句子表已保存：") + toQt(saved.path);
  if (!saved.backup.empty()) said += QStringLiteral("（原来的文件保留为 ") + toQt(saved.backup) + QStringLiteral("）");
  // The saved file is the recording's map from now on, for every feature of the program.
  const std::string recording = editing_;
  const int row = selectedRow();
  forget();
  player_.useAlignedMap(recording, saved.path, true);
  state_->setText(said);
  if (recording == form_.picture().recording) shown_(row);
  return true;
}

bool MapEditRow::closeRequested() {
  if (!unsaved()) return true;
  switch (messages_.askYesNoCancel("句子表已改动，还没有保存。是否保存？")) {
    case ui::MessageBox::Answer::Yes: return save();
    case ui::MessageBox::Answer::No: forget(); return true;
    case ui::MessageBox::Answer::Cancel:
    case ui::MessageBox::Answer::Ok: break;
  }
  return false;
}

void MapEditRow::recordingChanged() {
  if (unsaved() && messages_.askYesNoCancel("上一个录音的句子表改动还没有保存：\n" + editing_ + "\n是否保存？") ==
                       ui::MessageBox::Answer::Yes)
    save();
  forget();
}

void MapEditRow::forget() {
  edit_.reset();
  editing_.clear();
  form_.showEdits(std::nullopt);
  showState();
  refresh();
}

void MapEditRow::showState() {
  state_->setText(
      unsaved()
          ? QStringLiteral("句子表已改动，还没有保存；改动只显示在句子列表和波形上。")
          : QStringLiteral(
                "改句子表：在句子列表或波形上按 [ 或 ] 把选中句子的开始提前或推后 0.05 秒，或在波形上拖动句子的分界线。"));
  state_->setAccessibleName(state_->text());
}

void MapEditRow::refresh() {
  const bool map = !form_.picture().recording.empty() && !form_.sentences().empty();
  split_->setEnabled(map);  // paused too: where it stopped is where the learner heard the break
  join_->setEnabled(map && form_.sentences().size() > 1);
  text_->setEnabled(map);
  undo_->setEnabled(edit_ && edit_->canUndo());
  redo_->setEnabled(edit_ && edit_->canRedo());
  save_->setEnabled(unsaved());
}

}  // namespace tessaly::qt
