// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's logic where the user could lose what they typed or be left without a
// word: a save that fails before another file opens, a file that cannot play, the recovery
// copies a crash left, and leaving on a signal.
#include <gtest/gtest.h>

#include "Form1Rig.h"
#include "support/MemoryFolder.h"
#include "text/Encoding.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using Answer = ui::MessageBox::Answer;

class Form1SafetyTest : public ::testing::Test {
 protected:
  Form1SafetyTest() {
    rig.form->keepRecoveryCopies(recovery, *recoveryTimer);
    rig.start();
  }
  // Makes the dictation of `audio` impossible to save: a folder stands where its file goes.
  void blockSaving(const std::string& audio) {
    const fs::path text = DictationStore::dictationPath(audio);
    fs::remove(text);
    fs::create_directory(text);
  }
  std::size_t saidContaining(const std::string& part) const {
    std::size_t n = 0;
    for (const auto& text : rig.messages.shown()) n += text.find(part) != std::string::npos;
    return n;
  }

  // The keeper's timer and folder outlive the window's logic that uses them.
  ManualClock recoveryClock;
  std::unique_ptr<ManualTimer> recoveryTimer = recoveryClock.makeTimer();
  MemoryFolder recovery;
  Form1Rig rig;
};

TEST_F(Form1SafetyTest, AFailedSaveAsksBeforeAnotherFileOpensAndKeepsTheTextInItsCopy) {
  const std::string first = rig.audio("first.mp3");
  const std::string second = rig.audio("second.mp3");
  for (const Answer answer : {Answer::No, Answer::Cancel, Answer::Yes}) {
    rig.open(first);
    blockSaving(first);
    rig.text1.type("没保存的字");
    const std::size_t dialogs = rig.dialog.calls().size();
    rig.messages.answer(answer);
    const bool goesOn = answer == Answer::Yes;
    if (goesOn) rig.dialog.answer(second);
    rig.form->openFileCommand();
    EXPECT_EQ(rig.dialog.calls().size(), dialogs + (goesOn ? 1 : 0));
    EXPECT_EQ(rig.label(2).caption(), goesOn ? second : first);
    EXPECT_EQ(rig.text1.text().find("没保存的字") != std::string::npos, !goesOn);
    EXPECT_TRUE(recovery.files.contains(recoveryName(DictationStore::dictationPath(first))))
        << "whatever the answer, the text is in its copy";
    fs::remove(DictationStore::dictationPath(first));
    recovery.files.clear();
  }
}

