// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/PlayerLayouts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaly {

namespace {

// One row per layout: Command1 to Command20, then Picture1 to Picture3.
// T enabled (shown), F disabled (hidden), '.' left as it is.
struct LayoutRow {
  Layout layout;
  std::string_view cells;
};

// clang-format off
constexpr LayoutRow kLayoutTable[] = {
    //                                  C1........C10 C11.......C20 P1-3
    {Layout::Start,                    "TTTTTTFTTT" "TTTTTTFTTT" "FTF"},
    {Layout::Stop,                     "TTFFTFFFF." "TTFFTFFFF." "TFF"},
    {Layout::EnterRepeatLoop,          "...FFTFFF." "...FFTFFF." "FFT"},
    {Layout::LeaveRepeatLoop,          "TTTTTTFTT." "TTTTTTFTT." "FTF"},
    {Layout::Pause,                    "F.FFFFTFF." "F.FFFFTFF." "..."},
    {Layout::ContinueInRepeatLoop,     "TTTFFTFFF." "TTTFFTFFF." "FFT"},
    {Layout::ContinueInNormalListening,"TTTTTTFTT." "TTTTTTFTT." "FTF"},
};
// clang-format on

}  // namespace

void applyLayout(Layout layout, const PlayerControls& controls) {
  for (const LayoutRow& row : kLayoutTable) {
    if (row.layout != layout) continue;
    for (int i = 0; i < kPlayerButtonCount; ++i)
      if (row.cells[static_cast<std::size_t>(i)] != '.')
        controls.button(i + 1).setEnabled(row.cells[static_cast<std::size_t>(i)] == 'T');
    for (int i = 0; i < 3; ++i)
      if (row.cells[static_cast<std::size_t>(kPlayerButtonCount + i)] != '.')
        controls.picture(i + 1).setVisible(row.cells[static_cast<std::size_t>(kPlayerButtonCount + i)] == 'T');
    return;
  }
}

void showPicture(StatusPicture which, const PlayerControls& controls) {
  for (int i = 1; i <= 3; ++i) controls.picture(i).setVisible(i == static_cast<int>(which));
}

std::int32_t toDevicePosition(double ms) {
  constexpr double lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double highest = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(ms)) return 0;
  return static_cast<std::int32_t>(std::round(std::clamp(ms, lowest, highest)));
}

}  // namespace tessaly
