// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy: when it is written, what it holds, when it goes; its bytes; and the
// folder that writes it in the background.
#include "recovery/RecoveryKeeper.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "support/FakeControls.h"
#include "support/ManualClock.h"
#include "support/MemoryFolder.h"
#include "support/TempFolder.h"
#include "text/DiskFolder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDictation = "/home/li/voice/lesson1.txt";
constexpr const char* kAudio = "/home/li/voice/lesson1.mp3";

class RecoveryKeeperTest : public ::testing::Test {
 public:
  RecoveryKeeperTest() {
    text1.setText("第一行\r\n");
    keeper.track(kDictation, kAudio, text1.text());
  }
  std::optional<std::string> copiedText() const {
    const auto bytes = folder.read(recoveryName(kDictation));
    if (!bytes) return std::nullopt;
    return decodeRecovery(*bytes)->text;
  }

  ManualClock clock;
  Focus focus;
  FakeTextBox text1{focus, "Text1"};
  std::unique_ptr<ManualTimer> timer = clock.makeTimer();
  MemoryFolder folder;
  RecoveryKeeper keeper{text1, *timer, folder};
};

TEST_F(RecoveryKeeperTest, SteadyTypingIsNeverMoreThanTheDelayBehind) {
  // A character every 150 ms for six seconds: the copy must always hold at least what the
  // box held kDelayMs ago (plus the tick's own granularity).
  std::vector<std::pair<std::int64_t, std::string>> history;
  for (std::int64_t t = 0; t <= 6000; t += 150) {
    text1.type("字");
    history.emplace_back(clock.now(), text1.text());
    clock.advance(150);
    const auto copy = copiedText();
    const std::int64_t now = clock.now();
    std::string due;  // the newest text that is at least kDelayMs old
    for (const auto& [when, text] : history)
      if (now - when >= RecoveryKeeper::kDelayMs) due = text;
    if (due.empty()) continue;
    ASSERT_TRUE(copy) << "at " << now;
    EXPECT_GE(copy->size(), due.size()) << "at " << now;
  }
  EXPECT_LE(folder.writes, 8) << "a copy a second, not one a keystroke";
}

