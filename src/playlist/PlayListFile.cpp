// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlayListFile.h"

#include "text/Module1.h"

namespace tessaly {

std::string entryType(std::string_view entry) {
  // Step back over two characters: a character starts at any byte that is not a UTF-8
  // continuation byte (10xxxxxx).
  std::size_t start = entry.size();
  for (int characters = 0; characters < 2 && start > 0; ++characters) {
    do {
      --start;
    } while (start > 0 && (static_cast<unsigned char>(entry[start]) & 0xC0) == 0x80);
  }
  return std::string(entry.substr(start));
}

bool isMixedList(const std::vector<std::string>& entries) {
  if (entries.empty()) return false;
  const std::string first = entryType(entries.front());
  for (std::size_t i = 1; i < entries.size(); ++i)
    if (entryType(entries[i]) != first) return true;
  return false;
}

std::vector<std::string> parseListForEditing(std::string_view bytes, TextEncoding* encoding) {
  DecodedText decoded = decodeText(bytes);
  if (encoding) *encoding = decoded.encoding;
  return splitLines(decoded.utf8);
}

std::vector<std::string> parseListForPlaying(std::string_view bytes) {
  std::vector<std::string> entries = parseListForEditing(bytes);
  for (auto& entry : entries) entry = trimSpaces(entry);
  return entries;
}

FileResult readListForEditing(const std::filesystem::path& path, std::vector<std::string>& entries,
                              TextEncoding* encoding) {
  std::string bytes;
  FileResult result = readFileBytes(path, bytes);
  entries = result.ok ? parseListForEditing(bytes, encoding) : std::vector<std::string>{};
  return result;
}

FileResult readListForPlaying(const std::filesystem::path& path, std::vector<std::string>& entries) {
  std::string bytes;
  FileResult result = readFileBytes(path, bytes);
  entries = result.ok ? parseListForPlaying(bytes) : std::vector<std::string>{};
  return result;
}

std::string encodePlayList(const std::vector<std::string>& entries, TextEncoding encoding) {
  return encodeText(joinLinesCrLf(entries), encoding);
}

FileResult writePlayList(const std::filesystem::path& path, const std::vector<std::string>& entries,
                         TextEncoding encoding) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].find('\r') != std::string::npos)
      return {false, "cannot write " + path.string() + ": entry " + std::to_string(i + 1) + " holds a carriage return"};
  }
  return writeFileAtomically(path, encodePlayList(entries, encoding));
}

std::string readLastFolder(const std::filesystem::path& pathIni) {
  std::vector<std::string> lines;
  if (!readTextLines(pathIni, lines).ok || lines.empty()) return {};
  return lines.front();
}

FileResult writeLastFolder(const std::filesystem::path& pathIni, std::string_view chosenPath) {
  // Keep a UTF-8 path.ini in UTF-8; a missing one is created in the program's own encoding.
  TextEncoding encoding = TextEncoding::Gb18030;
  TextFileContent old;
  if (readTextFile(pathIni, old).ok) encoding = old.encoding;
  return writeTextFile(pathIni, pathUpToLastSlash(chosenPath) + "\r\n", encoding);
}

}  // namespace tessaly
