// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlayQueue.h"

namespace tessaly {

void PlayQueue::clear() {
  index_ = 1;
  entries_[1] = kEndMarker;
}

std::string PlayQueue::fill(std::vector<std::string> entries) {
  if (entries.size() > static_cast<std::size_t>(kMaxEntries)) entries.resize(kMaxEntries);
  std::size_t slot = 1;
  for (std::string& entry : entries) entries_[slot++] = std::move(entry);
  entries_[slot] = kEndMarker;
  index_ = 2;
  return entries_[1];
}

bool PlayQueue::hasNext() const {
  return index_ >= 1 && index_ <= kSlots && entries_[static_cast<std::size_t>(index_)] != kEndMarker;
}

std::string PlayQueue::next() {
  if (!hasNext()) return {};
  return entries_[static_cast<std::size_t>(index_++)];
}

}  // namespace tessaly
