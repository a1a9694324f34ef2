// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user folders over the environments a desktop may start the program in: the XDG
// variables when set and not empty, HOME's fallbacks otherwise, HOME read as a clean path and
// the root folder without one. The record's spare file is named after the record's path, so
// the spelling of each answer is part of what is pinned.
#include "text/UserFolders.h"

#include <gtest/gtest.h>

#include <map>

namespace tessaly::test {
namespace {

TEST(UserFolders, FollowTheXdgVariablesElseHome) {
  const std::optional<std::string> unset;
  const struct {
    const char* what;
    std::optional<std::string> home, data, config, cache;
    const char *wantData, *wantConfig, *wantCache;
  } cases[] = {
      {"HOME only", "/home/u", unset, unset, unset, "/home/u/.local/share", "/home/u/.config", "/home/u/.cache"},
      {"every variable set", "/home/u", "/d", "/c", "/k", "/d", "/c", "/k"},
      {"empty XDG variables are unset", "/home/u", "", "", "", "/home/u/.local/share", "/home/u/.config", "/home/u/.cache"},
      {"one set, two not", "/home/u", unset, "/etc/xdg-u", "", "/home/u/.local/share", "/etc/xdg-u", "/home/u/.cache"},
      {"XDG values kept as they are written", "/home/u", "/d/", "//c//", "/k/../j", "/d/", "//c//", "/k/../j"},
      {"relative XDG values kept", "/home/u", "rel", "rel/c", "./k", "rel", "rel/c", "./k"},
      {"HOME with a trailing separator", "/home/u/", unset, unset, unset, "/home/u/.local/share", "/home/u/.config",
       "/home/u/.cache"},
      {"HOME cleaned", "/home//u/./x/", unset, unset, unset, "/home/u/x/.local/share", "/home/u/x/.config",
       "/home/u/x/.cache"},
      {"HOME with ..", "/home/u/../v", unset, unset, unset, "/home/v/.local/share", "/home/v/.config", "/home/v/.cache"},
      {"HOME relative", "rel", unset, unset, unset, "rel/.local/share", "rel/.config", "rel/.cache"},
      {"HOME the root", "/", unset, unset, unset, "//.local/share", "//.config", "//.cache"},
      {"HOME empty: the root, never the working folder", "", unset, unset, unset, "//.local/share", "//.config",
       "//.cache"},
      {"HOME unset: the root", unset, unset, unset, unset, "//.local/share", "//.config", "//.cache"},
      {"HOME unset, XDG set", unset, "/d", "/c", "/k", "/d", "/c", "/k"},
  };
  for (const auto& c : cases) {
    const std::map<std::string, std::optional<std::string>> environment{
        {"HOME", c.home}, {"XDG_DATA_HOME", c.data}, {"XDG_CONFIG_HOME", c.config}, {"XDG_CACHE_HOME", c.cache}};
    const UserFolders folders = userFoldersIn([&](const char* name) { return environment.at(name); });
    EXPECT_EQ(folders.data.string(), c.wantData) << c.what;
    EXPECT_EQ(folders.config.string(), c.wantConfig) << c.what;
    EXPECT_EQ(folders.cache.string(), c.wantCache) << c.what;
  }
}

}  // namespace
}  // namespace tessaly::test
