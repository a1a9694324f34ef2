// SPDX-License-Identifier: GPL-3.0-or-later
// The rows the record's writer could not write yet (checks and 跟读 takes, each with the
// recording's identity as it was read then), and the small text file they are kept in when
// the program quits before the record takes them: practice.sqlite3.unwritten beside the
// record, or a spare folder's copy when the record's folder cannot be written.
//
// The file is UTF-8 text, one row per line and its sentences and slips on lines of their
// own, fields apart by tabs (a tab, a line end or a backslash inside a field is escaped), and
// ends with a line "end": a file without it is not one of ours, or was cut short, and is left
// alone. Numbers are written so that they read back the same (no locale).
//
// Pure; any thread (the record's writer alone uses it).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "record/CheckRecord.h"
#include "record/TakeRecord.h"
#include "text/FileIdentity.h"

namespace tessaly {

struct UnwrittenRow {
  std::variant<CheckRecord, TakeRecord> row;
  RecordingIdentity identity;
  bool replayed = false;  // read back from a file: it may have reached the record already

  const std::string& recording() const;
  bool isTake() const { return std::holds_alternative<TakeRecord>(row); }
};

std::string unwrittenRowsText(const std::vector<UnwrittenRow>& rows);
// The rows of a file's text (each marked replayed); nullopt for a text that is not whole.
std::optional<std::vector<UnwrittenRow>> readUnwrittenRows(std::string_view text);

// What the rows are, for the learner: "2 次检查（样例课文.mp3）和 1 次跟读成绩".
std::string unwrittenRowsSummary(const std::vector<UnwrittenRow>& rows);

}  // namespace tessaly
