// SPDX-License-Identifier: GPL-3.0-or-later
// Mandarin readings, for telling a homophone slip (她 for 他: a reading with the same tone)
// from a tone not heard (号 for 好 in 很好: the same syllable, no reading with the tone the
// sentence gives it). Two tables, both made by the build:
//  - characters, from the Unicode Han database (Debian's unicode-data), one line a character,
//    its most common reading first: "U+4ED6 tā tuó";
//  - words, from Rime's terra_pinyin dictionary (Debian's rime-data-terra-pinyin) in
//    Simplified characters, one line a word, each of its readings after a tab: "头发<TAB>tou2
//    fa5". A reference character is read as the word it is in says (the words found longest
//    first), else as its most common reading.
//
// Pure but for the two loads, which read their files once, when a check first needs them.
// Any thread; a loaded table is read-only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaly {

struct Reading {
  std::string syllable;  // toneless, ü written "v": "lv", "zhong"
  int tone = 5;          // 1 to 4, 5 for the neutral tone
  friend bool operator==(const Reading&, const Reading&) = default;
};

// "zhōng" → {"zhong", 1}; "lǜ" → {"lv", 4}; "ma" → {"ma", 5}. Empty syllable if not pinyin.
Reading parseReading(std::string_view pinyin);
// "zhong1" → {"zhong", 1}; "lv4" → {"lv", 4}. Empty syllable if not a numbered syllable.
Reading parseNumberedReading(std::string_view syllable);
// {"hao", 3} → "hǎo"; {"lv", 4} → "lǜ"; {"ma", 5} → "ma".
std::string pinyinOf(const Reading& reading);

enum class HanSlip { Homophone, Tone, Other };

class ReadingTable {
 public:
  // Reads the characters' table; false when the file cannot be read (every Han slip is then
  // "other").
  bool load(const std::filesystem::path& file);
  // Reads the words' table; false when it cannot be read (characters are then read alone).
  bool loadWords(const std::filesystem::path& file);
  void add(char32_t character, const Reading& reading);
  // A word's readings, one line of the words' table after the word: "tou2 fa5\ttou2 fa3".
  void addWord(std::string word, std::string readings);
  const std::vector<Reading>& readingsOf(char32_t character) const;
  bool empty() const { return readings_.empty(); }

  // The readings each of `characters` has where it stands (one UTF-8 character each, in a
  // run written together): the readings of the longest word of the table starting there,
  // the word's first reading first; else the character's most common reading; empty for a
  // character the table does not know.
  std::vector<std::vector<Reading>> readingsInContext(const std::vector<std::string_view>& characters) const;

  // `written` for a character read as `heard` (its readings in context, the first the one
  // it is taught with).
  HanSlip classify(char32_t written, const std::vector<Reading>& heard) const;
  // The reading of `written` to name beside `heard` for a slip of class `slip`: the one that
  // sounds the same, or shares the syllable, else its most common one.
  Reading writtenReading(char32_t written, const std::vector<Reading>& heard, HanSlip slip) const;

 private:
  std::unordered_map<char32_t, std::vector<Reading>> readings_;
  std::unordered_map<std::string, std::string> words_;  // word → its readings as in the table
  std::size_t longestWord_ = 0;                         // in characters
};

}  // namespace tessaly
