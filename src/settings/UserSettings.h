// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user options of the program's additions (the playing speed, ...): one small text
// file, settings.ini in $XDG_CONFIG_HOME/tessaly/, of "key=value" lines in UTF-8. The
// program folder's files (path.ini, 900_8.dat) keep their own layouts and are never used
// for these. A key the program does not know is kept as it was.
//
// Made and used on the user-interface thread; a change is written in the background by the
// FileFolder, so a key press never waits on the disk.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "text/FileFolder.h"

namespace tessaly {

class UserSettings {
 public:
  static constexpr const char* kFileName = "settings.ini";

  // Reads the file now (a missing or unreadable one gives no values).
  explicit UserSettings(FileFolder& folder);

  std::optional<std::string> get(const std::string& key) const;
  // The number of `key`, or `fallback` when it is missing or not a whole number.
  int getInt(const std::string& key, int fallback) const;
  // Sets `key` (no line ends in keys or values) and writes the file, unless nothing changed.
  void set(const std::string& key, const std::string& value);
  // Removes `key` and writes the file, unless it was not there.
  void remove(const std::string& key);

  // The file's text and back: pure.
  static std::map<std::string, std::string> parse(const std::string& text);
  static std::string serialise(const std::map<std::string, std::string>& values);

 private:
  FileFolder& folder_;
  std::map<std::string, std::string> values_;
};

}  // namespace tessaly
