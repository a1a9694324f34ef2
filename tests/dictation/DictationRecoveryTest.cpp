// SPDX-License-Identifier: GPL-3.0-or-later
// The dictation store with its recovery copies: a copy left from a crash is offered back on
// load, a failed save keeps the text in one, a file with invalid bytes is told and its
// original kept before the first save.
#include <gtest/gtest.h>

#include "dictation/DictationStore.h"
#include "support/FakeControls.h"
#include "support/ManualClock.h"
#include "support/MemoryFolder.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using Answer = ui::MessageBox::Answer;

class DictationRecoveryTest : public ::testing::Test {
 protected:
  DictationRecoveryTest() { store.keepRecoveryCopies(&keeper); }
  void open(const fs::path& audio) {
    recording.set(audio.string());
    store.loadDictationText();
  }
  void leaveCopy(const fs::path& dictation, const std::string& text) {
    folder.files[recoveryName(dictation.string())] = encodeRecovery({dictation.string(), "", text});
  }
  bool hasCopy(const fs::path& dictation) const { return folder.files.contains(recoveryName(dictation.string())); }

  TempFolder temp;
  ManualClock clock;
  Focus focus;
  FakeTextBox text1{focus, "Text1"};
  FakeLabel label2;
  CurrentRecording recording{label2};
  FakeMessageBox messages;
  std::unique_ptr<ManualTimer> timer = clock.makeTimer();
  MemoryFolder folder;
  RecoveryKeeper keeper{text1, *timer, folder};
  DictationStore store{text1, recording, messages};
};

TEST_F(DictationRecoveryTest, ACopyLeftByACrashIsOfferedOnLoad) {
  const struct {
    const char* what;
    std::optional<Answer> answer;  // nullopt: no question expected
    const char* fileText;
    const char* boxAfter;
    bool copyAfter;
  } cases[] = {
      {"yes restores it", Answer::Yes, "旧的\r\n", "旧的\r\n新打的", true},
      {"no discards it", Answer::No, "旧的\r\n", "旧的\r\n", false},
      {"cancel leaves both alone", Answer::Cancel, "旧的\r\n", "旧的\r\n", true},
      {"a copy equal to the file goes without a word", std::nullopt, "旧的\r\n新打的", "旧的\r\n新打的\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeBytes(temp / "lesson.txt", utf8ToGb18030(c.fileText));
    // A copy equal to the file compares with the text as loaded (every line ends in CR LF).
    leaveCopy(temp / "lesson.txt", c.answer ? "旧的\r\n新打的" : "旧的\r\n新打的\r\n");
    if (c.answer) messages.answer(*c.answer);
    const std::size_t shownBefore = messages.shown().size();
    open(temp / "lesson.mp3");
    EXPECT_EQ(messages.shown().size(), shownBefore + (c.answer ? 1 : 0));
    EXPECT_EQ(text1.text(), c.boxAfter);
    clock.advance(RecoveryKeeper::kDelayMs);
    EXPECT_EQ(hasCopy(temp / "lesson.txt"), c.copyAfter);
    EXPECT_EQ(decodeText(readBytes(temp / "lesson.txt")).utf8, c.fileText) << "the file is written only by a save";
  }
  // The restored text is saved as typed text is, and its copy then goes.
  writeBytes(temp / "lesson.txt", utf8ToGb18030("旧的\r\n"));
  leaveCopy(temp / "lesson.txt", "旧的\r\n新打的");
  messages.answer(Answer::Yes);
  open(temp / "lesson.mp3");
  EXPECT_TRUE(store.saveDictationText());
  EXPECT_EQ(decodeText(readBytes(temp / "lesson.txt")).utf8, "旧的\r\n新打的");
  EXPECT_FALSE(hasCopy(temp / "lesson.txt"));
}

TEST_F(DictationRecoveryTest, AFailedSaveKeepsTheTextInItsCopyAtOnce) {
  open(temp / "lesson.mp3");
  fs::remove(temp / "lesson.txt");
  fs::create_directory(temp / "lesson.txt");  // a folder where the text file should be
  text1.type("写了一半");
  EXPECT_FALSE(store.saveDictationText());
  ASSERT_TRUE(hasCopy(temp / "lesson.txt")) << "kept before the timer's turn";
  EXPECT_EQ(keeper.copyFor((temp / "lesson.txt").string())->text, "写了一半");
  EXPECT_EQ(keeper.copyFor((temp / "lesson.txt").string())->audioPath, (temp / "lesson.mp3").string());
}

TEST_F(DictationRecoveryTest, InvalidBytesAreToldAndTheOriginalIsKeptBeforeTheFirstSave) {
  const std::string original = utf8ToGb18030("听写") + "\xFF\xFE" + utf8ToGb18030("内容\r\n");
  writeBytes(temp / "lesson.txt", original);
  open(temp / "lesson.mp3");
  ASSERT_EQ(messages.shown().size(), 1u);
  EXPECT_NE(messages.shown()[0].find("2 个字节"), std::string::npos) << messages.shown()[0];
  EXPECT_NE(messages.shown()[0].find("lesson.txt.orig"), std::string::npos);
  EXPECT_FALSE(fs::exists(temp / "lesson.txt.orig")) << "nothing is written before a save";

  text1.type("再写");
  ASSERT_TRUE(store.saveDictationText());
  EXPECT_EQ(readBytes(temp / "lesson.txt.orig"), original);
  EXPECT_NE(readBytes(temp / "lesson.txt"), original);

  // A later load with invalid bytes never overwrites the original kept first.
  writeBytes(temp / "lesson.txt", "\x81");
  open(temp / "lesson.mp3");
  ASSERT_TRUE(store.saveDictationText());
  EXPECT_EQ(readBytes(temp / "lesson.txt.orig"), original);

  // An original that cannot be kept refuses the save, which would change the bytes.
  writeBytes(temp / "other.txt", "\x81\x20");
  open(temp / "other.mp3");
  fs::create_directory(temp / "other.txt.orig");  // a folder in its way
  text1.type("改了");
  EXPECT_FALSE(store.saveDictationText());
  EXPECT_EQ(readBytes(temp / "other.txt"), "\x81\x20");
  EXPECT_NE(messages.shown().back().find("other.txt.orig"), std::string::npos);
  EXPECT_TRUE(hasCopy(temp / "other.txt"));
}

}  // namespace
}  // namespace tessaly::test
