// SPDX-License-Identifier: GPL-3.0-or-later
// The list manager driven through its buttons as the window does it: a disabled button
// ignores the click, the close box asks the logic before the window closes.
#include "playlist/Form5.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "playlist/PlayListFile.h"
#include "support/FakeControls.h"
#include "support/TempFolder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Answer = ui::MessageBox::Answer;
using Entries = std::vector<std::string>;
using test::readBytes;
using test::writeBytes;

constexpr const char* kAskSave = "文件已改变,是否保存?";
constexpr const char* kEmptyList = "列表无内容!";
constexpr const char* kMixedList = "操作失败,列表中必须为同类型的文件!";
constexpr const char* kNothingSelected = "请选择想删除的语音文件！";
constexpr const char* kListFilter = "语音文件(*.lst)|*.lst";
constexpr const char* kAudioFilter = "语音文件(*.wav;*.mp3;*.ra;*.rm;*.ram)|*.wav;*.mp3;*.ra;*.rm;*.ram";

// The file dialog: answers `choice` to the dialogs of one operation and records every call.
// Unlike a queued script, an answer the operation never asked for is not left over.
class ChoosingDialog final : public ui::FileDialog {
 public:
  using Call = test::FakeFileDialog::Call;
  std::string showOpen(const std::string& folder, const std::string& filter, const std::string& fileName) override {
    calls.push_back({false, folder, filter, fileName});
    return choice;
  }
  std::string showSave(const std::string& folder, const std::string& filter, const std::string& fileName) override {
    calls.push_back({true, folder, filter, fileName});
    return choice;
  }
  std::string choice;
  std::vector<Call> calls;
};

// The manager's own window as the Qt window behaves: close() asks the close handler, and
// once the window has closed the logic is unloaded.
class ClosingWindow final : public ui::Window {
 public:
  void setOuterSize(int, int) override {}
  void moveUp(int) override {}
  void setEnabled(bool on) override { enabled_ = on; }
  bool enabled() const override { return enabled_; }
  void close() override {
    if (mayClose()) {
      ++closes;
      unload();
    }
  }
  std::function<bool()> mayClose;
  std::function<void()> unload;
  int closes = 0;

 private:
  bool enabled_ = true;
};

class Form5Test : public ::testing::Test {
 protected:
  Form5Test() {
    // "未命名.lst" is saved into the current folder: make that the test's folder.
    oldFolder_ = fs::current_path();
    fs::current_path(dir.path());
    window.mayClose = [this] { return form.closeRequested(); };
    window.unload = [this] { form.unload(); };
    form.load();
  }
  ~Form5Test() override { fs::current_path(oldFolder_); }

  static void press(ui::Button& button, const std::function<void()>& command) {
    if (button.enabled()) command();
  }
  // Runs `command` with `chosen` as the answer to its file dialog ("" cancels).
  void choosing(const std::string& chosen, ui::Button& button, void (Form5::*command)()) {
    dialog.choice = chosen;
    press(button, [this, command] { (form.*command)(); });
    dialog.choice.clear();
  }
  void open(const std::string& chosen) { choosing(chosen, Command1, &Form5::openCommand); }
  void newList() {
    press(Command2, [this] { form.newCommand(); });
  }
  void save() {
    press(Command3, [this] { form.saveCommand(); });
  }
  void saveAs(const std::string& chosen) { choosing(chosen, Command6, &Form5::saveAsCommand); }
  void add(const std::string& chosen) { choosing(chosen, Command4, &Form5::addCommand); }
  void remove() {
    press(Command5, [this] { form.deleteCommand(); });
  }
  void exit() {
    press(Command7, [this] { form.exitCommand(); });
  }
  // The close box: the window closes when the logic allows it.
  void closeBox() {
    if (form.closeRequested()) {
      ++window.closes;
      form.unload();
    }
  }

  // Enabled states in window order: Open New Save SaveAs Add Delete Exit.
  std::string buttons() const {
    std::string states;
    for (const auto* button : {&Command1, &Command2, &Command3, &Command6, &Command4, &Command5, &Command7})
      states += button->enabled() ? '1' : '0';
    return states;
  }
  fs::path listFile(const std::string& name, const std::string& bytes) const {
    writeBytes(dir / name, bytes);
    return dir / name;
  }
  std::string untitledShown() const { return (dir / Form5::kUntitled).string(); }

