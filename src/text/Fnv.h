// SPDX-License-Identifier: GPL-3.0-or-later
// FNV-1a, 64 bits: a stable name for a path (a recovery copy's file name, a settings key of a
// recording), the same in every build and on every machine. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

constexpr std::uint64_t fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// The hash as 16 lower-case hex digits: the form every name and key made of it takes.
inline std::string fnvHex(std::string_view bytes) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::uint64_t hash = fnv1a64(bytes);
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[static_cast<std::size_t>(i)] = kDigits[hash & 0xF];
  return hex;
}

}  // namespace tessaly
