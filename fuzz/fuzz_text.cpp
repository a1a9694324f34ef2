// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding and line reading of any bytes: must never crash, and whatever comes out must be
// valid UTF-8 that survives a write and read in the program's own encoding.
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
  const std::string again = tessaly::encodeText(decoded.utf8, tessaly::TextEncoding::Gb18030);
  if (tessaly::gb18030ToUtf8(again) != decoded.utf8) std::abort();
  return 0;
}
