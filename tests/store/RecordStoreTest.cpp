// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's record on real SQLite files: the two sample lessons checked on three days and
// what comes back when; a record an older program made; a scrambled, a newer, a read-only, a
// full and a busy record; the writer thread telling a problem once and keeping what it could
// not write; a full disk, a read-only folder and another program's lock at the start and at
// quit, on a tmpfs of 1 MB, with what could not be written kept beside the record and written
// at the next start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "review/AnkiNotes.h"
#include "store/RecordKeeper.h"
#include "support/TempFolder.h"
#include "support/Tmpfs.h"
#include "text/TextFile.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

const CheckTables& tables() {
  static const CheckTables t = [] {
    CheckTables loaded;
    EXPECT_TRUE(loadCheckTables(TESSALY_PINYIN_TABLE, loaded));
    return loaded;
  }();
  return t;
}

std::vector<Sentence> lessonSentences(const std::string& name) {
  std::ifstream in(std::string(TESSALY_SAMPLES) + "/" + name + ".lrc", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  return readLrc(text, 30000);
}

// A check of `dictation` against `sentences` (or the one sentence `only`) kept as on `day`.
CheckRecord checked(const std::string& recording, const std::vector<Sentence>& sentences, const std::string& dictation,
                    int day, int only = -1) {
  const Reference reference = referenceFromSentences(
      only < 0 ? sentences : std::vector<Sentence>{sentences[static_cast<std::size_t>(only)]});
  return recordOfCheck(checkAgainst(dictation, reference, tables()), reference, dictation, recording,
                       std::int64_t{day} * 86400 + 36000, day);
}

std::int64_t rows(const fs::path& db, const char* table) {
  sqlite3* c = nullptr;
  sqlite3_open_v2(db.c_str(), &c, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* q = nullptr;
  sqlite3_prepare_v2(c, (std::string("SELECT COUNT(*) FROM ") + table).c_str(), -1, &q, nullptr);
  const std::int64_t n = sqlite3_step(q) == SQLITE_ROW ? sqlite3_column_int64(q, 0) : -1;
  sqlite3_finalize(q);
  sqlite3_close(c);
  return n;
}

void sql(const fs::path& db, const char* text) {
  sqlite3* c = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &c), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(c, text, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(c);
  sqlite3_close(c);
}

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

constexpr int kDay = 20795;  // 2026-12-08

class RecordTest : public ::testing::Test {
 protected:
  RecordTest() {
    fs::create_directories(folder / "voice");
    for (const char* name : {"样例课文.mp3", "英语样例课文.mp3"})
      fs::copy_file(std::string(TESSALY_SAMPLES) + "/" + name, folder / "voice" / name);
  }
  std::string mandarin() const { return (folder / "voice" / "样例课文.mp3").string(); }
  std::string english() const { return (folder / "voice" / "英语样例课文.mp3").string(); }
  fs::path db() const { return folder / "data" / "practice.sqlite3"; }

  TempFolder folder;
};

TEST_F(RecordTest, TheTwoSampleLessonsCheckedOnThreeDaysComeBackOnTheirDays) {
  const auto zh = lessonSentences("样例课文"), en = lessonSentences("英语样例课文");
  RecordStore store;
  ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
  // Day 1: three sentences of each; a tone heard wrong (好 hǎo written 号 hào), a word left out.
  const CheckRecord first = checked(mandarin(), zh, "你好，欢迎来到听写练习。今天天气很号。我每天早上七点起床。", kDay);
  ASSERT_EQ(first.sentences.size(), 3u) << "only what was written: the first three";
  EXPECT_EQ(first.sentences[1].written, "今天天气很号");
  ASSERT_EQ(first.sentences[1].slips.size(), 1u);
  const RecordedSlip& tone = first.sentences[1].slips[0];
  EXPECT_EQ(tone.kind, "tone");
  EXPECT_EQ(tone.expected + tone.expectedReading + tone.written + tone.writtenReading, "好hǎo号hào");
  EXPECT_EQ(store.add(first, identityOf(mandarin())), RecordProblem::None);
  EXPECT_EQ(store.add(checked(english(), en,
                              "Welcome to your first dictation lesson. Listen to each sentence, then write down.", kDay),
                      identityOf(english())),
            RecordProblem::None);
  EXPECT_EQ(store.dueCount(kDay), 0) << "nothing is due the day it was missed";

  // Day 2: both missed sentences are due, across the two recordings.
  auto due = store.due(kDay + 1, 50);
  ASSERT_EQ(due.size(), 2u);
  EXPECT_EQ(due[0].reference, "今天天气很好。");
  EXPECT_EQ(due[0].recording, mandarin());
  EXPECT_EQ(due[0].startMs, 4560);
  EXPECT_EQ(due[1].reference, "Listen to each sentence, then write it down.");
  // The Mandarin one is written right now; the English one missed again.
  EXPECT_EQ(store.add(checked(mandarin(), zh, "今天天气很好。", kDay + 1, 1), identityOf(mandarin())), RecordProblem::None);
  EXPECT_EQ(store.add(checked(english(), en, "Listen to each.", kDay + 1, 1), identityOf(english())), RecordProblem::None);
  // Day 3: both again, each the day after its last attempt; both written right now.
  due = store.due(kDay + 2, 50);
  ASSERT_EQ(due.size(), 2u);
  EXPECT_EQ(store.add(checked(mandarin(), zh, "今天天气很好。", kDay + 2, 1), identityOf(mandarin())), RecordProblem::None);
  EXPECT_EQ(
      store.add(checked(english(), en, "Listen to each sentence, then write it down.", kDay + 2, 1), identityOf(english())),
      RecordProblem::None);
  EXPECT_EQ(store.dueCount(kDay + 2), 0);
  // The Mandarin one has passed twice in a row: six days; the English one once: tomorrow.
  due = store.due(kDay + 3, 50);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].recording, english());
  EXPECT_EQ(store.dueCount(kDay + 7), 1);
  EXPECT_EQ(store.dueCount(kDay + 8), 2);

  const RecordStats stats = store.stats(kDay + 2, 90);
  ASSERT_EQ(stats.accuracyByDay.size(), 3u);
  EXPECT_EQ(stats.accuracyByDay[0].first, kDay);
  EXPECT_DOUBLE_EQ(stats.accuracyByDay[2].second, 100.0);
  EXPECT_EQ(stats.tones[2][3], 1) << "a third tone written as a fourth";
  EXPECT_EQ(stats.sentences, 3 + 2 + 2 + 2);
  ASSERT_FALSE(stats.wordsMissed.empty());
  EXPECT_EQ(stats.wordsMissed[0], (std::pair<std::string, int>{"it", 2}));
}