  test::TempFolder dir;
  test::Focus focus;
  test::FakeListBox List1;
  test::FakeButton Command1{focus, "Command1", "打开"};
  test::FakeButton Command2{focus, "Command2", "新建"};
  test::FakeButton Command3{focus, "Command3", "保存"};
  test::FakeButton Command6{focus, "Command6", "另存"};
  test::FakeButton Command4{focus, "Command4", "增加"};
  test::FakeButton Command5{focus, "Command5", "删除"};
  test::FakeButton Command7{focus, "Command7", "退出"};
  test::FakeStatusBar StatusBar1;
  ChoosingDialog dialog;
  test::FakeMessageBox messages;
  test::FakeWindow mainWindow;
  ClosingWindow window;
  Form5 form{{List1, Command1, Command2, Command3, Command6, Command4, Command5, Command7, StatusBar1, dialog, messages,
              mainWindow, window},
             dir.path()};

 private:
  fs::path oldFolder_;
};

TEST_F(Form5Test, LoadDisablesTheMainWindowAndTheListButtonsUntilNew) {
  EXPECT_FALSE(mainWindow.enabled());
  EXPECT_EQ(buttons(), "1100001");
  newList();
  EXPECT_EQ(buttons(), "1111111");
  EXPECT_EQ(form.listPath(), "未命名.lst");
  EXPECT_EQ(StatusBar1.panelText("one"), "未命名.lst");
  EXPECT_EQ(StatusBar1.panelText("two"), "");
  exit();
  EXPECT_EQ(window.closes, 1);
  EXPECT_TRUE(mainWindow.enabled());
}

TEST_F(Form5Test, NewAddThreeSaveWritesUntitledInTheCurrentFolder) {
  newList();
  for (const char* name : {"/听力/一.mp3", "/听力/二.mp3", "/听力/第 三.mp3"}) add(name);
  EXPECT_EQ(form.listChanged(), 1);
  EXPECT_EQ(List1.selected(), 2);
  save();
  EXPECT_EQ(readBytes(dir / "未命名.lst"), utf8ToGb18030("/听力/一.mp3\r\n/听力/二.mp3\r\n/听力/第 三.mp3\r\n"));
  EXPECT_EQ(form.listChanged(), 0);
  EXPECT_EQ(StatusBar1.panelText("one"), "未命名.lst");   // Save changes neither panel nor path
  EXPECT_EQ(readLastFolder(dir / "path.ini"), "/听力/");  // from the last Add
  exit();
  EXPECT_TRUE(messages.shown().empty());
  EXPECT_EQ(window.closes, 1);
}

TEST_F(Form5Test, DialogsStartInTheRememberedFolderWithTheirFilters) {
  newList();
  add("");  // no path.ini yet: the dialog's own default folder
  writeBytes(dir / "path.ini", "  /my voice/  \r\n/other/\r\n");
  add("/v/a.mp3");
  add("/w/b.mp3");
  saveAs("");
  messages.answer(Answer::No);
  open("");
  const auto& calls = dialog.calls;
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].initialFolder, "");
  EXPECT_EQ(calls[1].initialFolder, "  /my voice/  ");  // taken unchanged
  EXPECT_EQ(calls[2].initialFolder, "/v/");             // rewritten by the Add before
  EXPECT_EQ(calls[3].initialFolder, "/w/");
  EXPECT_EQ(readBytes(dir / "path.ini"), "/w/\r\n");
  for (int i : {0, 1, 2}) EXPECT_EQ(calls[i].filter, kAudioFilter);
  EXPECT_TRUE(calls[3].save);
  EXPECT_EQ(calls[3].filter, kListFilter);
  EXPECT_FALSE(calls[4].save);
  EXPECT_EQ(calls[4].filter, kListFilter);
  for (const auto& call : calls) EXPECT_EQ(call.fileName, "");
}

TEST_F(Form5Test, MixedListsAreRefusedAndNothingIsWritten) {
  const Entries pairs[][2] = {
      {{"/v/a.wav"}, {"/v/b.mp3"}},
      {{"/v/a.ra"}, {"/v/b.ram"}},
      {{"/v/a.wav"}, {"/v/b.WAV"}},
  };
  for (const auto& pair : pairs) {
    newList();  // the prompt of the previous round: No
    messages = {};
    add(pair[0][0]);
    add(pair[1][0]);
    save();
    saveAs(dir / "as.lst");
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0], kMixedList);
    EXPECT_EQ(messages.shown()[1], kMixedList);
    EXPECT_FALSE(fs::exists(dir / "未命名.lst"));
    EXPECT_FALSE(fs::exists(dir / "as.lst"));
    EXPECT_EQ(form.listChanged(), 1);
    messages = {};
    messages.answer(Answer::No);
  }
  exit();  // still changed: asks
  EXPECT_EQ(messages.shown(), Entries{kAskSave});
}

