// Mandarin readings of Han characters, for telling a homophone slip (她 for 他: a reading with
// the same tone) from a tone not heard (买 for 卖: the same syllable, no reading with the same
// tone). The table comes from the Unicode Han database (Debian's unicode-data), reduced by the
// build to one line a character: "U+4ED6 tā tuó".
//
// Pure but for ReadingTable::load, which reads the table file once, when a check first needs
// it. Any thread; a loaded table is read-only.
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

enum class HanSlip { Homophone, Tone, Other };

class ReadingTable {
 public:
  // Reads the table's lines; false when the file cannot be read (every Han slip is then "other").
  bool load(const std::filesystem::path& file);
  void add(char32_t character, const Reading& reading);
  const std::vector<Reading>& readingsOf(char32_t character) const;
  bool empty() const { return readings_.empty(); }

  HanSlip classify(char32_t written, char32_t heard) const;

 private:
  std::unordered_map<char32_t, std::vector<Reading>> readings_;
};

}  // namespace tessaly