TEST_F(RecordTest, TheMissedSentencesBecomeCardsWithTheirLastMiss) {
  const auto zh = lessonSentences("样例课文"), en = lessonSentences("英语样例课文");
  RecordStore store;
  ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
  store.add(checked(mandarin(), zh, "你好，欢迎来到听写练习。今天天气很号。", kDay), identityOf(mandarin()));
  store.add(checked(mandarin(), zh, "今天天气很好。", kDay + 1, 1), identityOf(mandarin()));  // right since
  store.add(checked(english(), en, "Welcome to your first dictation lessen.", kDay), identityOf(english()));
  std::vector<AnkiNote> all;
  for (const MissedSentence& missed : store.missed()) all.push_back(ankiNoteOf(missed));
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].reference, "今天天气很好。");
  EXPECT_EQ(all[0].written, "今天天气很号") << "the last attempt that missed";
  EXPECT_EQ(all[0].slips, "声调：好 hǎo → 号 hào");
  EXPECT_EQ(all[0].recordingHash, identityOf(mandarin()).hash);
  EXPECT_EQ(all[1].slips, "拼写：lesson → lessen");
  const std::int64_t englishId = store.recordings()[1].id;
  ASSERT_EQ(store.missed(englishId).size(), 1u);
  EXPECT_EQ(ankiSoundName(all[1]), "tessaly-" + identityOf(english()).hash + "-0-3600.mp3");
}

