// SPDX-License-Identifier: GPL-3.0-or-later
// A recording's identity, the same wherever the file is moved or renamed: its size and a hash
// of its first and last 64 KiB. The learner's record finds a moved recording by it, and the
// names of the files made from a recording (its 跟读 takes, its cached unit timing) carry it.
// Reads the file on the caller's thread; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct RecordingIdentity {
  std::int64_t size = -1;  // -1: the file could not be read
  std::string hash;        // 16 hex digits: FNV-1a of the first and the last 64 KiB
  bool known() const { return size >= 0; }
  friend bool operator==(const RecordingIdentity&, const RecordingIdentity&) = default;
};

// Reads the file at `path`.
RecordingIdentity identityOf(const std::string& path);

}  // namespace tessaly
