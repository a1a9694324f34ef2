// SPDX-License-Identifier: GPL-3.0-or-later
// The review loop on its logic, with a real record (SQLite in a temporary folder), a player
// that notes what it is asked to play, and a manual calendar: a due sentence is played and
// checked and its schedule moves; a recording moved to a folder the program knows is found
// again by its identity, one pointed to by the learner is relinked, a vanished one is set
// aside. Then on a record in memory (support/FakeRecordLog.h): what the session asks the
// record, what it does until the answer comes, and what it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "practice/ReviewSession.h"
#include "review/ReviewSchedule.h"
#include "store/RecordKeeper.h"
#include "support/FakeRecordLog.h"
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

// The same loop on a record in memory that answers only when told: what the session asks,
// what it does while an answer is still to come, and what it writes.
class ReviewSessionOnAFakeRecord : public ::testing::Test {
 protected:
  ReviewSessionOnAFakeRecord() {
    fs::create_directories(folder / "voice");
    for (const char* name : {"a.mp3", "b.mp3"}) std::ofstream(folder / "voice" / name) << name;
    // Two sentences of a.mp3 and one of b.mp3, due on three days.
    log.reviews = {due(1, a, 0, 3000, "他去学校。", kDay - 2), due(2, b, 5000, 8000, "我们买东西。", kDay - 1),
                   due(1, a, 3000, 6000, "今天天气很好。", kDay)};
  }
  static DueSentence due(std::int64_t id, const std::string& recording, std::int32_t start, std::int32_t end,
                         std::string reference, int dueDay) {
    DueSentence d;
    d.recordingId = id;
    d.recording = recording;
    d.startMs = start;
    d.endMs = end;
    d.reference = std::move(reference);
    d.state.dueDay = dueDay;
    return d;
  }
  // The due list asked for and answered.
  void listed() {
    session.refresh();
    log.answer();
    ASSERT_TRUE(session.tick().list);
  }
  bool untilChecked() {
    for (int i = 0; i < 500; ++i) {
      if (session.tick().check) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  TempFolder folder;
  const std::string a = (folder / "voice" / "a.mp3").string(), b = (folder / "voice" / "b.mp3").string();
  FakeRecordLog log;
  NotingPlayer player;
  std::int64_t now = std::int64_t{kDay} * 86400 + 12 * 3600;
  ReviewSession session{log, player, TESSALY_PINYIN_TABLE, [this] { return now; }, {(folder / "elsewhere").string()}};
};

TEST_F(ReviewSessionOnAFakeRecord, AsksForTodaysListAndWaitsForIt) {
  session.refresh();
  ASSERT_EQ(log.asked.size(), 1u);
  EXPECT_EQ(log.asked[0].kind, FakeRecordLog::Question::Kind::Due);
  EXPECT_EQ(log.asked[0].today, localDay(now));
  EXPECT_EQ(log.asked[0].most, 200);
  EXPECT_TRUE(session.waiting());
  EXPECT_FALSE(session.tick().list) << "no answer yet";
  EXPECT_EQ(session.selected(), -1);
  log.answer();
  EXPECT_TRUE(session.tick().list);
  EXPECT_FALSE(session.waiting());
  EXPECT_EQ(session.due().count, 3);
  EXPECT_EQ(session.selected(), 0);
  EXPECT_EQ(session.rowText(0), "第 00:00.0 起　a.mp3　过期 2 天");
  EXPECT_EQ(session.rowText(2), "第 00:03.0 起　a.mp3　今天到期");
  EXPECT_FALSE(session.tick().list) << "the list comes once";
}

TEST_F(ReviewSessionOnAFakeRecord, KeepsTheSelectionWithinANewList) {
  const struct {
    const char* what;
    int select;               // before the new list
    std::size_t reviewsLeft;  // the record's review when the new list comes
    int selected;             // after
  } cases[] = {
      {"a row still in the list stays selected", 1, 3, 1},
      {"the last row goes: the new last is selected", 2, 2, 1},
      {"a list of one", 2, 1, 0},
      {"nothing selected: the first is", -1, 3, 0},
      {"an empty list: nothing selected", 1, 0, -1},
  };
  const std::vector<DueSentence> all = log.reviews;
  for (const auto& c : cases) {
    log.reviews = all;
    listed();
    session.select(c.select);
    log.reviews.resize(c.reviewsLeft);
    listed();
    EXPECT_EQ(session.selected(), c.selected) << c.what;
  }
}

TEST_F(ReviewSessionOnAFakeRecord, AMissingRecordingIsLookedForThenPlayedWhereItWasFound) {
  const struct {
    const char* what;
    bool found;
  } cases[] = {{"found elsewhere", true}, {"found nowhere", false}};
  for (const auto& c : cases) {
    log.findsAt.clear();
    log.reviews[0].recording = a;
    listed();
    session.select(0);
    player.played.clear();
    const std::string moved = (folder / "elsewhere" / "a.mp3").string();
    const fs::path to = c.found ? fs::path(moved) : folder / "gone.mp3";
    fs::create_directories(to.parent_path());
    fs::rename(a, to);
    if (c.found) log.findsAt[1] = moved;

    EXPECT_FALSE(session.playSelected()) << c.what;
    ASSERT_EQ(log.asked.back().kind, FakeRecordLog::Question::Kind::Find) << c.what;
    EXPECT_EQ(log.asked.back().recordingId, 1) << c.what;
    EXPECT_EQ(log.asked.back().folders, std::vector<std::string>{(folder / "elsewhere").string()}) << c.what;
    const ReviewSession::Changes before = session.tick();
    EXPECT_FALSE(before.missing || before.list) << c.what << ": nothing until the record answers";
    log.answer();
    const ReviewSession::Changes after = session.tick();
    EXPECT_EQ(after.missing, !c.found) << c.what;
    EXPECT_EQ(after.list, c.found) << c.what;
    if (c.found) {
      EXPECT_EQ(player.played, std::vector<std::string>{moved + "@0-3000"}) << c.what;
      EXPECT_EQ(session.due().sentences[0].recording, moved) << c.what;
    } else {
      EXPECT_TRUE(player.played.empty()) << c.what;
    }
    fs::rename(to, a);
  }
}

TEST_F(ReviewSessionOnAFakeRecord, PointingToARecordingRelinksEachOfItsSentences) {
  listed();
  session.select(0);
  const std::string other = (folder / "voice" / "b.mp3").string();
  session.pointTo(other);
  ASSERT_EQ(log.relinks.size(), 1u);
  EXPECT_EQ(log.relinks[0], (std::pair<std::int64_t, std::string>{1, other}));
  const auto& shown = session.due().sentences;
  EXPECT_EQ(shown[0].recording, other);
  EXPECT_EQ(shown[2].recording, other) << "the recording's other sentence";
  EXPECT_EQ(shown[1].recording, b) << "another recording's sentence";
  EXPECT_EQ(player.played, std::vector<std::string>{other + "@0-3000"});
}

TEST_F(ReviewSessionOnAFakeRecord, ARecordingSetAsideLeavesTheList) {
  listed();
  session.select(1);
  session.setAsideSelected();
  EXPECT_EQ(log.setAsideRecordings, std::vector<std::int64_t>{2});
  ASSERT_EQ(log.asked.back().kind, FakeRecordLog::Question::Kind::Due) << "the list asked for again";
  log.answer();
  ASSERT_TRUE(session.tick().list);
  EXPECT_EQ(session.due().count, 2);
  for (const DueSentence& d : session.due().sentences) EXPECT_EQ(d.recordingId, 1);
}

TEST_F(ReviewSessionOnAFakeRecord, ACheckIsKeptOfTheSentenceWhereItIsNowThenTheListAskedAgain) {
  listed();
  session.select(2);
  ASSERT_TRUE(session.check("今天天气很号。"));
  session.select(1);  // the learner moves on to another recording's sentence while the check runs
  ASSERT_TRUE(untilChecked());
  ASSERT_EQ(log.checks.size(), 1u);
  const CheckRecord& kept = log.checks[0];
  EXPECT_EQ(kept.recording, a);
  EXPECT_EQ(kept.at, now);
  EXPECT_EQ(kept.day, localDay(now));
  ASSERT_EQ(kept.sentences.size(), 1u);
  EXPECT_EQ(kept.sentences[0].startMs, 3000);
  EXPECT_EQ(kept.sentences[0].endMs, 6000);
  EXPECT_EQ(kept.sentences[0].reference, "今天天气很好。");
  EXPECT_LT(kept.sentences[0].accuracy, kCleanAccuracy);
  EXPECT_EQ(log.asked.back().kind, FakeRecordLog::Question::Kind::Due) << "the schedule has moved";
  EXPECT_EQ(log.waiting(), 1u);
}

}  // namespace
}  // namespace tessaly::test