TEST_F(RecoveryKeeperTest, TheCopyGoesWhenTheTextIsSavedOrTypedBack) {
  const struct {
    const char* what;
    std::function<void(RecoveryKeeperTest&)> settle;
  } cases[] = {
      {"saved", [](RecoveryKeeperTest& t) { t.keeper.saved(); }},
      {"typed back to the file's text",
       [](RecoveryKeeperTest& t) {
         t.text1.setText("第一行\r\n");
         t.clock.advance(RecoveryKeeper::kDelayMs);
       }},
      {"discarded", [](RecoveryKeeperTest& t) { t.keeper.discard(kDictation); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    keeper.track(kDictation, kAudio, "第一行\r\n");
    text1.setText("第一行\r\n");
    text1.type("第二行");
    clock.advance(RecoveryKeeper::kDelayMs);
    ASSERT_EQ(copiedText(), "第一行\r\n第二行");
    c.settle(*this);
    clock.advance(RecoveryKeeper::kDelayMs);
    EXPECT_EQ(copiedText(), std::nullopt);
  }
  // After a save, the saved text is the file's: typing on starts a new copy.
  text1.type("再写");
  keeper.saved();
  clock.advance(RecoveryKeeper::kDelayMs);
  EXPECT_EQ(copiedText(), std::nullopt);
  text1.type("。");
  keeper.flush();
  EXPECT_EQ(copiedText(), text1.text()) << "flush writes at once";
}

TEST_F(RecoveryKeeperTest, NothingIsKeptBeforeAFileIsTrackedAndACopyFromBeforeStaysUntilAsked) {
  FakeTextBox box{focus, "Text1"};
  auto ownTimer = clock.makeTimer();
  MemoryFolder own;
  own.files[recoveryName(kDictation)] = encodeRecovery({kDictation, kAudio, "崩溃前打的字"});
  RecoveryKeeper fresh{box, *ownTimer, own};
  box.type("使用说明");  // no file loaded yet: the usage text belongs to nobody
  clock.advance(5000);
  EXPECT_EQ(own.writes, 0);
  fresh.track(kDictation, kAudio, "");
  clock.advance(5000);
  ASSERT_TRUE(fresh.copyFor(kDictation));
  EXPECT_EQ(fresh.copyFor(kDictation)->text, "崩溃前打的字") << "only a change of this run replaces it";
  ASSERT_EQ(fresh.copies().size(), 1u);
  EXPECT_EQ(fresh.copies()[0].audioPath, kAudio);
}

TEST(RecoveryRecord, RoundTripsAndRejectsWhatIsNotACopy) {
  const RecoveryRecord odd{"/tmp/a\\b\nc.txt", "/tmp/a\\b\nc.mp3", "line\r\n\r\nlast\nlone LF"};
  EXPECT_EQ(decodeRecovery(encodeRecovery(odd)), odd);
  const RecoveryRecord empty{"/x.txt", "", ""};
  EXPECT_EQ(decodeRecovery(encodeRecovery(empty)), empty);
  for (const char* bad : {"", "Tessaly recovery 1\n", "Tessaly recovery 2\ndictation: /x\nrecording: /y\n\ntext",
                          "Tessaly recovery 1\ndictation: /x\nrecording: /y\nno blank line",
                          "Tessaly recovery 1\ndictation: \nrecording: /y\n\ntext", "\xFF\xFE garbage"})
    EXPECT_EQ(decodeRecovery(bad), std::nullopt) << bad;
  EXPECT_NE(recoveryName("/a/lesson1.txt"), recoveryName("/a/lesson2.txt"));
  EXPECT_EQ(recoveryName("/a/lesson1.txt").size(), 20u);
}

TEST(DiskFolder, WritesInTheBackgroundAndReadsWhatIsStillWaiting) {
  TempFolder temp;
  const fs::path where = temp / "data" / "recovery";  // made when first needed
  {
    DiskFolder folder(where);
    folder.write("a.txt", "一");
    folder.write("a.txt", "二");  // replaces the first if it still waits
    folder.write("b.txt", "b");
    EXPECT_EQ(folder.read("a.txt"), "二");
    folder.remove("b.txt");
    EXPECT_EQ(folder.read("b.txt"), std::nullopt);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.txt"});
    folder.waitIdle();
    EXPECT_EQ(readBytes(where / "a.txt"), "二");
    EXPECT_FALSE(fs::exists(where / "b.txt"));
    folder.write("c.txt", "left to the destructor");
  }
  EXPECT_EQ(readBytes(where / "c.txt"), "left to the destructor") << "leaving finishes what was asked";
}

TEST(DiskFolder, AFailedWriteIsToldOnceAndKeptUntilATryAgainSucceeds) {
  TempFolder temp;
  std::ofstream(temp / "data") << "a file where the folder should be";  // no folder can be made
  const fs::path where = temp / "data" / "recovery";
  std::mutex toldMutex;
  std::vector<fs::path> told;
  DiskFolder folder(where, std::chrono::milliseconds(20));
  folder.onWriteFailure([&](const fs::path& file) {
    std::lock_guard lock(toldMutex);
    told.push_back(file);
  });
  const auto toldSoFar = [&] {
    std::lock_guard lock(toldMutex);
    return told;
  };
  folder.write("a.txt", "一");
  folder.waitIdle();
  folder.write("a.txt", "二");
  folder.write("b.txt", "b");
  folder.waitIdle();
  EXPECT_EQ(toldSoFar(), std::vector<fs::path>{where / "a.txt"}) << "told once, not for each failure";
  EXPECT_EQ(folder.read("a.txt"), "二") << "the newest text is kept in memory";
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"a.txt", "b.txt"}));

  // The folder can be made now: the next try writes both, with no word.
  fs::remove(temp / "data");
  for (int i = 0; i < 500 && folder.unwrittenCount() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  folder.waitIdle();
  EXPECT_EQ(folder.unwrittenCount(), 0u);
  EXPECT_EQ(readBytes(where / "a.txt"), "二");
  EXPECT_EQ(readBytes(where / "b.txt"), "b");
  EXPECT_EQ(toldSoFar().size(), 1u);

  // A new failure after that success is told again.
  fs::remove_all(temp / "data");
  std::ofstream(temp / "data") << "in the way again";
  folder.write("c.txt", "c");
  folder.waitIdle();
  EXPECT_EQ(toldSoFar().size(), 2u);
  EXPECT_EQ(folder.read("c.txt"), "c");
}

}  // namespace
}  // namespace tessaly::test
