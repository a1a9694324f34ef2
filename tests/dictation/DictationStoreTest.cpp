// SPDX-License-Identifier: GPL-3.0-or-later
#include "dictation/DictationStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "support/FakeControls.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

class DictationStoreTest : public ::testing::Test {
 protected:
  // What openFileCommand does around the store: Label2 names the file, then its text loads.
  void open(const fs::path& audio) {
    recording.set(audio.string());
    store.loadDictationText();
  }
  bool told(const std::string& part) const {
    for (const auto& text : messages.shown())
      if (text.find(part) != std::string::npos) return true;
    return false;
  }

  test::TempFolder folder;
  test::Focus focus;
  test::FakeTextBox text1{focus, "Text1"};
  test::FakeLabel label2;
  CurrentRecording recording{label2};
  test::FakeMessageBox messages;
  DictationStore store{text1, recording, messages};
  const std::vector<std::string> savedOnly{std::string(DictationStore::savedMessage)};
};

TEST(DictationPath, ReplacesTheExtensionByTxt) {
  const struct {
    const char* audio;
    const char* text;
  } cases[] = {
      {"/home/li/voice/lesson1.mp3", "/home/li/voice/lesson1.txt"},
      {"/home/li/voice/lesson1.wav", "/home/li/voice/lesson1.txt"},  // shares lesson1.txt
      {"  /voice/a.b.mp3 ", "/voice/a.b.txt"},                       // spaces trimmed, last dot
      {"/home/li/voice/lesson", "txt"},                              // no dot: no folder either
      {"/home/li.wang/lesson", "/home/li.txt"},                      // the last dot of the path
      {"/voice/听力 第一课.rm", "/voice/听力 第一课.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(DictationStore::dictationPath(c.audio), c.text) << c.audio;
}

TEST_F(DictationStoreTest, SavingBeforeAnyFileWasOpenedWritesNothingButConfirms) {
  // Label2 still says no file is current; its dictation path would be "txt" here.
  const fs::path before = fs::current_path();
  fs::current_path(folder.path());
  text1.setText("使用说明：按 Alt+F 打开语音文件。");
  EXPECT_TRUE(store.saveDictationText());
  store.saveTextCommand();
  fs::current_path(before);

  EXPECT_EQ(folder.entries(), 0);
  EXPECT_EQ(messages.shown(), savedOnly);
  EXPECT_EQ(focus.owner, "Text1");
}

TEST_F(DictationStoreTest, FirstOpenCreatesAnEmptyTextFileAndEmptiesTheBox) {
  text1.setText("使用说明");
  open(folder / "lesson1.mp3");
  ASSERT_TRUE(fs::is_regular_file(folder / "lesson1.txt"));
  EXPECT_EQ(fs::file_size(folder / "lesson1.txt"), 0u);
  EXPECT_EQ(text1.text(), "");
  EXPECT_TRUE(messages.shown().empty());
}

TEST_F(DictationStoreTest, LoadedLinesEachEndInCrLf) {
  const struct {
    const char* file;
    const char* box;
  } cases[] = {
      {"", ""},
      {"abc", "abc\r\n"},
      {"abc\r\ndef\r\n", "abc\r\ndef\r\n"},  // no second line end
      {"a\rb", "a\r\nb\r\n"},                // the file's own line rule
  };
  for (const auto& c : cases) {
    writeBytes(folder / "lesson1.txt", c.file);
    open(folder / "lesson1.mp3");
    EXPECT_EQ(text1.text(), c.box) << c.file;
  }
}

TEST_F(DictationStoreTest, TextIsSavedByteForByteAndStableOverSaveAndLoad) {
  open(folder / "lesson1.mp3");
  text1.setText("abc\r\ndef");
  ASSERT_TRUE(store.saveDictationText());
  EXPECT_EQ(readBytes(folder / "lesson1.txt"), "abc\r\ndef");  // the 8 bytes, nothing added

  open(folder / "lesson1.mp3");
  EXPECT_EQ(text1.text(), "abc\r\ndef\r\n");
  for (int cycle = 0; cycle < 3; ++cycle) {
    ASSERT_TRUE(store.saveDictationText());
    EXPECT_EQ(readBytes(folder / "lesson1.txt"), "abc\r\ndef\r\n");
    open(folder / "lesson1.mp3");
    EXPECT_EQ(text1.text(), "abc\r\ndef\r\n");
  }
}

TEST_F(DictationStoreTest, NothingPastThe201stLineIsLost) {
  std::string file;
  for (int line = 1; line <= 300; ++line) file += "第" + std::to_string(line) + "行\r\n";
  const std::string bytes = utf8ToGb18030(file);
  writeBytes(folder / "long.txt", bytes);

  open(folder / "long.mp3");
  EXPECT_EQ(text1.text(), file);  // the whole file is shown
  ASSERT_TRUE(store.saveDictationText());
  EXPECT_EQ(readBytes(folder / "long.txt"), bytes);
}

TEST_F(DictationStoreTest, WritesBackInTheEncodingTheFileWasReadIn) {
  const struct {
    std::string file;       // bytes on disk before
    std::string afterSave;  // bytes on disk after adding 再见 to the box
  } cases[] = {
      {"\xC4\xE3\xBA\xC3\r\n", "\xC4\xE3\xBA\xC3\r\n\xD4\xD9\xBC\xFB"},  // GBK 你好, 再见
      {"你好\r\n", "你好\r\n再见"},                                      // a user's UTF-8 file
      {"\xEF\xBB\xBF你好\r\n", "\xEF\xBB\xBF你好\r\n再见"},              // ... with a BOM
  };
  for (const auto& c : cases) {
    writeBytes(folder / "a.txt", c.file);
    open(folder / "a.mp3");
    ASSERT_EQ(text1.text(), "你好\r\n");
    text1.setText(text1.text() + "再见");
    ASSERT_TRUE(store.saveDictationText());
    EXPECT_EQ(readBytes(folder / "a.txt"), c.afterSave);
  }
}

TEST_F(DictationStoreTest, ASaveWritesANewFileAndRenamesItOverTheOld) {
  writeBytes(folder / "a.txt", "old text");
  open(folder / "a.mp3");
  // A second name for the old file: rewriting the old file in place would change it too.
  fs::create_hard_link(folder / "a.txt", folder / "old-link");
  text1.setText("new text");
  ASSERT_TRUE(store.saveDictationText());
  EXPECT_EQ(readBytes(folder / "a.txt"), "new text");
  EXPECT_EQ(readBytes(folder / "old-link"), "old text");
  EXPECT_EQ(folder.entries(), 2);  // no temporary file left
}

TEST_F(DictationStoreTest, AWriteThatRunsOutOfSpaceLeavesTheOldTextAndTellsTheUser) {
  writeBytes(folder / "a.txt", "old text");
  open(folder / "a.mp3");
  const std::string typed = "old text\r\n" + std::string(200, 'x');
  text1.setText(typed);

  // Files may grow to 16 bytes only: the write fails as on a full disk (also for root).
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  store.saveTextCommand();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(readBytes(folder / "a.txt"), "old text");
  EXPECT_EQ(text1.text(), typed);
  ASSERT_EQ(messages.shown().size(), 1u);
  EXPECT_NE(messages.shown()[0], DictationStore::savedMessage);
  EXPECT_TRUE(told((folder / "a.txt").string()));
  EXPECT_EQ(focus.owner, "Text1");
  EXPECT_EQ(folder.entries(), 1);
}

TEST_F(DictationStoreTest, AFailedSaveIsToldNamingTheFileAndIsNotConfirmed) {
  // Two ways a folder can refuse the text file: a directory of that name in the way, and a
  // "folder" that is a regular file (permission bits would not stop a test run as root).
  writeBytes(folder / "plain-file", "not a folder");
  fs::create_directory(folder / "blocked.txt");
  const fs::path audios[] = {folder / "blocked.mp3", folder / "plain-file" / "a.mp3"};
  for (const auto& audio : audios) {
    SCOPED_TRACE(audio);
    messages = {};
    open(audio);
    const std::string textFile = DictationStore::dictationPath(audio.string());
    EXPECT_TRUE(told(textFile)) << "the open tells";

    text1.setText("typed while listening");
    messages = {};
    EXPECT_FALSE(store.saveDictationText());
    store.saveTextCommand();
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(told(textFile));
    for (const auto& text : messages.shown()) EXPECT_NE(text, DictationStore::savedMessage);
    EXPECT_EQ(text1.text(), "typed while listening");
    EXPECT_EQ(focus.owner, "Text1");
  }
  EXPECT_TRUE(fs::is_directory(folder / "blocked.txt"));
  EXPECT_EQ(readBytes(folder / "plain-file"), "not a folder");
}

TEST_F(DictationStoreTest, SavesOnlyIntoTheFileWhoseTextWasLoaded) {
  writeBytes(folder / "b.txt", "b's own text");
  open(folder / "a.mp3");
  // A play list now moves Label2 from entry to entry without loading.
  recording.set((folder / "b.mp3").string());
  recording.set((folder / "c.mp3").string());
  text1.setText("typed for a");
  store.saveTextCommand();
  EXPECT_EQ(messages.shown(), savedOnly);
  EXPECT_EQ(readBytes(folder / "a.txt"), "typed for a");
  EXPECT_EQ(readBytes(folder / "b.txt"), "b's own text");
  EXPECT_FALSE(fs::exists(folder / "c.txt"));
}

TEST_F(DictationStoreTest, TheUsageTextIsNeverSavedOverAPlayListEntry) {
  // A play list opened first: Label2 names an entry, but no file's text was ever loaded.
  writeBytes(folder / "b.txt", "b's own text");
  text1.setText("使用说明");
  recording.set((folder / "b.mp3").string());
  EXPECT_TRUE(store.saveDictationText());
  EXPECT_EQ(readBytes(folder / "b.txt"), "b's own text");
  EXPECT_EQ(folder.entries(), 1);
}

}  // namespace
}  // namespace tessaly
