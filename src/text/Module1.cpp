// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Module1.h"

#include <cmath>

namespace tessaly {

std::vector<std::string_view> splitAt(std::string_view text, char at) {
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t end = text.find(at, from);
    parts.push_back(text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
    if (end == std::string_view::npos) return parts;
    from = end + 1;
  }
}

std::string trimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

namespace {

std::string pathUpToLastMark(std::string_view path, char mark) {
  const std::string s = trimSpaces(path);
  const auto at = s.rfind(mark);
  if (at == std::string::npos) return {};
  return s.substr(0, at + 1);
}

// "000" + the number, keeping only the last `width` characters.
std::string lastDigits(double value, std::size_t width) {
  const std::string text = "000" + std::to_string(static_cast<long long>(value));
  return text.substr(text.size() - width);
}

}  // namespace

std::string pathUpToLastDot(std::string_view path) { return pathUpToLastMark(path, '.'); }
std::string pathUpToLastBackslash(std::string_view path) { return pathUpToLastMark(path, '\\'); }
std::string pathUpToLastSlash(std::string_view path) { return pathUpToLastMark(path, '/'); }

std::string formatPosition(std::int32_t ms) {
  const double value = ms;
  const double minutes = std::floor(value / 60000.0);
  const double seconds = std::floor(value / 1000.0) - 60.0 * minutes;
  const double tenths = std::floor((value - 60000.0 * minutes - 1000.0 * seconds) / 100.0);
  return lastDigits(minutes, 2) + ":" + lastDigits(seconds, 2) + "." + lastDigits(tenths, 1);
}

}  // namespace tessaly
