// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WindowPlace.h"

#include <cctype>
#include <charconv>
#include <system_error>

namespace tessaly {

namespace {

// A number as "%d" reads one (spaces before it, a sign), but only one an int holds.
bool readNumber(const char*& at, const char* end, int& number) {
  while (at != end && std::isspace(static_cast<unsigned char>(*at))) ++at;
  if (at != end && *at == '+') {
    ++at;
    if (at == end || !std::isdigit(static_cast<unsigned char>(*at))) return false;
  }
  const auto [next, error] = std::from_chars(at, end, number);
  if (error != std::errc()) return false;
  at = next;
  return true;
}

}  // namespace

std::optional<WindowPlace> readWindowPlace(const std::string& kept) {
  WindowPlace p;
  const char* at = kept.data();
  const char* const end = at + kept.size();
  int* const numbers[] = {&p.x, &p.y, &p.width, &p.height};
  for (std::size_t i = 0; i < 4; ++i) {
    if (i > 0 && (at == end || *at++ != ',')) return std::nullopt;
    if (!readNumber(at, end, *numbers[i])) return std::nullopt;
  }
  if (p.width < kLeastWindowWidth || p.height < kLeastWindowHeight) return std::nullopt;
  return p;
}

std::string windowPlaceText(const WindowPlace& place) {
  return std::to_string(place.x) + "," + std::to_string(place.y) + "," + std::to_string(place.width) + "," +
         std::to_string(place.height);
}

}  // namespace tessaly
