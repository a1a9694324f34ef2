// SPDX-License-Identifier: GPL-3.0-or-later
// A file that must be new (the aligner's .lrc beside a recording, tessaly-align's output) is
// written whole or not at all, and never over anything already at its name.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempFolder.h"
#include "text/TextFile.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

TEST(NewFile, IsWrittenOnlyWhereNothingIsAndLeavesNoTemporary) {
  test::TempFolder dir;
  fs::create_directory(dir / "folder");
  fs::create_symlink("elsewhere.lrc", dir / "link.lrc");
  {
    const FileResult r = writeFileAtomically(dir / "mine.lrc", "[00:01.00]mine\r\n");
    ASSERT_TRUE(r.ok) << r.error;
  }
  const struct {
    const char* name;
    bool written;
  } cases[] = {{"new.lrc", true}, {"mine.lrc", false}, {"folder", false}, {"link.lrc", false}};
  for (const auto& c : cases) {
    const std::string before = fs::is_regular_file(dir / c.name) ? test::readBytes(dir / c.name) : "";
    const FileResult r = writeNewFileAtomically(dir / c.name, "[00:02.00]new\r\n");
    EXPECT_EQ(r.ok, c.written) << c.name << ": " << r.error;
    const std::string after = fs::is_regular_file(dir / c.name) ? test::readBytes(dir / c.name) : "";
    EXPECT_EQ(after, c.written ? "[00:02.00]new\r\n" : before) << c.name;
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link.lrc"));
  EXPECT_FALSE(fs::exists(dir / "elsewhere.lrc")) << "a link is not followed";
  EXPECT_EQ(dir.entries(), 4) << "no temporary left behind";
}

}  // namespace
}  // namespace tessaly
