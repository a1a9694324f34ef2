// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/FileIdentity.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "text/Fnv.h"

namespace tessaly {

namespace {
constexpr std::size_t kIdentityBytes = 64 * 1024;
}  // namespace

RecordingIdentity identityOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!in || error) return {};
  // The first 64 KiB and the last (all of a smaller file, once).
  std::string bytes(std::min<std::uintmax_t>(size, 2 * kIdentityBytes), '\0');
  const std::size_t head = std::min<std::size_t>(bytes.size(), kIdentityBytes);
  in.read(bytes.data(), static_cast<std::streamsize>(head));
  if (bytes.size() > head) {
    in.seekg(static_cast<std::streamoff>(size - (bytes.size() - head)));
    in.read(bytes.data() + head, static_cast<std::streamsize>(bytes.size() - head));
  }
  if (!in) return {};
  return {static_cast<std::int64_t>(size), fnvHex(bytes)};
}

}  // namespace tessaly
