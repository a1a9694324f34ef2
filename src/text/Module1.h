// SPDX-License-Identifier: GPL-3.0-or-later
// Module1: the stateless text helpers shared by both windows.
// Paths and texts are UTF-8. The marks and the trimmed spaces are ASCII, so cutting
// bytes is the same as cutting characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// `text` cut at every `at`: n marks give n + 1 pieces, empty ones kept; views into `text`.
std::vector<std::string_view> splitAt(std::string_view text, char at);

// Removes leading and trailing ASCII spaces (U+0020 only).
std::string trimSpaces(std::string_view text);

// The trimmed path up to and including its last ".", or "" when it has none.
std::string pathUpToLastDot(std::string_view path);

// The trimmed path up to and including its last "\", or "" when it has none.
std::string pathUpToLastBackslash(std::string_view path);

// The native sibling of pathUpToLastBackslash: cuts at the last "/". This is the folder
// written to path.ini on this platform.
std::string pathUpToLastSlash(std::string_view path);

// Milliseconds as "mm:ss.t" (minutes keep their last two digits; negative values give the
// digits and minus signs the arithmetic gives).
std::string formatPosition(std::int32_t ms);

}  // namespace tessaly
