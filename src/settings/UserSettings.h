// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user options of the program's additions (the playing speed, ...): one small text
// file, settings.ini in $XDG_CONFIG_HOME/tessaly/, of "key=value" lines in UTF-8 (a byte
// order mark before the first is allowed). The program folder's files (path.ini, 900_8.dat)
// keep their own layouts and are never used for these.
//
// The file is kept line by line as the learner left it: a change rewrites the one line of its
// key (or adds a line at the end), and every other line (comments, blank lines, keys the
// program does not know or cannot read, their order, the line ends) is written back as it was.
//
// Made and used on the user-interface thread; a change is written in the background by the
// FileFolder, so a key press never waits on the disk.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "text/FileFolder.h"

namespace tessaly {

class UserSettings {
 public:
  static constexpr const char* kFileName = "settings.ini";

  // Reads the file now (a missing or unreadable one gives no values).
  explicit UserSettings(FileFolder& folder);

  std::optional<std::string> get(const std::string& key) const;
  // The number of `key`, or `fallback` when it is missing or not a whole number; a number too
  // large (or too small) for an int is the largest (or smallest) one.
  int getInt(const std::string& key, int fallback) const;
  // Sets `key` (no line ends in keys or values) and writes the file, unless nothing changed.
  void set(const std::string& key, const std::string& value);
  // Removes `key` (every line of it) and writes the file, unless it was not there.
  void remove(const std::string& key);
  // The keys that start with `prefix`, in the order of their names.
  std::vector<std::string> keysStartingWith(const std::string& prefix) const;
  // Counts the changes made through this object: what was read from it is still so while the
  // count is the same.
  std::uint64_t version() const { return version_; }

  // While one lives, the changes wait and are written once, together, when the last goes.
  class Batch {
   public:
    explicit Batch(UserSettings& settings) : settings_(settings) { ++settings_.batches_; }
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    UserSettings& settings_;
  };

  // The file's values: pure (the last line of a key counts).
  static std::map<std::string, std::string> parse(const std::string& text);

 private:
  struct Line {
    std::string text;  // as in the file, without its '\n' (a '\r' before it stays)
    bool gone = false;
  };
  struct Value {
    std::string value;
    std::vector<std::size_t> lines;  // in lines_; the last one's value counts
  };
  void changed();
  void write();

  FileFolder& folder_;
  std::string byteOrderMark_;
  std::vector<Line> lines_;
  bool endsWithLineEnd_ = true;
  std::map<std::string, Value> values_;
  std::uint64_t version_ = 0;
  int batches_ = 0;
  bool unwritten_ = false;  // a change waits for its batch to end
};

}  // namespace tessaly