TEST_F(RecordTest, AMovedRecordingIsFoundAgainByItsIdentity) {
  const auto zh = lessonSentences("样例课文");
  RecordStore store;
  ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
  ASSERT_EQ(store.add(checked(mandarin(), zh, "你好，欢迎来到听写练习。", kDay), identityOf(mandarin())),
            RecordProblem::None);
  const fs::path moved = folder / "moved.mp3";
  fs::rename(mandarin(), moved);
  EXPECT_FALSE(identityOf(mandarin()).known());
  ASSERT_EQ(store.add(checked(moved.string(), zh, "你好，欢迎来到听写练习。", kDay + 1), identityOf(moved.string())),
            RecordProblem::None);
  const auto known = store.recordings();
  ASSERT_EQ(known.size(), 1u) << "the same recording, not a second one";
  EXPECT_EQ(known[0].path, moved.string());
  EXPECT_TRUE(store.setAside(known[0].id));
  EXPECT_TRUE(store.relink(known[0].id, mandarin()));
  EXPECT_FALSE(store.recordings()[0].setAside);
}

TEST_F(RecordTest, ARecordAnOlderProgramMadeIsBroughtUpToDate) {
  fs::create_directories(db().parent_path());
  // What the first version kept: the checks, no schedule.
  sql(db(),
      "CREATE TABLE recordings (id INTEGER PRIMARY KEY, path TEXT NOT NULL, size INTEGER NOT NULL,"
      " hash TEXT NOT NULL, UNIQUE (size, hash));"
      "CREATE TABLE checks (id INTEGER PRIMARY KEY, recording_id INTEGER NOT NULL, at INTEGER NOT NULL,"
      " day INTEGER NOT NULL);"
      "CREATE TABLE attempts (id INTEGER PRIMARY KEY, check_id INTEGER NOT NULL, recording_id INTEGER NOT NULL,"
      " start_ms INTEGER NOT NULL, end_ms INTEGER NOT NULL, reference TEXT NOT NULL, written TEXT NOT NULL,"
      " accuracy REAL NOT NULL, day INTEGER NOT NULL);"
      "CREATE INDEX attempts_by_day ON attempts (day);"
      "CREATE TABLE slips (attempt_id INTEGER NOT NULL, kind TEXT NOT NULL, expected TEXT NOT NULL,"
      " written TEXT NOT NULL, expected_reading TEXT NOT NULL, written_reading TEXT NOT NULL,"
      " expected_tone INTEGER NOT NULL, written_tone INTEGER NOT NULL);"
      "CREATE INDEX slips_by_kind ON slips (kind);"
      "INSERT INTO recordings VALUES (1, '/old/lesson.mp3', 1000, '0123456789abcdef');"
      "INSERT INTO checks VALUES (1, 1, 0, 20000);"
      "INSERT INTO attempts VALUES (1, 1, 1, 0, 3000, '一句', '一句', 100, 20000),"
      " (2, 1, 1, 3000, 6000, '两句', '两', 50, 20000), (3, 1, 1, 3000, 6000, '两句', '两', 50, 20001);"
      "PRAGMA user_version = 1;");
  RecordStore store;
  ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
  EXPECT_EQ(rows(db(), "attempts"), 3) << "nothing lost";
  const auto due = store.due(20002, 10);
  ASSERT_EQ(due.size(), 1u) << "the missed sentence, once, due the day after its last attempt";
  EXPECT_EQ(due[0].reference, "两句");
  EXPECT_EQ(due[0].recording, "/old/lesson.mp3");
  RecordStore again;
  ASSERT_EQ(again.open(db().string()).problem, RecordProblem::None) << "a second open migrates nothing twice";
  // The takes' table came with the update: a take's score is kept with its recording's row.
  const TakeRecord take{"/old/lesson.mp3", 3000, 6000, "两句", 72, 1.4, 0.8, 1.5, "整句比原声慢 40 %",
                        "/takes/a.flac",   0,    20002};
  ASSERT_EQ(again.addTake(take, {1000, "0123456789abcdef"}), RecordProblem::None);
  EXPECT_EQ(rows(db(), "recordings"), 1) << "the same recording";
  const auto takes = again.takes();
  ASSERT_EQ(takes.size(), 1u);
  EXPECT_EQ(takes[0].score, 72);
  EXPECT_EQ(takes[0].reasons, take.reasons);
  EXPECT_EQ(takes[0].takePath, take.takePath);
  EXPECT_DOUBLE_EQ(takes[0].lengthRatio, 1.4);
  EXPECT_EQ(takes[0].day, 20002);
}

