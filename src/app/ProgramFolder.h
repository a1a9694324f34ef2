// SPDX-License-Identifier: GPL-3.0-or-later
// The program folder (appPath): where path.ini, 900_8.dat, the web panel's page and the
// default lesson folder voice/ live. Prepared once at start-up, before the window loads.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// The folder to use: the executable's folder when it is writable and not an installed
// program's (a bin/ beside share/tessaly/), otherwise `userDataFolder` (created when missing).
std::filesystem::path chooseProgramFolder(const std::filesystem::path& executableFolder,
                                          const std::filesystem::path& userDataFolder);

// Makes `appPath`/voice/ and, the first time (when voice/ did not exist yet), copies the
// sample lesson from `dataFolder`/voice/ into it, and the first start's 900_8.dat unless the
// folder has one. Copies the web panel's page 0091.htm when
// the program folder has none. Play lists shipped with the sample name their files as
// "@VOICE@/name"; the marker becomes the real voice folder. Nothing here is fatal: a file
// that cannot be copied is left out.
void prepareProgramFolder(const std::filesystem::path& appPath, const std::vector<std::filesystem::path>& dataFolders);

// The play-list lines with "@VOICE@" replaced by `voiceFolder` (no trailing "/").
std::string resolveSampleList(const std::string& listText, const std::string& voiceFolder);

}  // namespace tessaly