TEST_F(Form5Test, AnEmptyListIsRefusedBeforeAnyDialog) {
  newList();
  save();
  saveAs(dir / "as.lst");
  EXPECT_EQ(messages.shown(), (Entries{kEmptyList, kEmptyList}));
  EXPECT_TRUE(dialog.calls.empty());
  EXPECT_FALSE(fs::exists(dir / "未命名.lst"));
  EXPECT_EQ(form.listPath(), "未命名.lst");
}

TEST_F(Form5Test, DeleteRemovesTheSelectedEntryAndSelectsItsSuccessor) {
  const struct {
    int entries;
    int selectedBefore;
    Entries after;
    int selectedAfter;
    bool message;
  } rows[] = {
      {3, 2, {"a", "b"}, 1, false},  // the last: the new last entry
      {3, 0, {"b", "c"}, 0, false},  // the first: the one that was second
      {3, 1, {"a", "c"}, 1, false}, {3, -1, {"a", "b", "c"}, -1, true}, {1, 0, {}, -1, false}, {0, -1, {}, -1, true},
  };
  for (const auto& row : rows) {
    const std::string all[] = {"a", "b", "c"};
    std::string bytes;
    for (int i = 0; i < row.entries; ++i) bytes += all[i] + "\r\n";
    open(listFile("three.lst", bytes));
    messages = {};
    ASSERT_EQ(List1.count(), row.entries);
    List1.select(row.selectedBefore);
    remove();
    EXPECT_EQ(List1.items(), row.after) << row.entries << " " << row.selectedBefore;
    EXPECT_EQ(List1.selected(), row.selectedAfter) << row.entries << " " << row.selectedBefore;
    EXPECT_EQ(messages.shown(), row.message ? Entries{kNothingSelected} : Entries{});
    EXPECT_EQ(form.listChanged(), row.message ? 0 : 1);
    // Leave the list for the next row without saving.
    messages = {};
    if (form.listChanged() == 1) messages.answer(Answer::No);
  }
}

TEST_F(Form5Test, AddStopsAtOneHundredTwentyEntriesAndDeleteEnablesItAgain) {
  newList();
  for (int i = 1; i < 120; ++i) add("/v/" + std::to_string(i) + ".mp3");
  EXPECT_TRUE(Command4.enabled());
  add("");  // cancelled at 119: still enabled, the last entry selected
  EXPECT_TRUE(Command4.enabled());
  EXPECT_EQ(List1.selected(), 118);
  add("/v/120.mp3");
  EXPECT_EQ(List1.count(), 120);
  EXPECT_FALSE(Command4.enabled());
  add("/v/121.mp3");  // the button ignores the click
  EXPECT_EQ(List1.count(), 120);
  List1.select(0);
  remove();
  EXPECT_TRUE(Command4.enabled());
  save();
  Entries back;
  ASSERT_TRUE(readListForEditing(dir / "未命名.lst", back).ok);
  EXPECT_EQ(back.size(), 119u);
  EXPECT_EQ(back.front(), "/v/2.mp3");
}

TEST_F(Form5Test, OpenShowsALongListWholeAndSavesItWhole) {
  std::string bytes;
  for (int i = 1; i <= 130; ++i) bytes += "/v/" + std::to_string(i) + ".mp3\r\n";
  const fs::path file = listFile("long.lst", bytes);
  open(file);
  EXPECT_EQ(List1.count(), 130);
  EXPECT_EQ(List1.selected(), 0);
  EXPECT_EQ(buttons(), "1111011");  // Add stays disabled
  EXPECT_EQ(form.listChanged(), 0);
  EXPECT_EQ(form.listPath(), file.string());
  EXPECT_EQ(StatusBar1.panelText("one"), file.string());
  EXPECT_EQ(readLastFolder(dir / "path.ini"), dir.path().string() + "/");
  List1.select(129);
  remove();
  EXPECT_FALSE(Command4.enabled());  // 129 entries: still at or above the limit
  save();
  EXPECT_EQ(readBytes(file), bytes.substr(0, bytes.rfind("/v/130")));
}

