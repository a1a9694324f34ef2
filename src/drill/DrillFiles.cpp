// SPDX-License-Identifier: GPL-3.0-or-later
#include "drill/DrillFiles.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace tessaly {

namespace {

namespace fs = std::filesystem;

bool present(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Another file in the folder of `outPath` with its name and an extension the player opens.
bool anotherRecordingNamedLike(const fs::path& outPath) {
  static constexpr std::array kRecordings = {".mp3",  ".wav", ".rm",  ".ram",  ".ra",  ".wma", ".ogg", ".oga",
                                             ".opus", ".m4a", ".aac", ".flac", ".mp2", ".ape", ".amr"};
  const fs::path folder = outPath.parent_path().empty() ? fs::path(".") : outPath.parent_path();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    if (path.stem() != outPath.stem() || path.filename() == outPath.filename()) continue;
    const std::string extension = lower(path.extension().string());
    if (std::find(kRecordings.begin(), kRecordings.end(), extension) != kRecordings.end()) return true;
  }
  return false;
}

}  // namespace

std::string drillCompanion(const std::string& outPath, const char* extension) {
  const fs::path path(outPath);
  return (path.parent_path() / path.stem()).string() + extension;
}

bool isDrillLrc(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (int i = 0; i < 3 && std::getline(in, line); ++i) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == kDrillLrcMark) return true;
  }
  return false;
}

std::vector<std::string> filesInTheWay(const std::string& outPath) {
  std::vector<std::string> inTheWay;
  const std::string lrc = drillCompanion(outPath, ".lrc");
  const bool drillLrc = present(lrc) && isDrillLrc(lrc);
  const bool another = anotherRecordingNamedLike(outPath);
  const bool earlierDrill = present(outPath) && drillLrc && !another;
  if (present(outPath) && !drillLrc) inTheWay.push_back(outPath);
  if (present(lrc) && !drillLrc) inTheWay.push_back(lrc);
  for (const char* extension : {".srt", ".txt"})
    if (const std::string companion = drillCompanion(outPath, extension); present(companion) && !earlierDrill)
      inTheWay.push_back(companion);
  return inTheWay;
}

bool sharesItsLrc(const std::string& outPath) {
  const std::string lrc = drillCompanion(outPath, ".lrc");
  return present(lrc) && isDrillLrc(lrc) && anotherRecordingNamedLike(outPath);
}

}  // namespace tessaly
