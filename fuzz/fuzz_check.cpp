// SPDX-License-Identifier: GPL-3.0-or-later
// Checking any bytes against any bytes (a dictation and a reference the user typed or chose):
// never a crash, the edits walk both texts, and the markup gives back every byte typed.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "check/Check.h"
#include "check/Markup.h"
#include "check/Reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = bytes.find('\0');
  const std::string dictation(bytes.substr(0, cut));
  const std::string reference(cut == std::string_view::npos ? std::string_view() : bytes.substr(cut + 1));
  static const tessaly::CheckTables tables;  // no readings: the rules without the tables
  const tessaly::CheckResult result = tessaly::checkAgainst(dictation, tessaly::referenceFromPlainText(reference), tables);
  if (result.tooDifferent) return 0;
  int dictationUnits = 0;
  for (const tessaly::Edit& e : result.edits) dictationUnits += e.dictation >= 0 ? e.dictationUnits : 0;
  if (dictationUnits != static_cast<int>(result.dictation.size())) std::abort();
  std::string typed;
  for (const tessaly::MarkPiece& piece : tessaly::markUp(dictation, result))
    if (piece.kind != tessaly::MarkKind::Missing) typed += piece.text;
  if (typed != dictation) std::abort();
  return 0;
}
