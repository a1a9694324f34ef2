// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Readings.h"

#include <algorithm>
#include <charconv>
#include <fstream>

namespace tessaly {

namespace {

// The toned vowels of pinyin, UTF-8, with their plain letter and tone.
struct Toned {
  std::string_view text;
  char plain;
  int tone;
};
constexpr Toned kToned[] = {
    {"ā", 'a', 1}, {"á", 'a', 2}, {"ǎ", 'a', 3}, {"à", 'a', 4}, {"ē", 'e', 1}, {"é", 'e', 2}, {"ě", 'e', 3}, {"è", 'e', 4},
    {"ī", 'i', 1}, {"í", 'i', 2}, {"ǐ", 'i', 3}, {"ì", 'i', 4}, {"ō", 'o', 1}, {"ó", 'o', 2}, {"ǒ", 'o', 3}, {"ò", 'o', 4},
    {"ū", 'u', 1}, {"ú", 'u', 2}, {"ǔ", 'u', 3}, {"ù", 'u', 4}, {"ǖ", 'v', 1}, {"ǘ", 'v', 2}, {"ǚ", 'v', 3}, {"ǜ", 'v', 4},
    {"ü", 'v', 5}, {"ḿ", 'm', 2}, {"ń", 'n', 2}, {"ň", 'n', 3}, {"ǹ", 'n', 4},
};

std::size_t utf8Length(std::string_view s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

char32_t codePointOf(std::string_view s) {
  if (s.empty()) return 0;
  const auto c = static_cast<unsigned char>(s[0]);
  const int extra = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (s.size() < static_cast<std::size_t>(extra) + 1) return 0;
  char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[static_cast<std::size_t>(k)]) & 0x3F);
  return cp;
}

// The readings of one word at each of its `length` characters; empty when the table's line
// does not give one syllable a character.
std::vector<std::vector<Reading>> wordReadings(std::string_view line, std::size_t length) {
  std::vector<std::vector<Reading>> at(length);
  std::size_t from = 0;
  while (from <= line.size()) {
    const std::size_t tab = std::min(line.find('\t', from), line.size());
    const std::string_view one = line.substr(from, tab - from);
    std::vector<Reading> syllables;
    for (std::size_t s = 0; s < one.size();) {
      const std::size_t space = std::min(one.find(' ', s), one.size());
      syllables.push_back(parseNumberedReading(one.substr(s, space - s)));
      s = space + 1;
    }
    if (syllables.size() == length &&
        std::none_of(syllables.begin(), syllables.end(), [](const Reading& r) { return r.syllable.empty(); }))
      for (std::size_t k = 0; k < length; ++k)
        if (std::find(at[k].begin(), at[k].end(), syllables[k]) == at[k].end()) at[k].push_back(syllables[k]);
    from = tab + 1;
  }
  if (std::any_of(at.begin(), at.end(), [](const auto& r) { return r.empty(); })) return {};
  return at;
}

}  // namespace

