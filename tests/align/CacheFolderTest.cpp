// SPDX-License-Identifier: GPL-3.0-or-later
// The unit cache lives in the per-user cache folder, found as every other per-user folder of
// the program is: never a folder relative to where the program was started (which may be the
// learner's own recordings).
#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "align/engine/UnitAligner.h"

namespace tessaly::test {
namespace {

TEST(UnitCacheFolder, IsInTheUserCacheFolderNeverTheWorkingFolder) {
  const struct {
    const char *home, *cache, *want;
  } cases[] = {
      {"/home/u", "", "/home/u/.cache/tessaly"},           {"/home/u/", "", "/home/u/.cache/tessaly"},
      {"/home/u", "/var/cache/u", "/var/cache/u/tessaly"}, {"", "", "//.cache/tessaly"},
      {"", "/var/cache/u", "/var/cache/u/tessaly"},
  };
  for (const auto& c : cases) {
    Environment environment;
    environment.set("HOME", c.home);
    environment.set("XDG_CACHE_HOME", c.cache);
    EXPECT_EQ(align::defaultCacheFolder(), c.want) << "HOME=" << c.home << " XDG_CACHE_HOME=" << c.cache;
  }
}

}  // namespace
}  // namespace tessaly::test
