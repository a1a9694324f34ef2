// SPDX-License-Identifier: GPL-3.0-or-later
// Reading any bytes as 900_8.dat: must never crash nor allocate more than the bytes hold,
// and writing the records back must leave exactly what writing them over the start of the
// old file would leave, so that a second read and write change nothing more.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dictation/AppearanceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tessaly::AppearanceFile file = tessaly::parseAppearanceFile(bytes);

  std::size_t held = file.tail.size();
  for (const auto& slot : file.records)
    for (const auto& text : slot.reservedTexts) held += text.size();
  if (held > size) std::abort();

  const std::string written = tessaly::serialiseAppearanceFile(file);
  if (written.size() < size) std::abort();  // a write never shortens the file
  const std::size_t records = written.size() - file.tail.size();
  std::string inPlace = written.substr(0, records);
  if (size > records) inPlace.append(bytes.substr(records));
  if (inPlace != written) std::abort();

  if (tessaly::serialiseAppearanceFile(tessaly::parseAppearanceFile(written)) != written) std::abort();
  return 0;
}
