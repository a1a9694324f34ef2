// SPDX-License-Identifier: GPL-3.0-or-later
// English written as learners write it: forms the check takes as the same words.
//  - A number in digits or in words: "9" / "nine", "21" / "twenty-one", "1990" / "nineteen
//    ninety", "100" / "one hundred".
//  - A compound closed or open: "everyday" / "every day" ("well-known" / "well known" are
//    the same units already: a hyphen parts words).
//  - A contraction and its long form: "don't" / "do not", "it's" / "it is", "can't" / "cannot".
//  - British and American spellings: "colour" / "color", from a table the build pairs from
//    SCOWL's word lists (Debian's scowl).
// Each form is given a canonical text; two units, or a unit and a run of units, are the same
// words when their canonical texts are equal. Words are the check's folded units (lower case,
// ASCII letters and digits, an apostrophe inside).
//
// Pure, but SpellingVariants::load, which reads its table once. Any thread; a loaded table is
// read-only.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaly {

class SpellingVariants {
 public:
  // Lines "colour color" (British, American); false when the file cannot be read.
  bool load(const std::filesystem::path& file);
  void add(std::string british, std::string american);
  // The American spelling of `word`, or `word` itself.
  std::string_view american(std::string_view word) const;
  bool empty() const { return toAmerican_.empty(); }

 private:
  std::unordered_map<std::string, std::string> toAmerican_;
};

// The value of a number written in words, one word a unit ("twenty", "one"; "nineteen",
// "ninety"; "one", "hundred", "and", "five"); nothing when the run is not exactly one number.
// Two numbers below 100 side by side are read as a year ("nineteen ninety" is 1990).
std::optional<long long> numberOfWords(const std::vector<std::string_view>& words);

// The canonical text of one word: a number's value ("#21"), a contraction as written
// ("cannot" as "can't"), an American spelling, else the word itself.
std::string canonicalWord(std::string_view word, const SpellingVariants* spellings);

// The canonical text of a run of two to four words that is one of the forms above ("do not"
// → "don't", "twenty one" → "#21", "every day" → "everyday"), or nothing.
std::optional<std::string> canonicalRun(const std::vector<std::string_view>& words);

}  // namespace tessaly