TEST_F(RecordTest, AScrambledOrForeignFileIsMovedAsideAndANewRecordMade) {
  const struct {
    const char* what;
    std::function<void(const fs::path&)> spoil;
  } cases[] = {
      {"pages scrambled",
       [](const fs::path& file) {
         std::string bytes = bytesOf(file);
         for (std::size_t i = 4096; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(i * 31);
         std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
       }},
      {"not a database", [](const fs::path& file) { std::ofstream(file, std::ios::trunc) << "not SQLite at all\n"; }},
  };
  const auto zh = lessonSentences("样例课文");
  for (const auto& c : cases) {
    fs::remove_all(db().parent_path());
    {
      RecordStore store;
      ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
      for (int day = 0; day < 30; ++day)
        store.add(checked(mandarin(), zh, "你好，欢迎来到听写练习。今天天气很号。", kDay + day), identityOf(mandarin()));
    }
    c.spoil(db());
    const std::string spoilt = bytesOf(db());
    RecordStore store;
    const RecordStore::Opened opened = store.open(db().string());
    EXPECT_EQ(opened.problem, RecordProblem::Corrupt) << c.what;
    ASSERT_FALSE(opened.movedTo.empty()) << c.what;
    EXPECT_EQ(bytesOf(opened.movedTo), spoilt) << c.what << ": kept as it was";
    EXPECT_TRUE(store.writable()) << c.what;
    EXPECT_EQ(store.add(checked(mandarin(), zh, "你好", kDay), identityOf(mandarin())), RecordProblem::None);
    EXPECT_EQ(rows(db(), "attempts"), 1) << c.what;
  }
}

TEST_F(RecordTest, ARecordOfANewerProgramIsLeftAsItIs) {
  {
    RecordStore store;
    ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
  }
  sql(db(), "PRAGMA user_version = 9;");
  const std::string before = bytesOf(db());
  RecordStore store;
  EXPECT_EQ(store.open(db().string()).problem, RecordProblem::Newer);
  EXPECT_FALSE(store.writable());
  EXPECT_EQ(store.add(checked(mandarin(), lessonSentences("样例课文"), "你好", kDay), identityOf(mandarin())),
            RecordProblem::Unwritable);
  EXPECT_EQ(bytesOf(db()), before);
}

TEST_F(RecordTest, AKillInTheMiddleOfWritingLosesAtMostTheCheckUnderWay) {
  const CheckRecord check = checked(mandarin(), lessonSentences("样例课文"),
                                    "你好，欢迎来到听写练习。今天天气很号。我每天早上七点起床。", kDay);
  ASSERT_EQ(check.sentences.size(), 3u);
  {
    RecordStore made;
    ASSERT_EQ(made.open(db().string()).problem, RecordProblem::None);
  }
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {  // the child writes check after check until it is killed
    RecordStore store;
    store.open(db().string());
    for (;;) store.add(check, identityOf(mandarin()));
  }
  while (rows(db(), "checks") < 20) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);
  RecordStore store;
  ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None) << "the integrity check passes";
  const std::int64_t checks = rows(db(), "checks");
  EXPECT_GE(checks, 20);
  EXPECT_EQ(rows(db(), "attempts"), 3 * checks) << "whole checks only";
  EXPECT_EQ(rows(db(), "slips"), checks);
}

TEST_F(RecordTest, AReadOnlyRecordIsReadAndAFullOneKeepsWhatItHad) {
  Tmpfs small(folder / "data", 320);
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const auto zh = lessonSentences("样例课文");
  {
    RecordStore store;
    ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
    ASSERT_EQ(store.add(checked(mandarin(), zh, "你好，欢迎来到听写练习。今天天气很号。", kDay), identityOf(mandarin())),
              RecordProblem::None);
    // Full: a check too big for what is left fails whole, and what was there stays.
    CheckRecord huge = checked(mandarin(), zh, "你好", kDay + 1);
    huge.sentences[0].written = std::string(600 * 1024, 'x');
    EXPECT_EQ(store.add(huge, identityOf(mandarin())), RecordProblem::Unwritable) << store.lastError();
    EXPECT_EQ(store.due(kDay + 1, 10).size(), 1u);
  }
  EXPECT_EQ(rows(db(), "attempts"), 2);
  ASSERT_TRUE(small.readOnly());
  RecordStore store;
  EXPECT_EQ(store.open(db().string()).problem, RecordProblem::Unwritable);
  EXPECT_EQ(store.due(kDay + 1, 10).size(), 1u) << "still read";
  EXPECT_EQ(store.add(checked(mandarin(), zh, "你好", kDay), identityOf(mandarin())), RecordProblem::Unwritable);
}

