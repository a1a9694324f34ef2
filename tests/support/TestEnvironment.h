// SPDX-License-Identifier: GPL-3.0-or-later
// Every test runs headless: Qt on its offscreen platform, SDL on its dummy audio driver,
// unless the test's environment already names others (the disk driver, a display).
#pragma once

#include <cstdlib>

namespace tessaly::test {

inline void useHeadlessDefaults() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
}

}  // namespace tessaly::test
