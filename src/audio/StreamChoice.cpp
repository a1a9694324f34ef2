// SPDX-License-Identifier: GPL-3.0-or-later
// Which audio stream is played (see StreamChoice.h).
#include "audio/StreamChoice.h"

#include <array>
#include <utility>

namespace tessaly::audio {

namespace {

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Three-letter codes (and Chinese's spoken ones) to the two-letter code.
constexpr std::array<std::pair<std::string_view, std::string_view>, 30> kCodes = {{
    {"chi", "zh"}, {"zho", "zh"}, {"cmn", "zh"}, {"yue", "zh"}, {"eng", "en"}, {"jpn", "ja"}, {"kor", "ko"}, {"fre", "fr"},
    {"fra", "fr"}, {"ger", "de"}, {"deu", "de"}, {"spa", "es"}, {"ita", "it"}, {"rus", "ru"}, {"por", "pt"}, {"dut", "nl"},
    {"nld", "nl"}, {"ara", "ar"}, {"hin", "hi"}, {"tha", "th"}, {"vie", "vi"}, {"ind", "id"}, {"may", "ms"}, {"msa", "ms"},
    {"tur", "tr"}, {"pol", "pl"}, {"swe", "sv"}, {"gre", "el"}, {"ell", "el"}, {"ukr", "uk"},
}};

}  // namespace

std::string languageOf(std::string_view tag) {
  const std::size_t cut = tag.find_first_of("-_");
  std::string base = lowered(tag.substr(0, cut));
  if (base.empty() || base == "und") return {};
  for (const auto& [code, two] : kCodes)
    if (base == code) return std::string(two);
  return base;
}

int chooseAudioStream(const std::vector<StreamFacts>& streams) {
  using Kind = StreamFacts::Kind;
  std::string textLanguage;
  for (const StreamFacts& s : streams) {
    if (s.kind != Kind::TextSubtitle) continue;
    const std::string language = languageOf(s.language);
    if (language == "zh") {
      textLanguage = language;
      break;
    }
    if (textLanguage.empty()) textLanguage = language;
  }
  int first = -1, firstDefault = -1;
  for (int i = 0; i < static_cast<int>(streams.size()); ++i) {
    const StreamFacts& s = streams[static_cast<std::size_t>(i)];
    if (s.kind != Kind::Audio || !s.decodable) continue;
    if (!textLanguage.empty() && languageOf(s.language) == textLanguage) return i;
    if (first < 0) first = i;
    if (s.isDefault && firstDefault < 0) firstDefault = i;
  }
  return firstDefault >= 0 ? firstDefault : first;
}

bool hasPicture(const std::vector<StreamFacts>& streams) {
  for (const StreamFacts& s : streams)
    if (s.kind == StreamFacts::Kind::Picture) return true;
  return false;
}

}  // namespace tessaly::audio
