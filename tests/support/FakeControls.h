// SPDX-License-Identifier: GPL-3.0-or-later
// In-memory fakes of the ui interfaces. They behave like the real widgets where the logic
// can tell: a disabled button ignores clicks, focus moves to one control at a time, a
// scripted dialog answers in order. Each fake has a name, used for focus and in failures.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/WebPage.h"
#include "ui/Window.h"

namespace tessaly::test {

// Which fake control holds the keyboard focus.
struct Focus {
  std::string owner;
};

class FakeButton final : public ui::Button {
 public:
  FakeButton(Focus& focus, std::string name, std::string caption, bool enabled = true)
      : focus_(focus), name_(std::move(name)), caption_(std::move(caption)), enabled_(enabled) {}
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  bool enabled() const override { return enabled_; }
  void setFocus() override { focus_.owner = name_; }
  std::string caption() const override { return caption_; }
  const std::string& name() const { return name_; }

 private:
  Focus& focus_;
  std::string name_;
  std::string caption_;
  bool enabled_;
};

class FakeLabel final : public ui::Label {
 public:
  explicit FakeLabel(std::string caption = {}, bool enabled = true) : caption_(std::move(caption)), enabled_(enabled) {}
  void setCaption(const std::string& caption) override { caption_ = caption; }
  std::string caption() const override { return caption_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  bool enabled() const override { return enabled_; }

 private:
  std::string caption_;
  bool enabled_;
};

class FakePicture final : public ui::Picture {
 public:
  explicit FakePicture(bool visible = false) : visible_(visible) {}
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }

 private:
  bool visible_;
};

class FakeSlider final : public ui::Slider {
 public:
  void setMaximum(int maximum) override { maximum_ = maximum; }
  int maximum() const override { return maximum_; }
  void setValue(int value) override {
    value_ = value;
    ++writes_;
  }
  int value() const override { return value_; }
  int writes() const { return writes_; }

 private:
  int maximum_ = 10;
  int value_ = 0;
  int writes_ = 0;
};

class FakeTextBox final : public ui::TextBox {
 public:
  FakeTextBox(Focus& focus, std::string name) : focus_(focus), name_(std::move(name)) {}
  void setText(const std::string& text) override {
    text_ = text;
    if (changed_) changed_();
  }
  // The user types: the text changes as setText changes it (not while the box is read-only).
  void type(const std::string& text) {
    if (!readOnly_) setText(text_ + text);
  }
  void setReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  bool readOnly() const { return readOnly_; }
  void setChangeHandler(std::function<void()> handler) override { changed_ = std::move(handler); }
  void insertAtCursor(const std::string& text) override { setText(text_ + text); }  // the cursor is at the end
  std::string text() const override { return text_; }
  void setFocus() override { focus_.owner = name_; }
  void setFontSize(int points) override { fontSize_ = points; }
  void setBold(bool bold) override { bold_ = bold; }
  bool bold() const override { return bold_; }
  void setTextColour(ui::Rgb colour) override { textColour_ = colour; }
  void setBackColour(ui::Rgb colour) override { backColour_ = colour; }

  int fontSize() const { return fontSize_; }
  ui::Rgb textColour() const { return textColour_; }
  ui::Rgb backColour() const { return backColour_; }

 private:
  Focus& focus_;
  std::string name_;
  std::string text_;
  std::function<void()> changed_;
  int fontSize_ = 9;
  bool bold_ = false;
  bool readOnly_ = false;
  ui::Rgb textColour_{0, 0, 0};
  ui::Rgb backColour_{255, 255, 255};
};

class FakeListBox final : public ui::ListBox {
 public:
  void append(const std::string& item) override { items_.push_back(item); }
  void removeAt(int position) override {
    items_.erase(items_.begin() + position);
    if (selected_ >= count()) selected_ = -1;
  }
  void clear() override {
    items_.clear();
    selected_ = -1;
  }
  int count() const override { return static_cast<int>(items_.size()); }
  std::string item(int position) const override { return items_.at(static_cast<std::size_t>(position)); }
  int selected() const override { return selected_; }
  void select(int position) override { selected_ = position < count() ? position : -1; }
  const std::vector<std::string>& items() const { return items_; }

 private:
  std::vector<std::string> items_;
  int selected_ = -1;
};

class FakeStatusBar final : public ui::StatusBar {
 public:
  void setPanelText(const std::string& key, const std::string& text) override { panels_[key] = text; }
  std::string panelText(const std::string& key) const override {
    const auto it = panels_.find(key);
    return it == panels_.end() ? std::string() : it->second;
  }

 private:
  std::map<std::string, std::string> panels_;
};

// Answers from a script, in order; an empty script answers "" (cancelled).
class FakeFileDialog final : public ui::FileDialog {
 public:
  struct Call {
    bool save;
    std::string initialFolder;
    std::string filter;
    std::string fileName;
  };
  void answer(std::string path) { script_.push_back(std::move(path)); }
  std::string showOpen(const std::string& folder, const std::string& filter, const std::string& fileName) override {
    return show(false, folder, filter, fileName);
  }
  std::string showSave(const std::string& folder, const std::string& filter, const std::string& fileName) override {
    return show(true, folder, filter, fileName);
  }
  const std::vector<Call>& calls() const { return calls_; }

 private:
  std::string show(bool save, const std::string& folder, const std::string& filter, const std::string& fileName) {
    calls_.push_back({save, folder, filter, fileName});
    if (script_.empty()) return {};
    std::string path = std::move(script_.front());
    script_.pop_front();
    return path;
  }
  std::deque<std::string> script_;
  std::vector<Call> calls_;
};

// Records every message; answers questions from a script (Cancel when it runs out).
class FakeMessageBox final : public ui::MessageBox {
 public:
  void answer(Answer answer) { script_.push_back(answer); }
  void inform(const std::string& text) override { shown_.push_back(text); }
  Answer askYesNoCancel(const std::string& text) override {
    shown_.push_back(text);
    if (script_.empty()) return Answer::Cancel;
    const Answer next = script_.front();
    script_.pop_front();
    return next;
  }
  const std::vector<std::string>& shown() const { return shown_; }

 private:
  std::deque<Answer> script_;
  std::vector<std::string> shown_;
};

class FakeWebPage final : public ui::WebPage {
 public:
  void navigate(const std::string& address) override { navigations.push_back(address); }
  bool setBodyProperty(const std::string& name, const std::string& value) override {
    if (!hasBody) return false;
    properties[name] = value;
    return true;
  }
  bool hasBody = false;
  std::vector<std::string> navigations;
  std::map<std::string, std::string> properties;
};

class FakeWindow final : public ui::Window {
 public:
  void setOuterSize(int widthTwips, int heightTwips) override {
    width = widthTwips;
    height = heightTwips;
  }
  void moveUp(int twips) override { top -= twips; }
  void setEnabled(bool on) override { enabled_ = on; }
  bool enabled() const override { return enabled_; }
  void close() override { ++closes; }

  int width = 0;
  int height = 0;
  int top = 0;
  int closes = 0;

 private:
  bool enabled_ = true;
};

}  // namespace tessaly::test
