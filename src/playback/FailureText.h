// SPDX-License-Identifier: GPL-3.0-or-later
// Why a recording cannot play, in the words the user reads: each kind of the decoder's
// and the devices' failures (playback/Failure.h) in the program's Chinese. Pure; any thread.
#pragma once

#include <string>

#include "playback/Failure.h"

namespace tessaly {

// "" for no failure. A .ram's failure names each entry and why it does not play.
std::string failureInChinese(const Failure& failure);

}  // namespace tessaly
