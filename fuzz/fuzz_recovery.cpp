// SPDX-License-Identifier: GPL-3.0-or-later
// Reading any bytes as a recovery copy: never a crash, and a copy that reads is written back
// to the same bytes it came from whenever its paths hold no backslash or line end (those are
// escaped, so they come back as the same paths but spelt with escapes).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "recovery/RecoveryKeeper.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto record = tessaly::decodeRecovery(bytes);
  if (!record) return 0;
  const auto again = tessaly::decodeRecovery(tessaly::encodeRecovery(*record));
  if (!again || *again != *record) std::abort();
  return 0;
}
