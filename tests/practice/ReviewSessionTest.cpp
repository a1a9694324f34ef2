// SPDX-License-Identifier: GPL-3.0-or-later
// The review loop on its logic, with a real record (SQLite in a temporary folder), a player
// that notes what it is asked to play, and a manual calendar: a due sentence is played and
// checked and its schedule moves; a recording moved to a folder the program knows is found
// again by its identity, one pointed to by the learner is relinked, a vanished one is set
// aside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "practice/ReviewSession.h"
#include "store/RecordKeeper.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

struct NotingPlayer final : ReviewPlayer {
  bool playSentence(const std::string& recording, std::int32_t startMs, std::int32_t endMs) override {
    played.push_back(recording + "@" + std::to_string(startMs) + "-" + std::to_string(endMs));
    return true;
  }
  std::vector<std::string> played;
};

constexpr int kDay = 20795;

class ReviewSessionTest : public ::testing::Test {
 protected:
  ReviewSessionTest() {
    fs::create_directories(folder / "voice");
    fs::create_directories(folder / "elsewhere");
    std::ofstream(recording, std::ios::binary) << std::string(200000, 'a') << "the recording's own bytes";
    const Reference reference = referenceFromSentences({{0, 3000, "他去学校。"}, {3000, 6000, "我们买东西。"}});
    const std::string written = "他去学笑。我们买东西。";
    CheckTables tables;
    loadCheckTables(TESSALY_PINYIN_TABLE, tables);
    keeper.record(recordOfCheck(checkAgainst(written, reference, tables), reference, written, recording,
                                std::int64_t{kDay} * 86400, kDay));
    keeper.waitIdle();
  }
  // Ticks until `done` (the record and the check answer from their threads).
  bool until(const std::function<bool(const ReviewSession::Changes&)>& done) {
    for (int i = 0; i < 500; ++i) {
      if (done(session.tick())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  TempFolder folder;
  std::string recording = (folder / "voice" / "lesson.mp3").string();
  RecordKeeper keeper{(folder / "practice.sqlite3").string(), 50};
  NotingPlayer player;
  std::int64_t now = std::int64_t{kDay + 1} * 86400 + 3600;
  ReviewSession session{keeper, player, TESSALY_PINYIN_TABLE, [this] { return now; }, {(folder / "elsewhere").string()}};
};

TEST_F(ReviewSessionTest, ADueSentenceIsPlayedCheckedAndMovesOn) {
  session.refresh();
  ASSERT_TRUE(until([](const auto& c) { return c.list; }));
  ASSERT_EQ(session.due().count, 1);
  EXPECT_EQ(session.selected(), 0);
  EXPECT_EQ(session.rowText(0), "第 00:00.0 起　lesson.mp3　今天到期");
  ASSERT_TRUE(session.playSelected());
  EXPECT_EQ(player.played, std::vector<std::string>{recording + "@0-3000"});
  ASSERT_TRUE(session.check("他去学校。"));
  ASSERT_TRUE(until([](const auto& c) { return c.check; }));
  EXPECT_DOUBLE_EQ(session.result()->result.accuracy(), 100.0);
  ASSERT_TRUE(until([&](const auto& c) { return c.list && session.due().count == 0; })) << "not due again today";
  now += 86400;
  session.refresh();
  ASSERT_TRUE(until([](const auto& c) { return c.list; }));
  EXPECT_EQ(session.due().count, 1) << "a first pass after a miss: the next day";
  now += 3 * 86400;
  EXPECT_EQ(session.rowText(0), "第 00:00.0 起　lesson.mp3　过期 3 天");
}

TEST_F(ReviewSessionTest, AMovedRecordingIsFoundPointedToOrSetAside) {
  const struct {
    const char* what;
    fs::path movedTo;  // "": vanished
    bool pointed;      // the learner points to it
  } cases[] = {
      {"moved to a folder the program knows", "elsewhere/lesson.mp3", false},
      {"moved and renamed somewhere else", "far/renamed.mp3", true},
      {"vanished", "", false},
  };
  for (const auto& c : cases) {
    player.played.clear();
    const fs::path to = c.movedTo.empty() ? fs::path() : folder.path() / c.movedTo;
    if (!to.empty()) fs::create_directories(to.parent_path());
    session.refresh();
    ASSERT_TRUE(until([](const auto& r) { return r.list; })) << c.what;
    ASSERT_EQ(session.due().count, 1) << c.what;
    const std::string was = session.due().sentences[0].recording;
    if (to.empty()) fs::remove(was);
    else fs::rename(was, to);
    EXPECT_FALSE(session.playSelected()) << c.what;
    const bool found = until([](const auto& r) { return r.missing || r.list; });
    ASSERT_TRUE(found) << c.what;
    if (c.pointed) {
      session.pointTo(to.string());
    } else if (to.empty()) {
      session.setAsideSelected();
      ASSERT_TRUE(until([](const auto& r) { return r.list; })) << c.what;
      EXPECT_EQ(session.due().count, 0) << c.what << ": set aside, not shown";
      EXPECT_TRUE(player.played.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(player.played.size(), 1u) << c.what;
    EXPECT_EQ(player.played[0], to.string() + "@0-3000") << c.what;
    session.refresh();
    ASSERT_TRUE(until([](const auto& r) { return r.list; })) << c.what;
    EXPECT_EQ(session.due().sentences[0].recording, to.string()) << c.what << ": relinked in the record";
  }
}

}  // namespace
}  // namespace tessaly::test