TEST_F(RecordTest, TheWriterWaitsForAnotherProgramsLockAndNeverTheCaller) {
  { RecordKeeper made(db().string()); }
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  RecordKeeper keeper(db().string(), 50);
  keeper.record(checked(mandarin(), lessonSentences("样例课文"), "你好，欢迎来到听写练习。", kDay));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(rows(db(), "attempts"), 0) << "held by the other program";
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  keeper.waitIdle();
  EXPECT_EQ(rows(db(), "attempts"), 1);
  EXPECT_EQ(keeper.takeProblem(), "") << "a wait is no problem";
}

TEST_F(RecordTest, TheWriterTellsAProblemOnceAndKeepsWhatItCouldNotWrite) {
  { RecordKeeper made(db().string()); }
  sql(db(), "PRAGMA user_version = 9;");
  RecordKeeper keeper(db().string(), 50);
  const auto zh = lessonSentences("样例课文");
  keeper.record(checked(mandarin(), zh, "你好", kDay));
  keeper.record(checked(mandarin(), zh, "你好", kDay));
  keeper.waitIdle();
  const std::string told = keeper.takeProblem();
  EXPECT_NE(told.find("练习记录文件是较新版本的程序写的"), std::string::npos) << told;
  EXPECT_EQ(keeper.takeProblem(), "") << "once";
  EXPECT_EQ(keeper.unwritten(), 2u);
  const std::uint32_t asked = keeper.askDue(kDay + 1, 10);
  keeper.waitIdle();
  EXPECT_TRUE(keeper.takeDue(asked)) << "questions are still answered";
}

// What stands between the writer and the record on the learner's disk: imposed on the data
// folder (a tmpfs of 1 MB) and lifted again, with the reason the learner is to be told.
class HindranceTest : public RecordTest {
 public:
  struct Hindrance {
    const char* what;
    const char* reason;
    void (HindranceTest::*impose)();
    void (HindranceTest::*lift)();
  };

  ~HindranceTest() override { closeOther(); }

