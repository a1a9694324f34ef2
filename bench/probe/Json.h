// SPDX-License-Identifier: GPL-3.0-or-later
// A text as a JSON string, quotes and escapes included: tessaly-probe's lines are JSON.
#pragma once

#include <cstdio>
#include <string>

namespace tessaly::bench {

inline std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace tessaly::bench
