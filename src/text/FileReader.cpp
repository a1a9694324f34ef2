// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/FileReader.h"

#include <filesystem>

#include "text/TextFile.h"

namespace tessaly {

FileBytes readWhole(const std::string& path) {
  FileBytes file;
  std::error_code error;
  file.exists = std::filesystem::exists(std::filesystem::status(path, error));
  if (file.exists) file.read = readFileBytes(path, file.bytes).ok;
  if (file.read) file.text = decodeText(file.bytes);
  return file;
}

void InlineFileReader::read(std::vector<std::string> paths, Done done) {
  std::vector<FileBytes> files;
  files.reserve(paths.size());
  for (const std::string& path : paths) files.push_back(readWhole(path));
  done(std::move(files));
}

}  // namespace tessaly