  // Every byte of the folder taken by a file of its own.
  void fill() {
    std::ofstream out(folder / "data" / "filler", std::ios::binary);
    const std::string block(4096, '\0');
    while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
  void unfill() { fs::remove(folder / "data" / "filler"); }
  void readOnly() { ASSERT_TRUE(small.readOnly()); }
  void writable() { ASSERT_TRUE(small.writable()); }
  // Another program's connection: in a transaction it holds, or in locking_mode=EXCLUSIVE
  // (kept from its first write until it closes).
  void holdTransaction() {
    ASSERT_EQ(sqlite3_open(db().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(other);
  }
  void holdExclusive() {
    ASSERT_EQ(sqlite3_open(db().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(other);
  }
  void closeOther() {
    if (!other) return;
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    other = nullptr;
  }

  RecordKeeper::Options options() const { return {50, 100, {(folder / "spare").string()}}; }
  // Files the record's folder holds besides the record and its filler.
  std::vector<std::string> setAside() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(db().parent_path()))
      if (entry.path().filename().string().find(".corrupt-") != std::string::npos)
        names.push_back(entry.path().filename().string());
    return names;
  }
  // Waits (a while at most) until the record has `checks` checks and `takes` takes.
  bool reaches(std::int64_t checks, std::int64_t takes) {
    for (int tries = 0; tries < 1000; ++tries) {
      if (rows(db(), "checks") == checks && rows(db(), "takes") == takes) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  CheckRecord check(int day) const {
    return checked(mandarin(), lessonSentences("样例课文"), "你好，欢迎来到听写练习。今天天气很号。", day);
  }
  TakeRecord take(int day) const {
    return {mandarin(),
            4560,
            8000,
            "今天天气很好。",
            64,
            1.2,
            0.7,
            2.0,
            "第 5 个字的声调偏平",
            (folder / "takes" / "a.flac").string(),
            std::int64_t{day} * 86400,
            day};
  }
  // A record of one check, made with room.
  void made() {
    RecordStore store;
    ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
    ASSERT_EQ(store.add(check(kDay), identityOf(mandarin())), RecordProblem::None);
  }

  Tmpfs small{folder / "data", 1024};
  sqlite3* other = nullptr;
};

const HindranceTest::Hindrance kFull{"a full disk", "磁盘已满", &HindranceTest::fill, &HindranceTest::unfill};
const HindranceTest::Hindrance kReadOnly{"a read-only folder", "文件是只读的", &HindranceTest::readOnly,
                                         &HindranceTest::writable};
const HindranceTest::Hindrance kTransaction{"another program's transaction", "被另一个程序占用",
                                            &HindranceTest::holdTransaction, &HindranceTest::closeOther};
const HindranceTest::Hindrance kExclusive{"another program in locking_mode=EXCLUSIVE", "被另一个程序占用",
                                          &HindranceTest::holdExclusive, &HindranceTest::closeOther};

TEST_F(HindranceTest, AFailureToReadOrWriteAtOpenIsNoDamage) {
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  for (const Hindrance& h : {kFull, kReadOnly, kExclusive}) {
    SCOPED_TRACE(h.what);
    made();
    (this->*h.impose)();
    {
      RecordStore store;
      store.setBusyTimeout(100);
      const RecordStore::Opened opened = store.open(db().string());
      EXPECT_NE(opened.problem, RecordProblem::Corrupt) << opened.detail;
      EXPECT_EQ(opened.movedTo, "");
      EXPECT_FALSE(store.writable());
      EXPECT_EQ(store.lastReason(), h.reason) << store.lastError();
    }
    (this->*h.lift)();
    RecordStore store;
    EXPECT_EQ(store.open(db().string()).problem, RecordProblem::None);
    EXPECT_EQ(rows(db(), "checks"), 1) << "the learner's record, as it was";
    EXPECT_EQ(setAside(), std::vector<std::string>{});
    for (const auto& entry : fs::directory_iterator(db().parent_path())) fs::remove(entry.path());
  }
}

TEST_F(HindranceTest, WhatIsRecordedWhileTheRecordCannotBeWrittenReachesItOnceItCan) {
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  for (const Hindrance& h : {kFull, kReadOnly, kTransaction, kExclusive}) {
    SCOPED_TRACE(h.what);
    made();
    (this->*h.impose)();
    RecordKeeper keeper(db().string(), options());
    keeper.record(check(kDay + 1));
    keeper.recordTake(take(kDay + 1));
    keeper.waitIdle();
    EXPECT_EQ(keeper.unwritten(), 2u);
    const std::string told = keeper.takeProblem();
    EXPECT_NE(told.find(std::string("（") + h.reason + "）"), std::string::npos) << told;
    EXPECT_EQ(told.find("损坏"), std::string::npos) << told;
    (this->*h.lift)();
    EXPECT_TRUE(reaches(2, 1)) << "written once the record could take them, in the same run";
    keeper.waitIdle();
    EXPECT_EQ(keeper.unwritten(), 0u);
    EXPECT_EQ(keeper.finish(), "") << "nothing left to tell at quit";
    EXPECT_EQ(setAside(), std::vector<std::string>{});
    for (const auto& entry : fs::directory_iterator(db().parent_path())) fs::remove(entry.path());
  }
}

TEST_F(HindranceTest, WhatCannotBeWrittenAtQuitIsKeptToldAndWrittenAtTheNextStart) {
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const fs::path beside = db().string() + ".unwritten";
  const struct {
    Hindrance hindrance;
    bool atStart;  // imposed before the program starts, or while it runs
    fs::path keptIn;
  } cases[] = {
      {kFull, false, folder / "spare"},
      {kReadOnly, true, folder / "spare"},
      {kTransaction, false, beside.parent_path()},
      {kExclusive, true, beside.parent_path()},
  };
  for (const auto& c : cases) {
    const Hindrance& h = c.hindrance;
    SCOPED_TRACE(std::string(h.what) + (c.atStart ? " at the start" : " while it runs"));
    made();
    std::string told;
    {
      if (c.atStart) (this->*h.impose)();
      RecordKeeper keeper(db().string(), options());
      keeper.waitIdle();
      if (!c.atStart) (this->*h.impose)();
      keeper.record(check(kDay + 1));
      keeper.record(check(kDay + 2));
      keeper.recordTake(take(kDay + 2));
      keeper.waitIdle();
      told = keeper.finish();
    }
    EXPECT_NE(told.find("有 2 次检查和 1 次跟读成绩（样例课文.mp3）没能写入练习记录"), std::string::npos) << told;
    EXPECT_NE(told.find(std::string("（") + h.reason + "）"), std::string::npos) << told;
    EXPECT_EQ(told.find("（）"), std::string::npos) << told;
    // Kept where it says.
    std::vector<fs::path> kept;
    for (const fs::path& place : {beside.parent_path(), folder / "spare"})
      if (fs::exists(place))
        for (const auto& entry : fs::directory_iterator(place))
          if (entry.path().filename().string().starts_with("practice.sqlite3.unwritten")) kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].parent_path(), c.keptIn);
    EXPECT_NE(told.find(kept[0].string()), std::string::npos) << told;

    (this->*h.lift)();
    EXPECT_EQ(rows(db(), "checks"), 1);
    {
      RecordKeeper next(db().string(), options());
      EXPECT_TRUE(reaches(3, 1)) << "written at the next start";
      next.waitIdle();
      EXPECT_FALSE(fs::exists(kept[0])) << "the file goes once its rows are in the record";
      EXPECT_EQ(next.finish(), "");
    }
    RecordStore store;
    ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
    const RecordStats stats = store.stats(kDay + 2, 10);
    ASSERT_EQ(stats.accuracyByDay.size(), 3u);
    EXPECT_EQ(stats.tones[2][3], 3) << "each check's slips came back whole";
    ASSERT_EQ(store.takes().size(), 1u);
    EXPECT_EQ(store.takes()[0].reasons, "第 5 个字的声调偏平");
    EXPECT_DOUBLE_EQ(store.takes()[0].lengthRatio, 1.2);
    EXPECT_EQ(setAside(), std::vector<std::string>{});
    for (const auto& entry : fs::directory_iterator(db().parent_path())) fs::remove(entry.path());
    fs::remove_all(folder / "spare");
  }
}

TEST_F(HindranceTest, AFileOfUnwrittenRowsIsNeverWrittenOverNorWrittenTwice) {
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const fs::path beside = db().string() + ".unwritten";
  const UnwrittenRow row{check(kDay + 1), identityOf(mandarin())};
  const std::string whole = unwrittenRowsText({row});
  const struct {
    const char* what;
    std::string bytes;    // the file an earlier run left
    bool alreadyWritten;  // its row reached the record before that run stopped
    std::int64_t checks;  // in the record after the next start
    bool left;            // the file stays as it was
  } cases[] = {
      {"a whole file", whole, false, 2, false},
      {"a whole file whose row is in the record", whole, true, 2, false},
      {"a file cut short", whole.substr(0, whole.size() - 4), false, 1, true},
      {"another program's file", "version = 2\n", false, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    made();
    if (c.alreadyWritten) {
      RecordStore store;
      ASSERT_EQ(store.open(db().string()).problem, RecordProblem::None);
      ASSERT_EQ(store.add(std::get<CheckRecord>(row.row), row.identity), RecordProblem::None);
    }
    ASSERT_TRUE(writeFileAtomically(beside, c.bytes).ok);
    {
      RecordKeeper keeper(db().string(), options());
      keeper.waitIdle();
      EXPECT_EQ(rows(db(), "checks"), c.checks);
      EXPECT_EQ(fs::exists(beside), c.left);
      if (c.left) {
        EXPECT_EQ(bytesOf(beside), c.bytes);
        EXPECT_NE(keeper.takeProblem().find(beside.string()), std::string::npos) << "told it was left";
      }
      // A check the record cannot take at quit goes to a file of its own.
      holdTransaction();
      keeper.record(check(kDay + 2));
      keeper.waitIdle();
      const std::string told = keeper.finish();
      closeOther();
      const fs::path kept = c.left ? fs::path(beside.string() + "-2") : beside;
      EXPECT_NE(told.find(kept.string()), std::string::npos) << told;
      ASSERT_TRUE(fs::exists(kept));
      if (c.left) {
        EXPECT_EQ(bytesOf(beside), c.bytes) << "never written over";
      }
    }
    {
      RecordKeeper next(db().string(), options());
      EXPECT_TRUE(reaches(c.checks + 1, 0));
      EXPECT_EQ(next.finish(), "");
    }
    EXPECT_EQ(fs::exists(beside), c.left);
    for (const auto& entry : fs::directory_iterator(db().parent_path())) fs::remove(entry.path());
  }
}

}  // namespace
}  // namespace tessaly::test