TEST_F(Form5Test, OpenKeepsEntriesAsWrittenAndSaveWritesThemBackUnchanged) {
  const std::string gbk = utf8ToGb18030("  /听力/一.mp3  \r\n/听力/二.mp3 \r\n");
  const std::string utf8 = "/听力/一.mp3\r\n  /听力/二.mp3\r\n";
  for (const std::string& bytes : {gbk, utf8}) {
    const fs::path file = listFile("kept.lst", bytes);
    open(file);
    EXPECT_EQ(List1.items(), parseListForEditing(bytes));
    EXPECT_EQ(List1.item(0).back() == ' ', bytes == gbk);
    save();
    EXPECT_EQ(readBytes(file), bytes);  // same entries, same encoding
  }
}

TEST_F(Form5Test, CancellingTheAddDialogStillSelectsTheLastEntry) {
  open(listFile("three.lst", "a.mp3\r\nb.mp3\r\nc.mp3\r\n"));
  EXPECT_EQ(List1.selected(), 0);
  add("");
  EXPECT_EQ(List1.selected(), 2);
  EXPECT_EQ(form.listChanged(), 0);
  EXPECT_EQ(List1.count(), 3);
}

TEST_F(Form5Test, TheSavePromptOfOpenNewAndExit) {
  enum class Operation { Open, New, Exit };
  const struct {
    Operation operation;
    Answer answer;
    bool saved;
    bool wentOn;
  } rows[] = {
      {Operation::Open, Answer::Yes, true, true},      {Operation::Open, Answer::No, false, true},
      {Operation::Open, Answer::Cancel, false, false}, {Operation::New, Answer::Yes, true, true},
      {Operation::New, Answer::No, false, true},       {Operation::New, Answer::Cancel, false, false},
      {Operation::Exit, Answer::Yes, true, true},      {Operation::Exit, Answer::No, false, true},
      {Operation::Exit, Answer::Cancel, false, false},
  };
  const fs::path other = listFile("other.lst", "/o/x.mp3\r\n");
  for (const auto& row : rows) {
    const std::string label = std::to_string(static_cast<int>(row.operation)) + "/" +
                              std::to_string(static_cast<int>(row.answer));
    const fs::path file = listFile("edited.lst", "/v/a.mp3\r\n");
    window.closes = 0;
    if (form.listChanged() == 1) messages.answer(Answer::No);  // left changed by the row before
    open(file);
    add("/v/b.mp3");
    ASSERT_EQ(form.listChanged(), 1);
    messages = {};
    messages.answer(row.answer);
    switch (row.operation) {
      case Operation::Open: open(other); break;
      case Operation::New: newList(); break;
      case Operation::Exit: exit(); break;
    }
    EXPECT_EQ(messages.shown(), Entries{kAskSave}) << label;
    EXPECT_EQ(readBytes(file), row.saved ? "/v/a.mp3\r\n/v/b.mp3\r\n" : "/v/a.mp3\r\n") << label;
    const Entries edited{"/v/a.mp3", "/v/b.mp3"};
    switch (row.operation) {
      case Operation::Open: EXPECT_EQ(List1.items(), row.wentOn ? Entries{"/o/x.mp3"} : edited) << label; break;
      case Operation::New: EXPECT_EQ(List1.items(), row.wentOn ? Entries{} : edited) << label; break;
      case Operation::Exit:
        EXPECT_EQ(window.closes, row.wentOn ? 1 : 0) << label;
        EXPECT_EQ(mainWindow.enabled(), row.wentOn) << label;
        EXPECT_EQ(List1.items(), edited) << label;
        if (row.wentOn) form.load();  // shown again for the next row
        break;
    }
    EXPECT_EQ(form.listChanged(), row.wentOn || row.saved ? 0 : 1) << label;
    if (!row.wentOn) {
      EXPECT_EQ(form.listPath(), file.string()) << label;
    }
  }
}

TEST_F(Form5Test, YesAtThePromptGoesOnAfterAListIsRefused) {
  newList();
  add("/v/a.wav");
  add("/v/b.mp3");
  messages.answer(Answer::Yes);
  exit();
  EXPECT_EQ(messages.shown(), (Entries{kAskSave, kMixedList}));
  EXPECT_EQ(window.closes, 1);
  EXPECT_FALSE(fs::exists(dir / "未命名.lst"));
}

