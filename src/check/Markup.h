// SPDX-License-Identifier: GPL-3.0-or-later
// The dictation marked up for the learner: its own text, in order, with each error where it
// is — a wrong unit with what it should have been, a missing unit at the place it was left
// out, an extra unit — so the window can show each in its own colour and its own mark.
// Text between the units (punctuation, spaces, line breaks) is kept as typed.
//
// Pure; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"

namespace tessaly {

enum class MarkKind { Plain, Wrong, Missing, Extra };

struct MarkPiece {
  MarkKind kind = MarkKind::Plain;
  std::string text;      // as typed (Plain, Wrong, Extra), or the reference unit left out (Missing)
  std::string expected;  // Wrong: the reference unit
  SlipClass slip = SlipClass::None;
  int edit = -1;  // the edit of the result it shows (-1 for plain text)
  friend bool operator==(const MarkPiece&, const MarkPiece&) = default;
};

// `dictation` is the text `result` was checked from. Neighbouring plain pieces are joined.
std::vector<MarkPiece> markUp(std::string_view dictation, const CheckResult& result);

}  // namespace tessaly
