// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WindowPlace.h"

#include <cstdio>

namespace tessaly {

std::optional<WindowPlace> readWindowPlace(const std::string& kept) {
  WindowPlace p;
  if (std::sscanf(kept.c_str(), "%d,%d,%d,%d", &p.x, &p.y, &p.width, &p.height) != 4) return std::nullopt;
  if (p.width < kLeastWindowWidth || p.height < kLeastWindowHeight) return std::nullopt;
  return p;
}

std::string windowPlaceText(const WindowPlace& place) {
  return std::to_string(place.x) + "," + std::to_string(place.y) + "," + std::to_string(place.width) + "," +
         std::to_string(place.height);
}

}  // namespace tessaly
