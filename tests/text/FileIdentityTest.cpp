// SPDX-License-Identifier: GPL-3.0-or-later
// A recording's identity is kept in the learner's record and in file names, so it must stay
// what it is: the size, and FNV-1a of the first 64 KiB followed by the last 64 KiB (a file
// of up to 128 KiB hashed whole, once). Something that is not a readable file has none.
#include "text/FileIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempFolder.h"
#include "text/Fnv.h"

namespace tessaly::test {
namespace {

constexpr std::size_t kKiB = 1024;

// Bytes that differ from position to position, so a slice taken from the wrong place shows.
std::string patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

TEST(FileIdentity, IsTheSizeAndTheHashOfTheFirstAndLast64KiB) {
  const struct {
    const char* what;
    std::size_t size;
  } cases[] = {
      {"empty", 0},
      {"a few bytes", 3},
      {"exactly 64 KiB", 64 * kKiB},
      {"exactly 128 KiB: hashed whole", 128 * kKiB},
      {"one byte past 128 KiB: the middle byte is left out", 128 * kKiB + 1},
      {"a recording's size", 3 * 1000 * 1000 + 17},
  };
  TempFolder folder;
  for (const auto& c : cases) {
    const std::string bytes = patterned(c.size);
    const auto path = folder / "lesson.mp3";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const std::string hashed = c.size <= 128 * kKiB ? bytes : bytes.substr(0, 64 * kKiB) + bytes.substr(c.size - 64 * kKiB);
    const RecordingIdentity identity = identityOf(path.string());
    EXPECT_TRUE(identity.known()) << c.what;
    EXPECT_EQ(identity.size, static_cast<std::int64_t>(c.size)) << c.what;
    EXPECT_EQ(identity.hash, fnvHex(hashed)) << c.what;
  }
}

TEST(FileIdentity, FollowsTheBytesNotTheName) {
  TempFolder folder;
  const std::string bytes = patterned(200 * kKiB);
  std::ofstream(folder / "a.mp3", std::ios::binary) << bytes;
  std::ofstream(folder / "renamed.mp3", std::ios::binary) << bytes;
  std::string tail = bytes;
  tail.back() ^= 1;
  std::ofstream(folder / "tail.mp3", std::ios::binary) << tail;
  std::string middle = bytes;
  middle[100 * kKiB] ^= 1;
  std::ofstream(folder / "middle.mp3", std::ios::binary) << middle;

  const RecordingIdentity original = identityOf((folder / "a.mp3").string());
  EXPECT_EQ(identityOf((folder / "renamed.mp3").string()), original);
  EXPECT_NE(identityOf((folder / "tail.mp3").string()), original) << "the last 64 KiB count";
  EXPECT_EQ(identityOf((folder / "middle.mp3").string()), original) << "the middle is not read";
}

TEST(FileIdentity, IsUnknownForWhatCannotBeRead) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "a folder");
  for (const std::string& path : {(folder / "missing.mp3").string(), (folder / "a folder").string(), std::string()}) {
    const RecordingIdentity identity = identityOf(path);
    EXPECT_FALSE(identity.known()) << path;
    EXPECT_EQ(identity.size, -1) << path;
  }
}

}  // namespace
}  // namespace tessaly::test
