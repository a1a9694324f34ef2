// SPDX-License-Identifier: GPL-3.0-or-later
// Thin adapters from the ui interfaces to Qt widgets. Each forwards to one widget it does
// not own (the widget's parent does). All of them live on the user-interface thread.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <map>
#include <string>

#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace tessaly::qt {

QString toQt(const std::string& utf8);
std::string fromQt(const QString& text);

class QtButton final : public ui::Button {
 public:
  explicit QtButton(QPushButton* button) : button_(button) {}
  void setEnabled(bool enabled) override { button_->setEnabled(enabled); }
  // The button's own state, also while its window is disabled (the list manager is open).
  bool enabled() const override { return button_->isEnabledTo(button_->window()); }
  void setFocus() override { button_->setFocus(Qt::OtherFocusReason); }
  std::string caption() const override { return fromQt(button_->text()); }
  QPushButton* widget() const { return button_; }

 private:
  QPushButton* button_;
};

// A caption label, or a captionless click area: any widget; the caption goes to a QLabel.
class QtLabel final : public ui::Label {
 public:
  explicit QtLabel(QWidget* widget) : widget_(widget), label_(qobject_cast<QLabel*>(widget)) {}
  void setCaption(const std::string& caption) override;
  std::string caption() const override { return caption_; }
  void setEnabled(bool enabled) override { widget_->setEnabled(enabled); }
  bool enabled() const override { return widget_->isEnabledTo(widget_->window()); }

 private:
  QWidget* widget_;
  QLabel* label_;
  std::string caption_;
};

class QtPicture final : public ui::Picture {
 public:
  explicit QtPicture(QWidget* widget) : widget_(widget) {}
  void setVisible(bool visible) override { widget_->setVisible(visible); }
  bool visible() const override { return !widget_->isHidden(); }

 private:
  QWidget* widget_;
};

class QtSlider final : public ui::Slider {
 public:
  explicit QtSlider(QSlider* slider) : slider_(slider) {}
  void setMaximum(int maximum) override { slider_->setMaximum(maximum); }
  int maximum() const override { return slider_->maximum(); }
  void setValue(int value) override { slider_->setValue(value); }
  int value() const override { return slider_->value(); }

 private:
  QSlider* slider_;
};

// The dictation box. Qt keeps "\n" between lines; the program speaks CR LF.
// The dictation box. A long text (a 5 MB dictation) is put in a piece at a time, on turns of
// the event loop, so no single call holds the window up; meanwhile the box takes no typing
// and text() already gives the whole text, as for any other setText.
class QtTextBox final : public ui::TextBox {
 public:
  explicit QtTextBox(QPlainTextEdit* edit) : edit_(edit) {}
  void setText(const std::string& text) override;
  std::string text() const override;
  void setFocus() override { edit_->setFocus(Qt::OtherFocusReason); }
  void setFontSize(int points) override;
  void setBold(bool bold) override;
  bool bold() const override { return edit_->font().bold(); }
  void setTextColour(ui::Rgb colour) override { setColour(QPalette::Text, colour); }
  void setBackColour(ui::Rgb colour) override { setColour(QPalette::Base, colour); }
  void setChangeHandler(std::function<void()> handler) override;
  void insertAtCursor(const std::string& text) override;
  void setReadOnly(bool readOnly) override;

 private:
  bool filling() const { return !rest_.isEmpty(); }
  void setColour(QPalette::ColorRole role, ui::Rgb colour);
  // The next piece of a long text, or (`all`) the rest of it at once.
  void fill(bool all);
  QPlainTextEdit* edit_;
  QMetaObject::Connection changed_;
  std::function<void()> handler_;
  std::string whole_;      // while filling: the whole text set, as text() gives it
  QString rest_;           // while filling: what is not in the box yet
  bool readOnly_ = false;  // as the logic wants it, once the box is filled
  unsigned fillSerial_ = 0;
};

class QtListBox final : public ui::ListBox {
 public:
  explicit QtListBox(QListWidget* list) : list_(list) {}
  void append(const std::string& item) override { list_->addItem(toQt(item)); }
  void removeAt(int position) override { delete list_->takeItem(position); }
  void clear() override { list_->clear(); }
  int count() const override { return list_->count(); }
  std::string item(int position) const override { return fromQt(list_->item(position)->text()); }
  int selected() const override { return list_->currentRow(); }
  void select(int position) override;

 private:
  QListWidget* list_;
};

// Panels are labels in the status bar, found by key.
class QtStatusBar final : public ui::StatusBar {
 public:
  explicit QtStatusBar(std::map<std::string, QLabel*> panels) : panels_(std::move(panels)) {}
  void setPanelText(const std::string& key, const std::string& text) override;
  std::string panelText(const std::string& key) const override;

 private:
  std::map<std::string, QLabel*> panels_;
};

class QtTimer final : public ui::Timer {
 public:
  QtTimer();
  void setEnabled(bool enabled) override;
  bool enabled() const override { return timer_.isActive(); }
  void setInterval(int ms) override { timer_.setInterval(ms); }
  int interval() const override { return timer_.interval(); }
  void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

 private:
  QTimer timer_;
  std::function<void()> handler_;
};

// Qt's own file dialog (the same on every desktop). Names match the filter in any case.
class QtFileDialog final : public ui::FileDialog {
 public:
  explicit QtFileDialog(QWidget* parent) : parent_(parent) {}
  std::string showOpen(const std::string& folder, const std::string& filter, const std::string& fileName) override;
  std::string showSave(const std::string& folder, const std::string& filter, const std::string& fileName) override;
  // "description|*.a;*.b|…" to Qt's filters, "description (*.a *.A *.b *.B)", any case
  // matching, one for each pair.
  static QStringList toQtFilters(const std::string& filter);

 private:
  std::string show(bool save, const std::string& folder, const std::string& filter, const std::string& fileName);
  QWidget* parent_;
};

// Title "提示窗口", information icon.
class QtMessageBox final : public ui::MessageBox {
 public:
  explicit QtMessageBox(QWidget* parent) : parent_(parent) {}
  void inform(const std::string& text) override;
  Answer askYesNoCancel(const std::string& text) override;

 private:
  QWidget* parent_;
};

class QtWindow final : public ui::Window {
 public:
  explicit QtWindow(QWidget* window) : window_(window) {}
  void setOuterSize(int widthTwips, int heightTwips) override;
  void moveUp(int twips) override;
  void setEnabled(bool enabled) override { window_->setEnabled(enabled); }
  bool enabled() const override { return window_->isEnabled(); }
  void close() override { window_->close(); }

 private:
  QWidget* window_;
};

}  // namespace tessaly::qt
