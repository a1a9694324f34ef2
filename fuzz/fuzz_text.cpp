// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding and line reading of any bytes: must never crash, and whatever comes out must be
// valid UTF-8 that a write in any of the program's encodings and a read give back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/Encoding.h"
#include "text/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tessaly::DecodedText decoded = tessaly::decodeText(bytes);
  if (!tessaly::isValidUtf8(decoded.utf8)) std::abort();
  const auto lines = tessaly::splitLines(decoded.utf8);
  for (const auto& line : lines)
    if (line.find('\r') != std::string::npos) std::abort();
  for (const auto encoding : {tessaly::TextEncoding::Gb18030, tessaly::TextEncoding::Utf8, tessaly::TextEncoding::Utf8Bom})
    if (tessaly::decodeText(tessaly::encodeText(decoded.utf8, encoding)).utf8 != decoded.utf8) std::abort();
  return 0;
}