TEST_F(Form5Test, TheCloseBoxAsksTheSavePromptWhenTheListChanged) {
  newList();
  closeBox();  // nothing changed: closes without asking
  EXPECT_EQ(window.closes, 1);
  EXPECT_TRUE(messages.shown().empty());
  EXPECT_TRUE(mainWindow.enabled());

  form.load();
  newList();
  add("/v/a.mp3");
  messages.answer(Answer::Cancel);
  closeBox();
  EXPECT_EQ(window.closes, 1);
  EXPECT_FALSE(mainWindow.enabled());
  EXPECT_EQ(List1.items(), Entries{"/v/a.mp3"});
  EXPECT_EQ(form.listChanged(), 1);

  messages.answer(Answer::Yes);
  closeBox();
  EXPECT_EQ(window.closes, 2);
  EXPECT_EQ(readBytes(dir / "未命名.lst"), "/v/a.mp3\r\n");
  EXPECT_EQ(messages.shown(), (Entries{kAskSave, kAskSave}));
}

TEST_F(Form5Test, ExitAsksOnceThoughItsCloseRunsTheCloseHandler) {
  newList();
  add("/v/a.mp3");
  messages.answer(Answer::No);
  exit();
  EXPECT_EQ(messages.shown(), Entries{kAskSave});
  EXPECT_EQ(window.closes, 1);
  EXPECT_TRUE(mainWindow.enabled());
  EXPECT_FALSE(fs::exists(dir / "未命名.lst"));
}

TEST_F(Form5Test, ASaveThatCannotBeWrittenSaysSoAndKeepsTheChanges) {
  fs::create_directory(dir / "未命名.lst");  // in the way of the file
  const std::string cannotWrite = "保存失败,无法写入文件:" + untitledShown();
  newList();
  add("/v/a.mp3");
  save();
  EXPECT_EQ(messages.shown(), Entries{cannotWrite});
  EXPECT_EQ(form.listChanged(), 1);

  // Yes at the prompt with a save that fails: the window stays open with the list.
  messages = {};
  messages.answer(Answer::Yes);
  exit();
  messages.answer(Answer::Yes);
  closeBox();
  messages.answer(Answer::Yes);
  newList();
  EXPECT_EQ(messages.shown(), (Entries{kAskSave, cannotWrite, kAskSave, cannotWrite, kAskSave, cannotWrite}));
  EXPECT_EQ(window.closes, 0);
  EXPECT_FALSE(mainWindow.enabled());
  EXPECT_EQ(List1.items(), Entries{"/v/a.mp3"});
  EXPECT_EQ(form.listChanged(), 1);

  // Save As somewhere that cannot be written: the list keeps its name.
  messages = {};
  writeBytes(dir / "plain", "x");
  const std::string under = (dir / "plain" / "b.lst").string();
  saveAs(under);
  EXPECT_EQ(messages.shown(), Entries{"保存失败,无法写入文件:" + under});
  EXPECT_EQ(form.listPath(), "未命名.lst");
  EXPECT_EQ(StatusBar1.panelText("one"), "未命名.lst");
  EXPECT_EQ(form.listChanged(), 1);

  // Somewhere writable: saved, and it is the list's file from now on.
  saveAs((dir / "good.lst").string());
  EXPECT_EQ(readBytes(dir / "good.lst"), "/v/a.mp3\r\n");
  EXPECT_EQ(form.listPath(), (dir / "good.lst").string());
  EXPECT_EQ(StatusBar1.panelText("one"), (dir / "good.lst").string());
  EXPECT_EQ(form.listChanged(), 0);
  add("/v/b.mp3");
  save();
  EXPECT_EQ(readBytes(dir / "good.lst"), "/v/a.mp3\r\n/v/b.mp3\r\n");
}

TEST_F(Form5Test, OpeningAListThatCannotBeReadChangesNothing) {
  open(listFile("first.lst", "/v/a.mp3\r\n"));
  writeBytes(dir / "path.ini", "/remembered/\r\n");
  fs::create_directory(dir / "folder.lst");
  for (const fs::path& bad : {dir / "missing.lst", dir / "folder.lst"}) {
    messages = {};
    open(bad);
    EXPECT_EQ(messages.shown(), Entries{"打开失败,无法读取文件:" + bad.string()});
    EXPECT_EQ(List1.items(), Entries{"/v/a.mp3"});
    EXPECT_EQ(form.listPath(), (dir / "first.lst").string());
    EXPECT_EQ(StatusBar1.panelText("one"), (dir / "first.lst").string());
    EXPECT_EQ(readLastFolder(dir / "path.ini"), "/remembered/");
  }
}

}  // namespace
}  // namespace tessaly
