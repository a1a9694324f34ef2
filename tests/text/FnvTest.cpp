// SPDX-License-Identifier: GPL-3.0-or-later
// The names and keys made of FNV-1a (recovery copies, settings keys of a recording, a
// recording's identity in the record) must read the same in every build: the published test
// vectors, as 16 hex digits with their leading zeros.
#include "text/Fnv.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

TEST(Fnv, GivesThePublishedHashesAsSixteenHexDigits) {
  const struct {
    const char* bytes;
    std::uint64_t hash;
    const char* hex;
  } cases[] = {
      {"", 0xcbf29ce484222325ull, "cbf29ce484222325"},
      {"a", 0xaf63dc4c8601ec8cull, "af63dc4c8601ec8c"},
      {"foobar", 0x85944171f73967e8ull, "85944171f73967e8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fnv1a64(c.bytes), c.hash) << c.bytes;
    EXPECT_EQ(fnvHex(c.bytes), c.hex) << c.bytes;
  }
  // A hash whose top digits are zero keeps them.
  for (int i = 0; i < 4096; ++i) {
    const std::string bytes = std::to_string(i);
    const std::string hex = fnvHex(bytes);
    ASSERT_EQ(hex.size(), 16u);
    EXPECT_EQ(std::stoull(hex, nullptr, 16), fnv1a64(bytes));
  }
}

}  // namespace
}  // namespace tessaly::test
