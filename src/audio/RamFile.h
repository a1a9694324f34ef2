// SPDX-License-Identifier: GPL-3.0-or-later
// The .ram reader: a small text file that names one or more streams, one per line. Pure
// functions with no FFmpeg in sight, so the fuzzer and the tests can drive them directly.
//
// Lines end in CR, LF or CR LF; blank lines and lines starting with "#" are skipped; spaces
// around an entry are ignored. An entry is a local path (relative ones are taken from the
// .ram's own folder), a file:// URL, or any other URL, which is handed on as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::audio {

struct RamEntry {
  std::string location;  // an absolute local path when `local`, otherwise the URL as written
  bool local = false;
  friend bool operator==(const RamEntry&, const RamEntry&) = default;
};

// A .ram names at most this many entries; the rest are ignored.
inline constexpr std::size_t kMaxRamEntries = 256;
// Larger files are media, never a .ram.
inline constexpr std::size_t kMaxRamFileBytes = 64 * 1024;

// Whether `s` starts with "scheme://" (a URL rather than a path).
bool hasUrlScheme(std::string_view s);

// The entries of `text` in file order. `ramFolder` is the absolute folder of the .ram file.
std::vector<RamEntry> parseRamFile(std::string_view text, std::string_view ramFolder);

// Whether a file of `fileSize` bytes starting with `head` is a .ram text rather than media:
// small, only printable text, and at least one entry.
bool looksLikeRamText(std::string_view head, std::size_t fileSize);

}  // namespace tessaly::audio
