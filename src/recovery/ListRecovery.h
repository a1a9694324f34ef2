// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy of a play list being edited in the list manager: when the program must
// end at once (a termination signal, the desktop's logout) with a list whose changes are not
// saved, the list goes into a copy of its own in the per-user recovery folder, and the next
// start offers it back in the list manager, to be saved there. One copy at most: the manager
// edits one list at a time.
//
// Pure, but for keepUnsavedList and the copy's read, which go through the FileFolder.
// User-interface thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/FileFolder.h"

namespace tessaly {

struct ListRecord {
  std::string listPath;              // the list's file, or "未命名.lst" for a new one
  std::vector<std::string> entries;  // in play order
  friend bool operator==(const ListRecord&, const ListRecord&) = default;
};

inline constexpr std::string_view kListCopyName = "unsaved-play-list.lst";

// The copy's bytes: a short readable header, then one entry a line (LF). Pure.
std::string encodeListRecovery(const ListRecord& record);
std::optional<ListRecord> decodeListRecovery(std::string_view bytes);

// Writes `record` as the copy (in the background, as the folder writes).
void keepUnsavedList(FileFolder& folder, const ListRecord& record);
// The copy left by an earlier run, if any (an unreadable one is none).
std::optional<ListRecord> unsavedListCopy(const FileFolder& folder);
void discardUnsavedList(FileFolder& folder);

}  // namespace tessaly
