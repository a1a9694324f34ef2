// SPDX-License-Identifier: GPL-3.0-or-later
// The .ram reader on any bytes: it must never crash, and what it gives must hold together:
// no more entries than the limit, no line ends inside an entry, local entries absolute.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "audio/RamFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto entries = tessaly::audio::parseRamFile(bytes, "/lessons");
  if (entries.size() > tessaly::audio::kMaxRamEntries) std::abort();
  for (const auto& entry : entries) {
    if (entry.location.empty()) std::abort();
    if (entry.location.find_first_of("\r\n") != std::string::npos) std::abort();
    if (entry.local && entry.location.front() != '/') std::abort();
    if (!entry.local && !tessaly::audio::hasUrlScheme(entry.location)) std::abort();
  }
  if (tessaly::audio::looksLikeRamText(bytes, size) && entries.empty()) std::abort();
  return 0;
}
