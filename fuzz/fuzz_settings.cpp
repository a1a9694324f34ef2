// SPDX-License-Identifier: GPL-3.0-or-later
// Reading any bytes as settings.ini: never a crash, and what was read is written and read
// back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/UserSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto values = tessaly::UserSettings::parse(text);
  if (tessaly::UserSettings::parse(tessaly::UserSettings::serialise(values)) != values) std::abort();
  return 0;
}
