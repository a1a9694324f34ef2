// SPDX-License-Identifier: GPL-3.0-or-later
// The SQLite helpers on a small schema of their own: the migrations run in order, each once,
// all or none; a database of a newer schema is left as it is; a transaction keeps its rows
// only when committed.
#include "store/Sqlite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <vector>

#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

using sqlite::Database;
using sqlite::Problem;
using sqlite::Statement;

std::int64_t count(Database& database, const char* sql) {
  Statement q(database.handle(), sql);
  return q.step() == SQLITE_ROW ? q.integer(0) : -1;
}

TEST(Sqlite, MigrationsBringASchemaUpToDateAllOrNone) {
  const std::vector<const char*> one{"CREATE TABLE a (x INTEGER);"};
  const std::vector<const char*> two{"CREATE TABLE a (x INTEGER);", "CREATE TABLE b (y INTEGER);"};
  const std::vector<const char*> broken{"CREATE TABLE a (x INTEGER);", "CREATE TABLE b (y INTEGER);",
                                        "CREATE TABLE c (z INTEGER); NOT SQL;"};
  const struct {
    const char* what;
    std::vector<const char*> first, then;  // the migrations of the program that made it, then of this one
    Problem problem;
    std::int64_t version, tables;  // after the second open
  } cases[] = {
      {"made new", {}, two, Problem::None, 2, 2},
      {"an older schema brought up to date", one, two, Problem::None, 2, 2},
      {"the same schema: nothing runs again", two, two, Problem::None, 2, 2},
      {"a newer schema left alone", two, one, Problem::Newer, 2, 2},
      {"a migration that fails: none of them kept", one, broken, Problem::Unwritable, 1, 1},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const std::string path = (folder / "sub" / "made.sqlite3").string();
    if (!c.first.empty()) {
      Database made;
      ASSERT_EQ(made.open(path, c.first).problem, Problem::None) << c.what;
    }
    Database database;
    EXPECT_EQ(database.open(path, c.then).problem, c.problem) << c.what;
    EXPECT_EQ(database.writable(), c.problem == Problem::None) << c.what;
    EXPECT_EQ(count(database, "PRAGMA user_version"), c.version) << c.what;
    EXPECT_EQ(count(database, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), c.tables) << c.what;
  }
}

TEST(Sqlite, ATransactionKeepsItsRowsOnlyWhenCommitted) {
  const struct {
    const char* what;
    bool insert, commit;
    std::int64_t rows;
  } cases[] = {
      {"committed", true, true, 1},
      {"gone uncommitted", true, false, 0},
      {"nothing written, committed", false, true, 0},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    Database database;
    const std::vector<const char*> schema{"CREATE TABLE a (x INTEGER);"};
    ASSERT_EQ(database.open((folder / "t.sqlite3").string(), schema).problem, Problem::None);
    {
      sqlite::Transaction transaction(database);
      ASSERT_TRUE(transaction.begun()) << c.what;
      if (c.insert) {
        ASSERT_TRUE(database.exec("INSERT INTO a VALUES (1)")) << c.what;
      }
      if (c.commit) {
        EXPECT_TRUE(transaction.commit()) << c.what;
      }
    }
    EXPECT_EQ(count(database, "SELECT COUNT(*) FROM a"), c.rows) << c.what;
    sqlite::Transaction next(database);
    EXPECT_TRUE(next.begun()) << c.what << ": no transaction left open";
  }
}

}  // namespace
}  // namespace tessaly::test
