// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window was left, as kept in the settings: "x,y,width,height" in pixels (spaces
// before a number and anything after the fourth are let be). A kept place that does not read
// so, has a number no int holds, or is smaller than the window's least size, is none (the
// window opens at its own size).
//
// Any thread; pure.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

struct WindowPlace {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

inline constexpr int kLeastWindowWidth = 300;
inline constexpr int kLeastWindowHeight = 200;

std::optional<WindowPlace> readWindowPlace(const std::string& kept);
std::string windowPlaceText(const WindowPlace& place);

}  // namespace tessaly