TEST_F(Form1SafetyTest, AFileThatCannotPlaySaysSoOncePerStart) {
  const struct {
    const char* name;
    bool known;  // to the simulated devices
  } cases[] = {{"lost.mp3", false}, {"lost.wav", false}, {"fine.mp3", true}, {"fine.wav", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = c.known ? rig.audio(c.name) : (rig.appPath / "voice" / c.name).string();
    const std::size_t before = rig.messages.shown().size();
    rig.open(path);
    rig.clock.advance(3000);  // the tracking timers tell nothing more
    ASSERT_EQ(rig.messages.shown().size(), before + (c.known ? 0 : 1));
    if (c.known) continue;
    EXPECT_EQ(rig.messages.shown().back(),
              "无法播放这个语音文件：\n" + path + "\n文件不存在（可能已被删除、改名或移走）。");
    // The window still shows what the logic says of a started file.
    EXPECT_EQ(rig.form->variables().repeatState, RepeatState::Listening);
  }
}

TEST_F(Form1SafetyTest, CopiesACrashLeftAreOfferedAtStart) {
  const std::string audio = rig.audio("lesson.mp3");
  const std::string dictation = DictationStore::dictationPath(audio);
  const std::string other = rig.audio("saved.mp3");
  writeBytes(DictationStore::dictationPath(other), utf8ToGb18030("都保存了\r\n"));
  recovery.files[recoveryName(DictationStore::dictationPath(other))] = encodeRecovery(
      {DictationStore::dictationPath(other), other, "都保存了\r\n"});

  for (const Answer answer : {Answer::No, Answer::Yes}) {
    recovery.files[recoveryName(dictation)] = encodeRecovery({dictation, audio, "崩溃前打的字"});
    rig.messages.answer(answer);
    const std::size_t before = rig.messages.shown().size();
    rig.form->offerRecoveryCopies();
    EXPECT_EQ(rig.messages.shown().size(), before + 1) << "one question: the saved copy goes silently";
    EXPECT_FALSE(recovery.files.contains(recoveryName(DictationStore::dictationPath(other))));
    if (answer == Answer::No) {
      EXPECT_FALSE(recovery.files.contains(recoveryName(dictation)));
      EXPECT_EQ(rig.label(2).caption(), DictationStore::noFileCaption);
      continue;
    }
    EXPECT_EQ(rig.label(2).caption(), audio);
    EXPECT_EQ(rig.text1.text(), "崩溃前打的字") << "restored without a second question";
    EXPECT_TRUE(rig.stream.playing());
  }
}

TEST_F(Form1SafetyTest, TheCopyOfARecordingOpenedAtStartIsOfferedOnce) {
  // The program started with the recording named, its dictation still on its way when the
  // start's offer runs: one question, when the dictation arrives, and 是 restores the text.
  for (const Answer answer : {Answer::Yes, Answer::No}) {
    SCOPED_TRACE(answer == Answer::Yes ? "是" : "否");
    MemoryFolder copies;
    const auto timer = recoveryClock.makeTimer();
    Form1Rig own;
    HeldReader reader;
    own.form->useFileReader(reader);
    own.form->keepRecoveryCopies(copies, *timer);
    own.start();
    const std::string audio = own.audio("lesson.mp3");
    const std::string dictation = DictationStore::dictationPath(audio);
    copies.files[recoveryName(dictation)] = encodeRecovery({dictation, audio, "崩溃前打的字"});
    own.open(audio);
    own.messages.answer(answer);
    own.form->offerRecoveryCopies();
    EXPECT_TRUE(own.messages.shown().empty()) << "its dictation is not in yet: its opening asks";
    for (std::size_t k = 0; k < reader.held.size(); ++k) reader.answer(k);
    ASSERT_EQ(own.messages.shown().size(), 1u);
    EXPECT_NE(own.messages.shown()[0].find("这个语音文件有上次没有保存的听写内容"), std::string::npos);
    EXPECT_EQ(own.text1.text(), answer == Answer::Yes ? "崩溃前打的字" : "");
    EXPECT_EQ(copies.files.contains(recoveryName(dictation)), answer == Answer::Yes);
  }
}

TEST_F(Form1SafetyTest, LeavingNowSavesWithoutAQuestionOrKeepsTheCopy) {
  for (const bool saveable : {true, false}) {
    SCOPED_TRACE(saveable ? "saveable" : "folder in the way");
    MemoryFolder copies;
    const auto timer = recoveryClock.makeTimer();
    Form1Rig own;
    own.form->keepRecoveryCopies(copies, *timer);
    own.start();
    const std::string audio = own.audio("lesson.wav");
    own.open(audio);
    if (!saveable) blockSaving(audio);
    own.text1.type("最后几个字");
    own.form->leaveNow();
    EXPECT_EQ(own.window.closes, 1);
    EXPECT_TRUE(own.messages.shown().empty());
    EXPECT_FALSE(own.mci.isOpen());
    const std::string dictation = DictationStore::dictationPath(audio);
    if (saveable) {
      EXPECT_EQ(decodeText(readBytes(dictation)).utf8, "最后几个字");
    }
    EXPECT_EQ(copies.files.contains(recoveryName(dictation)), !saveable);
    EXPECT_TRUE(own.form->queryClose()) << "the close that follows asks nothing";
  }
}

}  // namespace
}  // namespace tessaly::test
