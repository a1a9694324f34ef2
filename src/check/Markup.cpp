// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Markup.h"

#include <algorithm>

namespace tessaly {

namespace {

void addPlain(std::vector<MarkPiece>& pieces, std::string_view text) {
  if (text.empty()) return;
  if (!pieces.empty() && pieces.back().kind == MarkKind::Plain) pieces.back().text += text;
  else pieces.push_back({MarkKind::Plain, std::string(text), {}, SlipClass::None, -1});
}

}  // namespace

std::vector<MarkPiece> markUp(std::string_view dictation, const CheckResult& result) {
  std::vector<MarkPiece> pieces;
  std::size_t copied = 0;  // bytes of the dictation already in a piece
  // The typed text up to the start of dictation unit `u` (or to the end).
  const auto copyUpTo = [&](std::size_t end) {
    if (end > copied) addPlain(pieces, dictation.substr(copied, end - copied));
    copied = std::max(copied, end);
  };
  for (std::size_t i = 0; i < result.edits.size(); ++i) {
    const Edit& e = result.edits[i];
    const int index = static_cast<int>(i);
    if (e.kind == EditKind::Deletion) {
      pieces.push_back(
          {MarkKind::Missing, result.reference[static_cast<std::size_t>(e.reference)].text, {}, SlipClass::None, index});
      continue;
    }
    const Unit& typed = result.dictation[static_cast<std::size_t>(e.dictation)];
    // A match may take several units written another way ("do not" for "don't").
    const Unit& last = result.dictation[static_cast<std::size_t>(e.dictation + e.dictationUnits - 1)];
    copyUpTo(typed.begin);
    const std::string text(dictation.substr(typed.begin, last.end - typed.begin));
    copied = last.end;
    if (e.kind == EditKind::Match) addPlain(pieces, text);
    else if (e.kind == EditKind::Insertion) pieces.push_back({MarkKind::Extra, text, {}, SlipClass::None, index});
    else
      pieces.push_back(
          {MarkKind::Wrong, text, result.reference[static_cast<std::size_t>(e.reference)].text, e.slip, index});
  }
  copyUpTo(dictation.size());
  return pieces;
}

}  // namespace tessaly
