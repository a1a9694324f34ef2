// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordStore.h"

#include <sqlite3.h>

#include <optional>

#include "review/ReviewSchedule.h"

namespace tessaly {

namespace {

using sqlite::Statement;

// The schema, version by version: a record made by an older program is brought up to date.
// Version 1 kept the checks; version 2 added the review schedule; version 3 the 跟读 takes.
// clang-format off
constexpr const char* kMigrations[] = {
    // to version 1
    "CREATE TABLE recordings (id INTEGER PRIMARY KEY, path TEXT NOT NULL, size INTEGER NOT NULL,"
    "  hash TEXT NOT NULL, UNIQUE (size, hash));"
    "CREATE TABLE checks (id INTEGER PRIMARY KEY, recording_id INTEGER NOT NULL REFERENCES recordings(id),"
    "  at INTEGER NOT NULL, day INTEGER NOT NULL);"
    "CREATE TABLE attempts (id INTEGER PRIMARY KEY, check_id INTEGER NOT NULL REFERENCES checks(id),"
    "  recording_id INTEGER NOT NULL, start_ms INTEGER NOT NULL, end_ms INTEGER NOT NULL,"
    "  reference TEXT NOT NULL, written TEXT NOT NULL, accuracy REAL NOT NULL, day INTEGER NOT NULL);"
    "CREATE INDEX attempts_by_day ON attempts (day);"
    "CREATE TABLE slips (attempt_id INTEGER NOT NULL REFERENCES attempts(id), kind TEXT NOT NULL,"
    "  expected TEXT NOT NULL, written TEXT NOT NULL, expected_reading TEXT NOT NULL,"
    "  written_reading TEXT NOT NULL, expected_tone INTEGER NOT NULL, written_tone INTEGER NOT NULL);"
    "CREATE INDEX slips_by_kind ON slips (kind);",
    // to version 2 (each migration stays as it first ran: its 99.95 is kCleanAccuracy)
    "ALTER TABLE recordings ADD COLUMN set_aside INTEGER NOT NULL DEFAULT 0;"
    "CREATE TABLE reviews (recording_id INTEGER NOT NULL REFERENCES recordings(id),"
    "  start_ms INTEGER NOT NULL, end_ms INTEGER NOT NULL, reference TEXT NOT NULL,"
    "  repetitions INTEGER NOT NULL, interval_days INTEGER NOT NULL, ease REAL NOT NULL,"
    "  due_day INTEGER NOT NULL, PRIMARY KEY (recording_id, start_ms, end_ms));"
    "CREATE INDEX reviews_by_due ON reviews (due_day);"
    "INSERT INTO reviews SELECT a.recording_id, a.start_ms, a.end_ms, a.reference, 0, 1, 2.5, MAX(a.day) + 1"
    "  FROM attempts a WHERE a.start_ms >= 0 AND a.accuracy < 99.95 GROUP BY a.recording_id, a.start_ms, a.end_ms;",
    // to version 3
    "CREATE TABLE takes (id INTEGER PRIMARY KEY, recording_id INTEGER NOT NULL REFERENCES recordings(id),"
    "  start_ms INTEGER NOT NULL, end_ms INTEGER NOT NULL, reference TEXT NOT NULL, at INTEGER NOT NULL,"
    "  day INTEGER NOT NULL, score INTEGER NOT NULL, length_ratio REAL NOT NULL, shape REAL NOT NULL,"
    "  range_st REAL NOT NULL, reasons TEXT NOT NULL, take_path TEXT NOT NULL);",
};
// clang-format on
static_assert(std::size(kMigrations) == RecordStore::kSchemaVersion);

}  // namespace

RecordStore::Opened RecordStore::open(const std::string& path) { return database_.open(path, kMigrations); }

std::int64_t RecordStore::recordingIdOf(const std::string& path, const RecordingIdentity& identity) {
  // Found by its identity (moved: its path is brought up to date), else by its path (an
  // unreadable file), else new.
  const std::string hash = identity.known() ? identity.hash : "path:" + path;
  std::int64_t recordingId = 0;
  {
    Statement find(db(), "SELECT id FROM recordings WHERE size = ? AND hash = ?");
    find.bind(1, identity.size).bind(2, hash);
    if (find.step() == SQLITE_ROW) recordingId = find.integer(0);
  }
  if (recordingId) {
    Statement move(db(), "UPDATE recordings SET path = ?, set_aside = 0 WHERE id = ? AND path <> ?");
    return move.bind(1, path).bind(2, recordingId).bind(3, path).step() == SQLITE_DONE ? recordingId : 0;
  }
  Statement add(db(), "INSERT INTO recordings (path, size, hash) VALUES (?, ?, ?)");
  if (add.bind(1, path).bind(2, identity.size).bind(3, hash).step() != SQLITE_DONE) return 0;
  return database_.lastInsertId();
}

RecordProblem RecordStore::writeFor(const std::string& path, const RecordingIdentity& identity,
                                    const std::function<bool(std::int64_t recordingId)>& write) {
  if (!writable()) return RecordProblem::Unwritable;
  sqlite::Transaction transaction(database_);
  if (!transaction.begun()) return database_.lastProblem();
  if (const std::int64_t recordingId = recordingIdOf(path, identity);
      recordingId && write(recordingId) && transaction.commit())
    return RecordProblem::None;
  return database_.failure();  // the statement's or the commit's: nothing ran since; then rolled back
}

RecordProblem RecordStore::addTake(const TakeRecord& take, const RecordingIdentity& identity) {
  return writeFor(take.recording, identity, [&](std::int64_t recordingId) {
    Statement add(db(),
                  "INSERT INTO takes (recording_id, start_ms, end_ms, reference, at, day, score, length_ratio, shape,"
                  " range_st, reasons, take_path) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    add.bind(1, recordingId).bind(2, take.startMs).bind(3, take.endMs).bind(4, take.reference).bind(5, take.at);
    add.bind(6, take.day).bind(7, take.score).bind(8, take.lengthRatio).bind(9, take.shape).bind(10, take.rangeSt);
    add.bind(11, take.reasons).bind(12, take.takePath);
    return add.step() == SQLITE_DONE;
  });
}

std::vector<TakeRecord> RecordStore::takes() {
  std::vector<TakeRecord> found;
  Statement q(db(),
              "SELECT r.path, t.start_ms, t.end_ms, t.reference, t.score, t.length_ratio, t.shape, t.range_st,"
              " t.reasons, t.take_path, t.at, t.day FROM takes t JOIN recordings r ON r.id = t.recording_id ORDER BY t.id");
  while (q.step() == SQLITE_ROW)
    found.push_back({q.text(0), static_cast<std::int32_t>(q.integer(1)), static_cast<std::int32_t>(q.integer(2)), q.text(3),
                     static_cast<int>(q.integer(4)), q.real(5), q.real(6), q.real(7), q.text(8), q.text(9), q.integer(10),
                     static_cast<int>(q.integer(11))});
  return found;
}

RecordProblem RecordStore::add(const CheckRecord& record, const RecordingIdentity& identity) {
  if (!writable()) return RecordProblem::Unwritable;
  if (record.sentences.empty()) return RecordProblem::None;
  return writeFor(record.recording, identity, [&](std::int64_t recordingId) {
    Statement check(db(), "INSERT INTO checks (recording_id, at, day) VALUES (?, ?, ?)");
    if (check.bind(1, recordingId).bind(2, record.at).bind(3, record.day).step() != SQLITE_DONE) return false;
    const std::int64_t checkId = database_.lastInsertId();
    Statement attempt(db(),
                      "INSERT INTO attempts (check_id, recording_id, start_ms, end_ms, reference, written, accuracy, day)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    Statement slip(db(),
                   "INSERT INTO slips (attempt_id, kind, expected, written, expected_reading, written_reading,"
                   " expected_tone, written_tone) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    Statement schedule(db(),
                       "SELECT repetitions, interval_days, ease, due_day FROM reviews"
                       " WHERE recording_id = ? AND start_ms = ? AND end_ms = ?");
    Statement reschedule(db(),
                         "INSERT OR REPLACE INTO reviews (recording_id, start_ms, end_ms, reference, repetitions,"
                         " interval_days, ease, due_day) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    if (!attempt.ok() || !slip.ok() || !schedule.ok() || !reschedule.ok()) return false;
    for (const RecordedSentence& s : record.sentences) {
      attempt.bind(1, checkId).bind(2, recordingId).bind(3, s.startMs).bind(4, s.endMs).bind(5, s.reference);
      attempt.bind(6, s.written).bind(7, s.accuracy).bind(8, record.day);
      if (attempt.step() != SQLITE_DONE) return false;
      attempt.reset();
      const std::int64_t attemptId = database_.lastInsertId();
      for (const RecordedSlip& x : s.slips) {
        slip.bind(1, attemptId).bind(2, x.kind).bind(3, x.expected).bind(4, x.written).bind(5, x.expectedReading);
        slip.bind(6, x.writtenReading).bind(7, x.expectedTone).bind(8, x.writtenTone);
        if (slip.step() != SQLITE_DONE) return false;
        slip.reset();
      }
      if (s.startMs < 0) continue;  // not in the recording: nothing to play back
      // A sentence comes back for review once it is missed; every later attempt moves it on.
      std::optional<ReviewState> state;
      schedule.bind(1, recordingId).bind(2, s.startMs).bind(3, s.endMs);
      if (schedule.step() == SQLITE_ROW)
        state = ReviewState{static_cast<int>(schedule.integer(0)), static_cast<int>(schedule.integer(1)), schedule.real(2),
                            static_cast<int>(schedule.integer(3))};
      schedule.reset();
      const std::optional<ReviewState> after = afterAttempt(state, s.accuracy, record.day);
      if (!after) continue;
      const ReviewState& next = *after;
      reschedule.bind(1, recordingId).bind(2, s.startMs).bind(3, s.endMs).bind(4, s.reference);
      reschedule.bind(5, next.repetitions).bind(6, next.intervalDays).bind(7, next.ease).bind(8, next.dueDay);
      if (reschedule.step() != SQLITE_DONE) return false;
      reschedule.reset();
    }
    return true;
  });
}

bool RecordStore::holds(const CheckRecord& record, const RecordingIdentity& identity) {
  if (!isOpen()) return false;
  const std::string hash = identity.known() ? identity.hash : "path:" + record.recording;
  Statement q(db(),
              "SELECT COUNT(*) FROM checks c JOIN recordings g ON g.id = c.recording_id"
              " WHERE g.size = ? AND g.hash = ? AND c.at = ? AND c.day = ?"
              " AND (SELECT COUNT(*) FROM attempts a WHERE a.check_id = c.id) = ?");
  q.bind(1, identity.size).bind(2, hash).bind(3, record.at).bind(4, record.day);
  q.bind(5, static_cast<std::int64_t>(record.sentences.size()));
  return q.step() == SQLITE_ROW && q.integer(0) > 0;
}

bool RecordStore::holds(const TakeRecord& take) {
  if (!isOpen()) return false;
  Statement q(db(), "SELECT COUNT(*) FROM takes WHERE at = ? AND take_path = ? AND start_ms = ? AND end_ms = ?");
  q.bind(1, take.at).bind(2, take.takePath).bind(3, take.startMs).bind(4, take.endMs);
  return q.step() == SQLITE_ROW && q.integer(0) > 0;
}

std::vector<DueSentence> RecordStore::due(int today, int most) {
  std::vector<DueSentence> list;
  if (!isOpen()) return list;
  Statement q(db(),
              "SELECT r.recording_id, g.path, g.size, g.hash, r.start_ms, r.end_ms, r.reference,"
              " r.repetitions, r.interval_days, r.ease, r.due_day"
              " FROM reviews r JOIN recordings g ON g.id = r.recording_id"
              " WHERE r.due_day <= ? AND g.set_aside = 0 ORDER BY r.due_day, r.recording_id, r.start_ms LIMIT ?");
  q.bind(1, today).bind(2, most);
  while (q.step() == SQLITE_ROW) {
    DueSentence d;
    d.recordingId = q.integer(0);
    d.recording = q.text(1);
    d.identity = {q.integer(2), q.text(3)};
    d.startMs = static_cast<std::int32_t>(q.integer(4));
    d.endMs = static_cast<std::int32_t>(q.integer(5));
    d.reference = q.text(6);
    d.state = {static_cast<int>(q.integer(7)), static_cast<int>(q.integer(8)), q.real(9), static_cast<int>(q.integer(10))};
    list.push_back(std::move(d));
  }
  return list;
}

int RecordStore::dueCount(int today) {
  if (!isOpen()) return 0;
  Statement q(db(),
              "SELECT COUNT(*) FROM reviews r JOIN recordings g ON g.id = r.recording_id"
              " WHERE r.due_day <= ? AND g.set_aside = 0");
  q.bind(1, today);
  return q.step() == SQLITE_ROW ? static_cast<int>(q.integer(0)) : 0;
}

RecordStats RecordStore::stats(int today, int days) {
  RecordStats s;
  if (!isOpen()) return s;
  {
    Statement q(db(), "SELECT day, AVG(accuracy) FROM attempts WHERE day > ? AND day <= ? GROUP BY day ORDER BY day");
    q.bind(1, today - days).bind(2, today);
    while (q.step() == SQLITE_ROW) s.accuracyByDay.emplace_back(static_cast<int>(q.integer(0)), q.real(1));
  }
  {
    Statement q(db(), "SELECT kind, COUNT(*) FROM slips GROUP BY kind ORDER BY 2 DESC, 1");
    while (q.step() == SQLITE_ROW) s.slipKinds.emplace_back(q.text(0), static_cast<int>(q.integer(1)));
  }
  {
    Statement q(db(),
                "SELECT expected_tone, written_tone, COUNT(*) FROM slips WHERE kind IN ('tone', 'homophone')"
                " AND expected_tone BETWEEN 1 AND 5 AND written_tone BETWEEN 1 AND 5 GROUP BY 1, 2");
    while (q.step() == SQLITE_ROW)
      s.tones[static_cast<std::size_t>(q.integer(0) - 1)][static_cast<std::size_t>(q.integer(1) - 1)] = static_cast<int>(
          q.integer(2));
  }
  {
    Statement q(db(),
                "SELECT expected, COUNT(*) FROM slips WHERE kind IN ('missing', 'spelling', 'other')"
                " AND expected GLOB '[a-z]*' GROUP BY expected ORDER BY 2 DESC, 1 LIMIT 10");
    while (q.step() == SQLITE_ROW) s.wordsMissed.emplace_back(q.text(0), static_cast<int>(q.integer(1)));
  }
  {
    Statement q(db(), "SELECT COUNT(*) FROM attempts");
    if (q.step() == SQLITE_ROW) s.sentences = q.integer(0);
  }
  return s;
}

std::vector<MissedSentence> RecordStore::missed(std::int64_t recordingId) {
  std::vector<MissedSentence> notes;
  if (!isOpen()) return notes;
  Statement q(db(),
              "SELECT g.path, g.hash, r.start_ms, r.end_ms, r.reference,"
              " (SELECT a.id FROM attempts a WHERE a.recording_id = r.recording_id AND a.start_ms = r.start_ms"
              "  AND a.end_ms = r.end_ms AND a.accuracy < ? ORDER BY a.id DESC LIMIT 1)"
              " FROM reviews r JOIN recordings g ON g.id = r.recording_id"
              " WHERE g.set_aside = 0 AND (? = 0 OR r.recording_id = ?) ORDER BY r.recording_id, r.start_ms");
  q.bind(1, kCleanAccuracy).bind(2, recordingId).bind(3, recordingId);
  Statement written(db(), "SELECT written FROM attempts WHERE id = ?");
  Statement slips(db(),
                  "SELECT kind, expected, written, expected_reading, written_reading, expected_tone, written_tone"
                  " FROM slips WHERE attempt_id = ? ORDER BY rowid");
  while (q.step() == SQLITE_ROW) {
    MissedSentence note{
        q.text(0), q.text(1), static_cast<std::int32_t>(q.integer(2)), static_cast<std::int32_t>(q.integer(3)), q.text(4),
        {},        {}};
    const std::int64_t attempt = q.integer(5);
    if (written.bind(1, attempt).step() == SQLITE_ROW) note.written = written.text(0);
    written.reset();
    slips.bind(1, attempt);
    while (slips.step() == SQLITE_ROW)
      note.slips.push_back({slips.text(0), slips.text(1), slips.text(2), slips.text(3), slips.text(4),
                            static_cast<int>(slips.integer(5)), static_cast<int>(slips.integer(6))});
    slips.reset();
    notes.push_back(std::move(note));
  }
  return notes;
}

std::vector<KnownRecording> RecordStore::recordings() {
  std::vector<KnownRecording> list;
  if (!isOpen()) return list;
  Statement q(db(), "SELECT id, path, size, hash, set_aside FROM recordings ORDER BY id");
  while (q.step() == SQLITE_ROW) list.push_back({q.integer(0), q.text(1), {q.integer(2), q.text(3)}, q.integer(4) != 0});
  return list;
}

bool RecordStore::relink(std::int64_t recordingId, const std::string& path) {
  if (!writable()) return false;
  Statement q(db(), "UPDATE recordings SET path = ?, set_aside = 0 WHERE id = ?");
  return q.bind(1, path).bind(2, recordingId).step() == SQLITE_DONE || (database_.failure(), false);
}

bool RecordStore::setAside(std::int64_t recordingId) {
  if (!writable()) return false;
  Statement q(db(), "UPDATE recordings SET set_aside = 1 WHERE id = ?");
  return q.bind(1, recordingId).step() == SQLITE_DONE || (database_.failure(), false);
}

}  // namespace tessaly
