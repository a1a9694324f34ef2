// SPDX-License-Identifier: GPL-3.0-or-later
// Timestamps in the dictation text: Alt+T writes the playing position as "[mm:ss.t]" at the
// cursor, and a Ctrl+click on one jumps there. They are ordinary text of the dictation file.
// Pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// "[01:23.4]" for 83456 ms.
std::string timestampText(double ms);

// The position a timestamp stands for, when byte `at` of `line` lies on one ("[mm:ss.t]",
// also "[mm:ss]" and "[mm:ss.tt]").
std::optional<double> timestampAt(std::string_view line, std::size_t at);

}  // namespace tessaly
