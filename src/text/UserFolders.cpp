// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/UserFolders.h"

#include <cstdlib>

namespace tessaly {

namespace {

// HOME as a clean path: no "." or ".." where they can be resolved, no doubled or trailing
// separator; the root folder when it is unset or empty.
std::string homeOf(const std::optional<std::string>& home) {
  if (!home || home->empty()) return "/";
  std::string clean = std::filesystem::path(*home).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
}

}  // namespace

UserFolders userFoldersIn(const std::function<std::optional<std::string>(const char* name)>& variable) {
  const std::string home = homeOf(variable("HOME"));
  const auto folder = [&](const char* name, const char* underHome) {
    const std::optional<std::string> set = variable(name);
    return std::filesystem::path(set && !set->empty() ? *set : home + underHome);
  };
  return {folder("XDG_DATA_HOME", "/.local/share"), folder("XDG_CONFIG_HOME", "/.config"),
          folder("XDG_CACHE_HOME", "/.cache")};
}

UserFolders userFolders() {
  return userFoldersIn([](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
  });
}

}  // namespace tessaly
