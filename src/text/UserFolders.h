// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user folders the program keeps its own files in, found from the environment the way
// the desktop's base-directory rules say: $XDG_DATA_HOME (else HOME/.local/share) for what
// the learner makes (the record, takes, recovery copies), $XDG_CONFIG_HOME (else HOME/.config)
// for the settings, $XDG_CACHE_HOME (else HOME/.cache) for what can be made again. An
// XDG variable that is unset or empty takes the fallback; HOME is read as a clean path, and
// an unset or empty HOME is the root folder ("//.local/share"). The program's own folder is
// "tessaly" inside each.
//
// Pure but for userFolders(), which reads the process's environment; any thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tessaly {

struct UserFolders {
  std::filesystem::path data;
  std::filesystem::path config;
  std::filesystem::path cache;
};

// The folders in an environment: `variable(name)` is the variable's value, nullopt when unset.
UserFolders userFoldersIn(const std::function<std::optional<std::string>(const char* name)>& variable);

// The folders in this process's environment.
UserFolders userFolders();

}  // namespace tessaly
