// SPDX-License-Identifier: GPL-3.0-or-later
// Checking a dictation against its reference text, the same way in the program and in
// tessaly-check:
//  - Units: each Han character is one; each run of Latin letters and digits (full-width forms
//    folded to half-width, case ignored, an apostrophe inside a word kept: "don't") is one;
//    punctuation of both widths, spaces and line breaks are none.
//  - English as learners write it (check/English.h): a number in digits or words, a compound
//    open or closed, a contraction or its long form, a British or American spelling are the
//    same words; a unit, or a run of units, that matches that way is no error.
//  - Alignment: the least edits over units (a substitution, a deletion, an insertion each
//    cost 1; long texts stretch by stretch between anchors, see check/Alignment.h). N =
//    reference units, E = S + D + I, accuracy = max(0, 1 − E/N) in percent.
//  - Only what was written: with the reference's sentences, the check covers them from the
//    first to the one where the dictation's last units fall (the end of the reference the
//    dictation is closest to); later sentences are neither counted nor shown. A covered
//    sentence with nothing written is missing. Each covered sentence has its own accuracy.
//  - Classes of substitutions: Han for Han a homophone (a reading the same as the one the
//    reference character has in its word), a tone (the same syllable, not the same tone) or
//    other; a Latin word for a word a spelling slip when they are within 1 edit (words of up
//    to 4 letters) or 2 (longer), else other.
// Pure functions; the readings come from a ReadingTable. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/English.h"
#include "check/Readings.h"

namespace tessaly {

struct Unit {
  std::string text;       // the unit as compared: one Han character, or a folded lower-case word
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
  // A match of the same words written another way may take several units on one side
  // ("do not" for "don't"): from `reference` and `dictation` on.
  int referenceUnits = 1, dictationUnits = 1;
  bool equivalent = false;           // a match of units written differently ("9" for "nine")
  SlipClass slip = SlipClass::None;  // for substitutions
  int sentence = -1;                 // the reference sentence it falls in (an extra unit: the one before it)
  // Han for Han: the reference unit's reading in context and the written one's nearest to it.
  Reading referenceReading, writtenReading;
};

struct SentenceScore {
  int sentence = 0;  // in the reference's sentences
  int units = 0;     // reference units
  int errors = 0;
  double accuracy() const;  // percent, one decimal
};

struct CheckResult {
  std::vector<Unit> reference, dictation;  // the reference's covered units only
  std::vector<Edit> edits;                 // in order along both texts
  int substitutions = 0, deletions = 0, insertions = 0;
  int homophones = 0, tones = 0, spellings = 0, others = 0;
  int equivalences = 0;                       // matches of the same words written another way
  int sentencesTotal = 0;                     // the reference's sentences; 0 when it has none
  int sentencesChecked = 0;                   // the first ones, covered by the check
  std::vector<SentenceScore> sentenceScores;  // each covered sentence
  // The texts are too far apart to align (a wrong reference, most likely): nothing else is set.
  bool tooDifferent = false;
  int referenceUnits() const { return static_cast<int>(reference.size()); }
  int errors() const { return substitutions + deletions + insertions; }
  double accuracy() const;  // percent, one decimal
};

// The tables a check reads. The program reads them once (check/SharedCheckTables.h).
struct CheckTables {
  ReadingTable readings;
  SpellingVariants spellings;
};
// The characters' table `pinyinTable` and, beside it, words.txt and spelling-variants.txt;
// false when the characters' table cannot be read (a check then tells no Han classes).
bool loadCheckTables(const std::filesystem::path& pinyinTable, CheckTables& tables);

// `sentenceEnds`: the byte of `reference` where each of its sentences ends, in order; empty
// for a reference checked whole. `spellings` may be null.
CheckResult checkDictation(std::string_view dictation, std::string_view reference, const ReadingTable& readings,
                           const SpellingVariants* spellings = nullptr, const std::vector<std::size_t>& sentenceEnds = {});

// Edit distance of two words (letters of UTF-8 bytes, the words are ASCII after folding).
int wordDistance(std::string_view a, std::string_view b);

}  // namespace tessaly
