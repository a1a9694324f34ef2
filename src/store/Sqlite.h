// SPDX-License-Identifier: GPL-3.0-or-later
// SQLite as the record's store uses it: a prepared statement that is finalised when it goes,
// one connection with what its last failure was, a transaction that rolls back unless it was
// committed, and the open of a database file of a versioned schema.
//
// The open makes the file (and its folder) when missing. A file that is damaged (not a
// database by its header, or its integrity check finds faults) is moved aside, kept and never
// deleted ("NAME.corrupt-YYYYMMDD-HHMMSS", its -wal and -shm with it), and a new one made; a
// file that merely cannot be read or written now (a full disk, a read-only file or folder,
// another program's lock) is left as it is. A file of a newer schema than the migrations
// reach is left alone, and not written. Otherwise the journal is WAL, synchronous NORMAL,
// foreign keys on, and an older schema is brought up to date by the migrations in one
// transaction. A lock another program holds is waited on for the busy timeout, which may be
// shortened while a wait is under way.
//
// A connection is used by one thread at a time; setBusyTimeout alone may be called from any
// thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace tessaly::sqlite {

enum class Problem { None, Corrupt, Newer, Unwritable, Busy };

// One prepared statement, finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return stmt_ != nullptr; }
  Statement& bind(int at, std::int64_t v);
  Statement& bind(int at, int v);
  Statement& bind(int at, double v);
  Statement& bind(int at, const std::string& v);
  // SQLITE_ROW, SQLITE_DONE or an error.
  int step();
  // Ready to be bound and run again.
  void reset();
  std::int64_t integer(int at) const;
  double real(int at) const;
  std::string text(int at) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class Database {
 public:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  struct Opened {
    Problem problem = Problem::None;
    std::string movedTo;  // a damaged file's new name
    std::string detail;   // SQLite's words
  };
  // Opens the database at `path`; `migrations[v]` brings the schema from version v to v + 1.
  Opened open(const std::string& path, std::span<const char* const> migrations);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  bool writable() const { return db_ != nullptr && writable_; }
  sqlite3* handle() const { return db_; }
  std::int64_t lastInsertId() const;
  // How long a database another program holds is waited on, from now on (a wait under way
  // included). Any thread.
  void setBusyTimeout(int ms) { busyTimeoutMs_.store(ms); }

  // Runs `sql`; a failure is noted.
  bool exec(const char* sql);
  // Ends the transaction under way, if one still is.
  void rollback();
  // Notes the connection's last error (its code, the system's errno and SQLite's words).
  Problem failure();
  Problem lastProblem() const;
  const std::string& lastError() const { return lastError_; }
  // Why the last open or write failed, in the learner's words: "磁盘已满", "文件是只读的",
  // "被另一个程序占用"…
  std::string lastReason() const;

 private:
  bool migrate(std::span<const char* const> migrations, int from);
  Problem openFailure(int code, int systemErrno, std::string words);
  void noteFolderUnwritable(const std::string& path);
  static int onBusy(void* self, int count);

  sqlite3* db_ = nullptr;
  bool writable_ = false;
  std::string lastError_;
  int lastCode_ = 0, lastErrno_ = 0;
  std::atomic<int> busyTimeoutMs_{5000};
  std::chrono::steady_clock::time_point busySince_;
};

// BEGIN IMMEDIATE, then COMMIT; rolled back when it goes uncommitted.
class Transaction {
 public:
  explicit Transaction(Database& database) : database_(database), begun_(database.exec("BEGIN IMMEDIATE")) {}
  ~Transaction() {
    if (begun_ && !committed_) database_.rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool begun() const { return begun_; }
  bool commit() { return committed_ = database_.exec("COMMIT"); }

 private:
  Database& database_;
  const bool begun_;
  bool committed_ = false;
};

}  // namespace tessaly::sqlite
