// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramFolder.h"

#include <unistd.h>

#include "dictation/AppearanceFile.h"
#include "text/TextFile.h"

namespace tessaly {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kVoiceMarker = "@VOICE@";

bool writableFolder(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK) == 0;
}

void copySample(const fs::path& from, const fs::path& voice) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(from, error)) {
    if (!entry.is_regular_file(error)) continue;
    const fs::path target = voice / entry.path().filename();
    if (entry.path().extension() == ".lst") {
      TextFileContent list;
      if (!readTextFile(entry.path(), list).ok) continue;
      (void)writeTextFile(target, resolveSampleList(list.text, voice.string()), list.encoding);
    } else {
      fs::copy_file(entry.path(), target, fs::copy_options::skip_existing, error);
    }
  }
}

}  // namespace

fs::path chooseProgramFolder(const fs::path& executableFolder, const fs::path& userDataFolder) {
  // An installed program (bin/ beside share/tessaly/) keeps its users' files apart, even for
  // root, who could write into /usr/bin.
  std::error_code error;
  const bool installed = executableFolder.filename() == "bin" &&
                         fs::is_directory(executableFolder.parent_path() / "share" / "tessaly", error);
  if (!installed && writableFolder(executableFolder)) return executableFolder;
  fs::create_directories(userDataFolder, error);
  return userDataFolder;
}

std::string resolveSampleList(const std::string& listText, const std::string& voiceFolder) {
  std::string text = listText;
  for (std::size_t at = text.find(kVoiceMarker); at != std::string::npos;
       at = text.find(kVoiceMarker, at + voiceFolder.size()))
    text.replace(at, kVoiceMarker.size(), voiceFolder);
  return text;
}

void prepareProgramFolder(const fs::path& appPath, const std::vector<fs::path>& dataFolders) {
  std::error_code error;
  const fs::path voice = appPath / "voice";
  const bool firstRun = !fs::exists(voice, error);
  fs::create_directories(voice, error);
  for (const fs::path& data : dataFolders) {
    if (!fs::is_directory(data, error) || fs::equivalent(data, appPath, error)) continue;
    if (!fs::exists(appPath / "0091.htm", error) && fs::exists(data / "0091.htm", error))
      fs::copy_file(data / "0091.htm", appPath / "0091.htm", error);
    // A readable first look wherever the file is absent: settings a user has are never touched.
    if (!fs::exists(appPath / "900_8.dat", error) && fs::exists(data / "900_8.dat", error))
      fs::copy_file(data / "900_8.dat", appPath / "900_8.dat", error);
    if (firstRun && fs::is_directory(data / "voice", error)) {
      copySample(data / "voice", voice);
      break;
    }
  }
  // No shipped file to copy (the program copied alone, as portable programs are): the same
  // readable first look, written here, rather than the empty file the settings would make
  // (0 pt yellow on pale green). A folder with voice/ but no 900_8.dat gets it too.
  if (!fs::exists(appPath / "900_8.dat", error) && !error)
    (void)writeFileAtomically(appPath / "900_8.dat", serialiseAppearanceFile(firstStartAppearanceFile()));
  // A sample copied into the build tree beside the program still names its folder by the
  // marker: resolve it where it lies.
  for (const auto& entry : fs::directory_iterator(voice, error)) {
    if (entry.path().extension() != ".lst") continue;
    TextFileContent list;
    if (!readTextFile(entry.path(), list).ok || list.text.find(kVoiceMarker) == std::string::npos) continue;
    (void)writeTextFile(entry.path(), resolveSampleList(list.text, voice.string()), list.encoding);
  }
}

}  // namespace tessaly