Reading parseNumberedReading(std::string_view syllable) {
  if (syllable.size() < 2) return {};
  const char tone = syllable.back();
  if (tone < '1' || tone > '5') return {};
  Reading reading{std::string(syllable.substr(0, syllable.size() - 1)), tone - '0'};
  if (!std::all_of(reading.syllable.begin(), reading.syllable.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
    return {};
  return reading;
}

std::string pinyinOf(const Reading& reading) {
  const std::string& plain = reading.syllable;
  // The mark goes on a or e, on the o of "ou", else on the last vowel (on m or n when there
  // is none: ḿ, ň).
  std::size_t at = plain.find_first_of("ae");
  if (at == std::string::npos) at = plain.find("ou");
  if (at == std::string::npos) at = plain.find_last_of("iouv");
  if (at == std::string::npos) at = plain.find_first_of("mn");
  std::string out;
  for (std::size_t k = 0; k < plain.size(); ++k) {
    std::string_view letter = plain[k] == 'v' ? std::string_view("ü") : std::string_view(&plain[k], 1);
    if (k == at)
      for (const Toned& t : kToned)
        if (t.plain == plain[k] && t.tone == reading.tone) letter = t.text;
    out += letter;
  }
  return out;
}

Reading parseReading(std::string_view pinyin) {
  Reading reading;
  for (std::size_t i = 0; i < pinyin.size();) {
    const char c = pinyin[i];
    if (c >= 'a' && c <= 'z') {
      reading.syllable += c;
      ++i;
      continue;
    }
    bool matched = false;
    for (const Toned& t : kToned) {
      if (pinyin.substr(i).starts_with(t.text)) {
        reading.syllable += t.plain;
        if (t.tone != 5) reading.tone = t.tone;
        i += t.text.size();
        matched = true;
        break;
      }
    }
    if (!matched) return {};
  }
  return reading;
}

bool ReadingTable::load(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.starts_with("U+")) continue;
    std::uint32_t code = 0;
    const auto [codeEnd, error] = std::from_chars(line.data() + 2, line.data() + line.size(), code, 16);
    if (error != std::errc()) continue;
    std::size_t at = static_cast<std::size_t>(codeEnd - line.data());
    while (at < line.size()) {
      while (at < line.size() && line[at] == ' ') ++at;
      const std::size_t end = std::min(line.find(' ', at), line.size());
      if (end > at) {
        const Reading reading = parseReading(std::string_view(line).substr(at, end - at));
        if (!reading.syllable.empty()) add(code, reading);
      }
      at = end;
    }
  }
  return true;
}

bool ReadingTable::loadWords(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;
    addWord(line.substr(0, tab), line.substr(tab + 1));
  }
  return true;
}

void ReadingTable::addWord(std::string word, std::string readings) {
  longestWord_ = std::max(longestWord_, utf8Length(word));
  words_.emplace(std::move(word), std::move(readings));
}

std::vector<std::vector<Reading>> ReadingTable::readingsInContext(const std::vector<std::string_view>& characters) const {
  std::vector<std::vector<Reading>> out(characters.size());
  for (std::size_t at = 0; at < characters.size();) {
    std::size_t taken = 0;
    for (std::size_t length = std::min(longestWord_, characters.size() - at); length >= 2 && taken == 0; --length) {
      std::string word;
      for (std::size_t k = 0; k < length; ++k) word += characters[at + k];
      const auto it = words_.find(word);
      if (it == words_.end()) continue;
      auto readings = wordReadings(it->second, length);
      if (readings.empty()) continue;
      for (std::size_t k = 0; k < length; ++k) out[at + k] = std::move(readings[k]);
      taken = length;
    }
    if (taken == 0) {
      const auto& all = readingsOf(codePointOf(characters[at]));
      if (!all.empty()) out[at] = {all.front()};
      taken = 1;
    }
    at += taken;
  }
  return out;
}

void ReadingTable::add(char32_t character, const Reading& reading) {
  auto& list = readings_[character];
  if (std::find(list.begin(), list.end(), reading) == list.end()) list.push_back(reading);
}

const std::vector<Reading>& ReadingTable::readingsOf(char32_t character) const {
  static const std::vector<Reading> kNone;
  const auto it = readings_.find(character);
  return it == readings_.end() ? kNone : it->second;
}

HanSlip ReadingTable::classify(char32_t written, const std::vector<Reading>& heard) const {
  bool sameSyllable = false;
  for (const Reading& a : readingsOf(written))
    for (const Reading& b : heard) {
      if (a.syllable != b.syllable) continue;
      if (a.tone == b.tone) return HanSlip::Homophone;
      sameSyllable = true;
    }
  return sameSyllable ? HanSlip::Tone : HanSlip::Other;
}

Reading ReadingTable::writtenReading(char32_t written, const std::vector<Reading>& heard, HanSlip slip) const {
  const auto& all = readingsOf(written);
  for (const Reading& a : all)
    for (const Reading& b : heard)
      if ((slip == HanSlip::Homophone && a == b) || (slip == HanSlip::Tone && a.syllable == b.syllable)) return a;
  return all.empty() ? Reading{} : all.front();
}

}  // namespace tessaly
