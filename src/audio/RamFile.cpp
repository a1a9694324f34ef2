// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/RamFile.h"

#include <algorithm>
#include <cctype>

namespace tessaly::audio {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int hi = hexValue(s[i + 1]);
      const int lo = hexValue(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        const int decoded = hi * 16 + lo;
        if (decoded >= 0x20) {  // a NUL or a line break inside a path stays as written
          out += static_cast<char>(decoded);
          i += 2;
          continue;
        }
      }
    }
    out += s[i];
  }
  return out;
}

std::string joinPath(std::string_view folder, std::string_view relative) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += relative;
  return path;
}

// The local path a file: URL names; relative forms ("file:a.rm", "file://a.rm") are taken
// from the .ram's folder, as hand-written files use them that way.
std::string fileUrlToPath(std::string_view url, std::string_view folder) {
  std::string_view rest = url.substr(5);  // after "file:"
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    if (startsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
  }
  const std::string path = percentDecode(rest);
  if (!path.empty() && path.front() == '/') return path;
  return joinPath(folder, path);
}

}  // namespace

// "scheme://" with a scheme of letters, digits, '+', '-' or '.', starting with a letter.
bool hasUrlScheme(std::string_view s) {
  const std::size_t colon = s.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  if (!std::isalpha(static_cast<unsigned char>(s[0]))) return false;
  return std::all_of(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
}

std::vector<RamEntry> parseRamFile(std::string_view text, std::string_view ramFolder) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<RamEntry> entries;
  while (!text.empty() && entries.size() < kMaxRamEntries) {
    const std::size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
      text = {};
    } else {
      const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
      text.remove_prefix(end + (crLf ? 2 : 1));
    }
    line = trim(line);
    if (line.empty() || line.front() == '#') continue;
    if (line.find('\0') != std::string_view::npos) continue;
    if (startsWithNoCase(line, "file:")) {
      std::string path = fileUrlToPath(line, ramFolder);
      if (path.size() > 1) entries.push_back({std::move(path), true});
    } else if (hasUrlScheme(line)) {
      entries.push_back({std::string(line), false});
    } else if (line.front() == '/') {
      entries.push_back({std::string(line), true});
    } else {
      entries.push_back({joinPath(ramFolder, line), true});
    }
  }
  return entries;
}

bool looksLikeRamText(std::string_view head, std::size_t fileSize) {
  if (fileSize == 0 || fileSize > kMaxRamFileBytes) return false;
  for (const char c : head) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') return false;
    if (byte == 0x7F) return false;
  }
  return !parseRamFile(head, "/").empty();
}

}  // namespace tessaly::audio
