// SPDX-License-Identifier: GPL-3.0-or-later
// The program finds its per-user folders one way (text/UserFolders.h); the folders it had
// from Qt's standard paths must be those same folders, spelt the same, in every environment
// (the record's spare file is named after the record's path).
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "qt/QtControls.h"
#include "text/UserFolders.h"

namespace tessaly::test {
namespace {

// Sets the variables of one case, and puts back what they were when it goes.
class Environment {
 public:
  explicit Environment(const std::map<std::string, std::optional<std::string>>& values) {
    for (const auto& [name, value] : values) {
      const char* was = std::getenv(name.c_str());
      before_[name] = was ? std::optional<std::string>(was) : std::nullopt;
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  ~Environment() {
    for (const auto& [name, value] : before_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> before_;
};

TEST(UserFoldersQt, AreTheFoldersOfQtsStandardPaths) {
  const std::optional<std::string> unset;
  const struct {
    std::optional<std::string> home, data, config, cache;
  } cases[] = {
      {"/home/u", unset, unset, unset},
      {"/home/u", "/d", "/c", "/k"},
      {"/home/u", "", "", ""},
      {"/home/u", unset, "/etc/xdg-u", ""},
      {"/home/u", "/d/", "//c//", "/k/../j"},
      {"/home/u", "rel", "rel/c", "./k"},
      {"/home/u/", unset, unset, unset},
      {"/home//u/./x/", unset, unset, unset},
      {"/home/u/../v", unset, unset, unset},
      {"a/..", unset, unset, unset},
      {"../x/..", unset, unset, unset},
      {"rel", unset, unset, unset},
      {"/", unset, unset, unset},
      {"", unset, unset, unset},
      {unset, unset, unset, unset},
      {unset, "/d", "/c", "/k"},
  };
  for (const auto& c : cases) {
    const Environment environment(
        {{"HOME", c.home}, {"XDG_DATA_HOME", c.data}, {"XDG_CONFIG_HOME", c.config}, {"XDG_CACHE_HOME", c.cache}});
    const std::string what = "HOME=" + c.home.value_or("(unset)") + " XDG_DATA_HOME=" + c.data.value_or("(unset)") +
                             " XDG_CONFIG_HOME=" + c.config.value_or("(unset)") +
                             " XDG_CACHE_HOME=" + c.cache.value_or("(unset)");
    const UserFolders folders = userFolders();
    const auto qt = [](QStandardPaths::StandardLocation location) {
      return qt::fromQt(QStandardPaths::writableLocation(location));
    };
    EXPECT_EQ(folders.data.string(), qt(QStandardPaths::GenericDataLocation)) << what;
    EXPECT_EQ(folders.config.string(), qt(QStandardPaths::GenericConfigLocation)) << what;
    EXPECT_EQ(folders.cache.string(), qt(QStandardPaths::GenericCacheLocation)) << what;
  }
}

}  // namespace
}  // namespace tessaly::test
