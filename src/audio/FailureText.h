// SPDX-License-Identifier: GPL-3.0-or-later
// Why a recording cannot play, in the words the user reads: each kind of the decoder's
// failures (audio/Failure.h) in the program's Chinese. Pure; any thread.
#pragma once

#include <string>

#include "audio/Failure.h"

namespace tessaly::audio {

// "" for no failure. A .ram's failure names each entry and why it does not play.
std::string failureInChinese(const Failure& failure);

}  // namespace tessaly::audio
