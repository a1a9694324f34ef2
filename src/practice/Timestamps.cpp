// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/Timestamps.h"

#include <cctype>

#include "text/Module1.h"

namespace tessaly {

std::string timestampText(double ms) { return "[" + formatPosition(static_cast<std::int32_t>(ms)) + "]"; }

std::optional<double> timestampAt(std::string_view line, std::size_t at) {
  if (at >= line.size()) return std::nullopt;
  const auto open = line.rfind('[', at);
  if (open == std::string_view::npos) return std::nullopt;
  const auto close = line.find(']', open);
  if (close == std::string_view::npos || close < at || close - open > 10) return std::nullopt;
  const std::string_view inner = line.substr(open + 1, close - open - 1);
  // mm:ss, then an optional fraction of one or two digits.
  if (inner.size() < 5 || inner[2] != ':') return std::nullopt;
  const auto digit = [&inner](std::size_t i) {
    return i < inner.size() && std::isdigit(static_cast<unsigned char>(inner[i]));
  };
  if (!digit(0) || !digit(1) || !digit(3) || !digit(4)) return std::nullopt;
  const int minutes = (inner[0] - '0') * 10 + (inner[1] - '0');
  const int seconds = (inner[3] - '0') * 10 + (inner[4] - '0');
  if (seconds >= 60) return std::nullopt;
  double ms = (minutes * 60 + seconds) * 1000.0;
  if (inner.size() > 5) {
    if (inner[5] != '.' || inner.size() > 8 || !digit(6) || (inner.size() == 8 && !digit(7))) return std::nullopt;
    ms += (inner[6] - '0') * 100 + (inner.size() == 8 ? (inner[7] - '0') * 10 : 0);
  }
  return ms;
}

}  // namespace tessaly
