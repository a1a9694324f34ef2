// SPDX-License-Identifier: GPL-3.0-or-later
// The check's tables are read once for the program: the practice window's and the review's
// checks use the same copy, asked for from several threads at once or one after another; a
// second readings file is a copy of its own, and a file that cannot be read is tried once.
#include "check/SharedCheckTables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "practice/CheckRunner.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

// The program's readings file and the two beside it, copied to `folder`, under a path no
// other test has read.
std::string tablesIn(const fs::path& folder) {
  const fs::path from = fs::path(TESSALY_PINYIN_TABLE).parent_path();
  fs::create_directories(folder);
  for (const char* name : {"pinyin.txt", "words.txt", "spelling-variants.txt"}) fs::copy_file(from / name, folder / name);
  return (folder / "pinyin.txt").string();
}

PracticeCheck checked(CheckRunner& runner) {
  const std::uint32_t serial = runner.start("今天天汽很好", referenceFromText("lesson.txt", "今天天气很好"), "");
  for (int i = 0; i < 1000; ++i) {
    if (auto done = runner.take(serial)) return *done;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "the check never finished";
  return {};
}

TEST(SharedCheckTables, ThePracticeAndTheReviewChecksShareOneCopy) {
  TempFolder folder;
  const std::string readings = tablesIn(folder.path());
  const int before = checkTableReads();
  CheckRunner practice(readings), review(readings);
  const PracticeCheck first = checked(practice), second = checked(review);
  EXPECT_EQ(checkTableReads() - before, 1) << "each check read the tables of its own";
  EXPECT_EQ(first.result.errors(), 1);
  EXPECT_EQ(second.result.errors(), 1);
  EXPECT_TRUE(sharedCheckTables(readings)->loaded);
  EXPECT_EQ(checkTableReads() - before, 1);
}

TEST(SharedCheckTables, EachFileIsReadOnceWhoeverAsksFirst) {
  TempFolder folder;
  const std::string one = tablesIn(folder / "one"), two = tablesIn(folder / "two");
  const std::string missing = (folder / "missing" / "pinyin.txt").string();
  const struct {
    const char* name;
    std::vector<std::string> asked;  // from a thread each, at once
    int reads;
    bool sameCopy;  // the first and the last asker got the same tables
    bool loaded;
  } cases[] = {
      {"one file from four threads", {one, one, one, one}, 1, true, true},
      {"the same file again later", {one}, 0, true, true},
      {"two files", {two, one}, 1, false, true},
      {"a file that cannot be read, twice", {missing, missing}, 1, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = checkTableReads();
    std::vector<std::shared_ptr<const LoadedCheckTables>> got(c.asked.size());
    std::vector<std::thread> askers;
    for (std::size_t i = 0; i < c.asked.size(); ++i)
      askers.emplace_back([&, i] { got[i] = sharedCheckTables(c.asked[i]); });
    for (std::thread& asker : askers) asker.join();
    EXPECT_EQ(checkTableReads() - before, c.reads);
    EXPECT_EQ(got.front() == got.back(), c.sameCopy);
    EXPECT_EQ(got.back()->loaded, c.loaded);
  }
}

}  // namespace
}  // namespace tessaly::test
