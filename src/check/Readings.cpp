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
    {"ā", 'a', 1}, {"á", 'a', 2}, {"ǎ", 'a', 3}, {"à", 'a', 4}, {"ē", 'e', 1}, {"é", 'e', 2}, {"ě", 'e', 3},
    {"è", 'e', 4}, {"ī", 'i', 1}, {"í", 'i', 2}, {"ǐ", 'i', 3}, {"ì", 'i', 4}, {"ō", 'o', 1}, {"ó", 'o', 2},
    {"ǒ", 'o', 3}, {"ò", 'o', 4}, {"ū", 'u', 1}, {"ú", 'u', 2}, {"ǔ", 'u', 3}, {"ù", 'u', 4}, {"ǖ", 'v', 1},
    {"ǘ", 'v', 2}, {"ǚ", 'v', 3}, {"ǜ", 'v', 4}, {"ü", 'v', 5}, {"ḿ", 'm', 2}, {"ń", 'n', 2}, {"ň", 'n', 3},
    {"ǹ", 'n', 4},
};

}  // namespace

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

void ReadingTable::add(char32_t character, const Reading& reading) {
  auto& list = readings_[character];
  if (std::find(list.begin(), list.end(), reading) == list.end()) list.push_back(reading);
}

const std::vector<Reading>& ReadingTable::readingsOf(char32_t character) const {
  static const std::vector<Reading> kNone;
  const auto it = readings_.find(character);
  return it == readings_.end() ? kNone : it->second;
}

HanSlip ReadingTable::classify(char32_t written, char32_t heard) const {
  bool sameSyllable = false;
  for (const Reading& a : readingsOf(written))
    for (const Reading& b : readingsOf(heard)) {
      if (a.syllable != b.syllable) continue;
      if (a.tone == b.tone) return HanSlip::Homophone;
      sameSyllable = true;
    }
  return sameSyllable ? HanSlip::Tone : HanSlip::Other;
}

}  // namespace tessaly
