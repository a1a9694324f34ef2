// SPDX-License-Identifier: GPL-3.0-or-later
// Reading any bytes as the recovery copy of an unsaved play list: never a crash, and a copy
// that reads is written back to a copy that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "recovery/ListRecovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto record = tessaly::decodeListRecovery(bytes);
  if (!record) return 0;
  const auto again = tessaly::decodeListRecovery(tessaly::encodeListRecovery(*record));
  if (!again || *again != *record) std::abort();
  return 0;
}
