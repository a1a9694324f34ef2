// SPDX-License-Identifier: GPL-3.0-or-later
// Why a recording cannot play, in the words the user reads: the decoder's reasons (English,
// for logs and the probe) turned into the program's Chinese. Pure; any thread.
#pragma once

#include <string>

namespace tessaly::audio {

// "" for ""; a reason the table does not know reads as a general one with the English added.
std::string failureInChinese(const std::string& reason);

}  // namespace tessaly::audio
