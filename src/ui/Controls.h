// SPDX-License-Identifier: GPL-3.0-or-later
// The controls the logic drives, each with only the operations the program uses.
// Implemented by the Qt adapters (src/qt) and by the in-memory fakes of the tests.
// Every method is called on the user-interface thread and returns at once.
#pragma once

#include <functional>
#include <string>

namespace tessaly::ui {

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A command button. A disabled button ignores clicks and its access key.
class Button {
 public:
  virtual ~Button() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void setFocus() = 0;
  virtual std::string caption() const = 0;
};

// A label: a caption, or a transparent click area (which only has an enabled state).
class Label {
 public:
  virtual ~Label() = default;
  virtual void setCaption(const std::string& caption) = 0;
  virtual std::string caption() const = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
};

// One of the three stacked status pictures.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
};

// The progress slider: display only, the user cannot move it.
class Slider {
 public:
  virtual ~Slider() = default;
  virtual void setMaximum(int maximum) = 0;
  virtual int maximum() const = 0;
  virtual void setValue(int value) = 0;
  virtual int value() const = 0;
};

// The multi-line dictation box. Text is UTF-8 with CR LF between lines.
class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual void setText(const std::string& text) = 0;
  virtual std::string text() const = 0;
  virtual void setFocus() = 0;
  // Point size; a size below the smallest the toolkit allows is shown at that smallest size.
  virtual void setFontSize(int points) = 0;
  virtual void setBold(bool bold) = 0;
  virtual bool bold() const = 0;
  virtual void setTextColour(Rgb colour) = 0;
  virtual void setBackColour(Rgb colour) = 0;
  // `handler` runs after every change of the text, typed or set; nullptr for none.
  virtual void setChangeHandler(std::function<void()> handler) = 0;
  // Puts `text` where the cursor is, as typing would.
  virtual void insertAtCursor(const std::string& text) = 0;
  // A read-only box takes no typing; the program may still set its text.
  virtual void setReadOnly(bool readOnly) = 0;
};

// A single-selection list box; positions count from 0, -1 is "no selection".
class ListBox {
 public:
  virtual ~ListBox() = default;
  virtual void append(const std::string& item) = 0;
  virtual void removeAt(int position) = 0;
  virtual void clear() = 0;
  virtual int count() const = 0;
  virtual std::string item(int position) const = 0;
  virtual int selected() const = 0;
  virtual void select(int position) = 0;  // -1 clears the selection
};

// A status bar whose panels are found by key ("one", "two").
class StatusBar {
 public:
  virtual ~StatusBar() = default;
  virtual void setPanelText(const std::string& key, const std::string& text) = 0;
  virtual std::string panelText(const std::string& key) const = 0;
};

}  // namespace tessaly::ui
