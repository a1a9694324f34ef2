// Checking a dictation against its reference text, the same way in the program and in
// tessaly-check:
//  - Units: each Han character is one; each run of Latin letters and digits (full-width forms
//    folded to half-width, case ignored, an apostrophe inside a word kept: "don't") is one;
//    punctuation of both widths, spaces and line breaks are none.
//  - Alignment: the least edits over units (a substitution, a deletion, an insertion each
//    cost 1). N = reference units, E = S + D + I, accuracy = max(0, 1 − E/N) in percent.
//  - Classes of substitutions: Han for Han a homophone (a shared reading with the same tone),
//    a tone (a shared syllable, no shared tone) or other; a Latin word for a word a spelling
//    slip when they are within 1 edit (words of up to 4 letters) or 2 (longer), else other.
// Pure functions; the readings come from a ReadingTable. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/Readings.h"

namespace tessaly {

struct Unit {
  std::string text;      // the unit as compared: one Han character, or a folded lower-case word
  std::size_t begin = 0;  // its bytes in the text it came from
  std::size_t end = 0;
  bool han = false;
};

std::vector<Unit> unitsOf(std::string_view utf8);

enum class EditKind { Match, Substitution, Deletion, Insertion };
enum class SlipClass { None, Homophone, Tone, Spelling, Other };

struct Edit {
  EditKind kind = EditKind::Match;
  int reference = -1;  // unit index in the reference (-1 for an insertion)
  int dictation = -1;  // unit index in the dictation (-1 for a deletion)
  SlipClass slip = SlipClass::None;  // for substitutions
};

struct CheckResult {
  std::vector<Unit> reference, dictation;
  std::vector<Edit> edits;  // in order along both texts
  int substitutions = 0, deletions = 0, insertions = 0;
  int homophones = 0, tones = 0, spellings = 0, others = 0;
  int referenceUnits() const { return static_cast<int>(reference.size()); }
  int errors() const { return substitutions + deletions + insertions; }
  double accuracy() const;  // percent, one decimal
};

CheckResult checkDictation(std::string_view dictation, std::string_view reference, const ReadingTable& readings);

// Edit distance of two words (letters of UTF-8 bytes, the words are ASCII after folding).
int wordDistance(std::string_view a, std::string_view b);

}  // namespace tessaly
