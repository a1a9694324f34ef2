// SPDX-License-Identifier: GPL-3.0-or-later
// PlayQueue: the play list being played. Its entries lie in slots 1 to kSlots (slot 0 is
// unused), the last followed by the end marker; the index is the slot played next. A list
// longer than kMaxEntries keeps its first kMaxEntries, since the marker takes the last slot.
// Before anything is cleared or filled the index is 0 and nothing comes next.
//
// Owned by the main window's logic; user-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class PlayQueue {
 public:
  static constexpr int kSlots = 125;
  static constexpr int kMaxEntries = kSlots - 1;
  static constexpr std::string_view kEndMarker = "end";  // a play list's entries end here

  // No list: the index on slot 1, which holds the end marker.
  void clear();
  // The list `entries` (at most kMaxEntries of them kept), its first entry being played:
  // the index on the second. Returns the first entry (`entries` must not be empty).
  std::string fill(std::vector<std::string> entries);
  // Whether an entry comes next.
  bool hasNext() const;
  // The entry that comes next, the index moved past it; "" when none does.
  std::string next();

  std::int16_t index() const { return index_; }
  const std::string& entry(int slot) const { return entries_.at(static_cast<std::size_t>(slot)); }

 private:
  std::array<std::string, kSlots + 1> entries_;
  std::int16_t index_ = 0;
};

}  // namespace tessaly
