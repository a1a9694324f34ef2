// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Sqlite.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <thread>

namespace tessaly::sqlite {

namespace {

namespace fs = std::filesystem;

// "practice.sqlite3.corrupt-20261208-101500" (and a number if that is taken).
std::string asideName(const std::string& path) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string name = path + ".corrupt-" + stamp;
  for (int n = 2; fs::exists(name); ++n) name = path + ".corrupt-" + stamp + "-" + std::to_string(n);
  return name;
}

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
Statement::~Statement() { sqlite3_finalize(stmt_); }
Statement& Statement::bind(int at, std::int64_t v) { return sqlite3_bind_int64(stmt_, at, v), *this; }
Statement& Statement::bind(int at, int v) { return sqlite3_bind_int(stmt_, at, v), *this; }
Statement& Statement::bind(int at, double v) { return sqlite3_bind_double(stmt_, at, v), *this; }
Statement& Statement::bind(int at, const std::string& v) {
  return sqlite3_bind_text(stmt_, at, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT), *this;
}
int Statement::step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}
std::int64_t Statement::integer(int at) const { return sqlite3_column_int64(stmt_, at); }
double Statement::real(int at) const { return sqlite3_column_double(stmt_, at); }
std::string Statement::text(int at) const {
  const auto* p = sqlite3_column_text(stmt_, at);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, at)))
           : std::string();
}

Database::~Database() { close(); }

std::int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

void Database::close() {
  sqlite3_close_v2(db_);
  db_ = nullptr;
  writable_ = false;
}

int Database::onBusy(void* self, int count) {
  auto* database = static_cast<Database*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) database->busySince_ = now;
  if (now - database->busySince_ >= std::chrono::milliseconds(database->busyTimeoutMs_.load())) return 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return 1;
}

bool Database::exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  failure();
  return false;
}

void Database::rollback() {
  // A full disk or an I/O error may have ended the transaction already; the reason noted
  // stays the first failure's.
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

Problem Database::failure() {
  return openFailure(sqlite3_extended_errcode(db_), sqlite3_system_errno(db_), sqlite3_errmsg(db_));
}

Problem Database::openFailure(int code, int systemErrno, std::string words) {
  lastCode_ = code;
  lastErrno_ = systemErrno;
  lastError_ = std::move(words);
  return lastProblem();
}

void Database::noteFolderUnwritable(const std::string& path) {
  // SQLite could not open a file it needed (the record in WAL mode needs its -shm beside it);
  // the system says why of the folder.
  const std::string folder = fs::path(path).parent_path().string();
  if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0 && (errno == EROFS || errno == EACCES)) lastErrno_ = errno;
}

Problem Database::lastProblem() const {
  const int code = lastCode_ & 0xff;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) return Problem::Busy;
  if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) return Problem::Corrupt;
  return Problem::Unwritable;
}

std::string Database::lastReason() const {
  const int code = lastCode_ & 0xff;
  const auto systemSays = [this](const char* otherwise) -> std::string {
    if (lastErrno_ == ENOSPC || lastErrno_ == EDQUOT) return "磁盘已满";
    if (lastErrno_ == EROFS || lastErrno_ == EACCES || lastErrno_ == EPERM) return "文件是只读的";
    if (lastErrno_ == EFBIG) return "文件超过了系统允许的大小";
    return otherwise;
  };
  switch (code) {
    case SQLITE_FULL: return "磁盘已满";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "被另一个程序占用";
    case SQLITE_READONLY: return "文件是只读的";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "文件已损坏";
    case SQLITE_CANTOPEN: return systemSays("无法打开文件");
    case SQLITE_IOERR: return systemSays("磁盘读写出错");
    case SQLITE_OK: return systemSays("原因不明");
    default: return "SQLite：" + lastError_;
  }
}

Database::Opened Database::open(const std::string& path, std::span<const char* const> migrations) {
  const int schemaVersion = static_cast<int>(migrations.size());
  Opened opened;
  std::error_code error;
  fs::create_directories(fs::path(path).parent_path(), error);
  for (int attempt = 0; attempt < 2; ++attempt) {
    close();
    int code = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK) {  // a read-only file or folder: read what is there, write nothing
      const int first = sqlite3_extended_errcode(db_), firstErrno = sqlite3_system_errno(db_);
      close();
      code = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
      if (code != SQLITE_OK) {
        const Problem problem = openFailure(first, firstErrno, sqlite3_errstr(first));
        close();
        noteFolderUnwritable(path);
        return {problem == Problem::Busy ? problem : Problem::Unwritable, {}, lastError_};
      }
    }
    sqlite3_busy_handler(db_, &Database::onBusy, this);
    sqlite3_extended_result_codes(db_, 1);
    // The integrity check reads every page: a scrambled file says so here, not at the first
    // query the learner waits on. A check that could not read (a full disk, a lock, a folder
    // it cannot make its shared-memory file in) found no damage: the file stays as it is.
    std::string verdict;
    bool damaged = false, read = true;
    {
      Statement check(db_, "PRAGMA integrity_check");
      if (check.step() == SQLITE_ROW) {
        verdict = check.text(0);
        damaged = verdict != "ok";
      } else {
        damaged = failure() == Problem::Corrupt;  // SQLite's words for a file that is not a database
        verdict = lastError_;
        read = damaged;
      }
    }
    if (!read) {
      const Problem problem = lastProblem();
      close();
      if ((lastCode_ & 0xff) == SQLITE_CANTOPEN) noteFolderUnwritable(path);
      return {problem, {}, lastError_};
    }
    if (damaged) {
      close();
      if (attempt > 0) return {Problem::Corrupt, opened.movedTo, verdict};
      opened.problem = Problem::Corrupt;
      opened.detail = verdict;
      opened.movedTo = asideName(path);
      fs::rename(path, opened.movedTo, error);
      if (error) {
        openFailure(SQLITE_CANTOPEN, error.value(), error.message());
        return {Problem::Unwritable, {}, lastError_};
      }
      for (const char* tail : {"-wal", "-shm"}) fs::rename(path + tail, opened.movedTo + tail, error);
      continue;  // and make a new one
    }
    int version = 0;
    {
      Statement v(db_, "PRAGMA user_version");
      if (v.step() == SQLITE_ROW) version = static_cast<int>(v.integer(0));
    }
    if (version > schemaVersion) return {Problem::Newer, {}, "user_version " + std::to_string(version)};
    writable_ = !sqlite3_db_readonly(db_, "main");
    if (!writable_) {
      openFailure(SQLITE_READONLY, 0, "read-only");
      return {Problem::Unwritable, {}, lastError_};
    }
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL") || !exec("PRAGMA foreign_keys=ON") ||
        (version < schemaVersion && !migrate(migrations, version))) {
      writable_ = false;  // still read: what is there is shown
      const Problem problem = lastProblem();
      return {problem == Problem::Corrupt ? Problem::Unwritable : problem, {}, lastError_};
    }
    return opened;
  }
  return opened;
}

bool Database::migrate(std::span<const char* const> migrations, int from) {
  const int schemaVersion = static_cast<int>(migrations.size());
  if (!exec("BEGIN IMMEDIATE")) return false;
  for (int v = from; v < schemaVersion; ++v) {
    if (!exec(migrations[static_cast<std::size_t>(v)]) || !exec(("PRAGMA user_version=" + std::to_string(v + 1)).c_str())) {
      rollback();
      return false;
    }
  }
  return exec("COMMIT");
}

}  // namespace tessaly::sqlite
