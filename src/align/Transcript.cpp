// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/Transcript.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "sentences/SentenceMap.h"
#include "text/Encoding.h"

namespace tessaly::align {

namespace {

// One code point of UTF-8 at `at` (moved past it); U+FFFD for a bad byte.
char32_t next(std::string_view s, std::size_t& at) {
  const unsigned char c = static_cast<unsigned char>(s[at]);
  const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || at + static_cast<std::size_t>(length) > s.size()) {
    ++at;
    return 0xFFFD;
  }
  char32_t cp = length == 1 ? c : c & (0x7F >> length);
  for (int k = 1; k < length; ++k)
    cp = (cp << 6) | (static_cast<unsigned char>(s[at + static_cast<std::size_t>(k)]) & 0x3F);
  at += static_cast<std::size_t>(length);
  return cp;
}

void append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isHan(char32_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x20000 && c <= 0x2FFFF);
}

// A letter or digit of a word: ASCII, Latin with accents, full-width.
bool isWordChar(char32_t c) {
  return (c < 0x80 && std::isalnum(static_cast<int>(c))) || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||
         (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);
}

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000 || c == 0xA0 || c == '\f' || c == '\v'; }

bool isTerminator(char32_t c) {
  return c == 0x3002 /*。*/ || c == 0xFF01 /*！*/ || c == 0xFF1F /*？*/ || c == 0xFF1B /*；*/ || c == '.' || c == '!' ||
         c == '?';
}

// What closes a quotation or a bracket: kept with the sentence it ends.
bool isCloser(char32_t c) {
  return c == 0x201D /*”*/ || c == 0x2019 /*’*/ || c == '"' || c == '\'' || c == ')' || c == 0xFF09 /*）*/ ||
         c == 0x300D /*」*/ || c == 0x300F /*』*/ || c == 0x3011 /*】*/ || c == 0x300B /*》*/ || c == 0x3009 /*〉*/ ||
         c == ']';
}

std::string trimmed(std::string_view s) {
  std::size_t from = 0, to = s.size();
  while (from < to) {
    std::size_t at = from;
    if (!isSpace(next(s, at))) break;
    from = at;
  }
  while (to > from) {
    std::size_t back = to - 1;
    while (back > from && (static_cast<unsigned char>(s[back]) & 0xC0) == 0x80) --back;
    std::size_t at = back;
    if (!isSpace(next(s, at))) break;
    to = back;
  }
  return std::string(s.substr(from, to - from));
}

// The word before a full stop at `dot`, lower-cased: "mr" in "Mr. Smith".
std::string wordBefore(std::string_view s, std::size_t dot) {
  std::size_t from = dot;
  while (from > 0 && std::isalpha(static_cast<unsigned char>(s[from - 1]))) --from;
  std::string word(s.substr(from, dot - from));
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word;
}

// A full stop after these (or after a single capital, an initial) ends no sentence.
bool isAbbreviation(std::string_view s, std::size_t dot) {
  static constexpr std::array<std::string_view, 12> kAbbreviations = {"mr", "mrs", "ms", "dr",  "st", "prof",
                                                                      "jr", "sr",  "vs", "etc", "mt", "ave"};
  const std::string word = wordBefore(s, dot);
  if (word.size() == 1 && std::isupper(static_cast<unsigned char>(s[dot - 1]))) return true;
  if (word.size() == 1 && dot >= 2 && s[dot - 2] == '.') return true;  // "e.g.", "i.e."
  return std::find(kAbbreviations.begin(), kAbbreviations.end(), word) != kAbbreviations.end();
}

bool speakable(std::string_view s, bool& han) {
  bool any = false;
  han = false;
  for (std::size_t at = 0; at < s.size();) {
    const char32_t c = next(s, at);
    if (isHan(c)) han = any = true;
    else if (isWordChar(c)) any = true;
  }
  return any;
}

std::optional<std::string> fromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  const auto unit = [&](std::size_t at) {
    const auto a = static_cast<unsigned char>(bytes[at]), b = static_cast<unsigned char>(bytes[at + 1]);
    return static_cast<char32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
    char32_t c = unit(at);
    if (c >= 0xD800 && c <= 0xDBFF && at + 3 < bytes.size() && unit(at + 2) >= 0xDC00 && unit(at + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
      at += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c == 0) return std::nullopt;  // a NUL character: no text
    append(out, c);
  }
  return out;
}

}  // namespace

std::optional<std::string> transcriptText(std::string_view bytes) {
  std::optional<std::string> text;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    text = fromUtf16(bytes, bytes[0] == '\xFE');
  } else {
    if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
    const DecodedText decoded = decodeText(bytes);
    if (decoded.replaced > std::max<std::size_t>(2, bytes.size() / 50)) return std::nullopt;
    text = decoded.utf8;
  }
  if (!text) return text;
  // Control characters beyond line ends, tabs and form feeds: a binary file that holds no NUL.
  const auto controls = std::count_if(text->begin(), text->end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f') || u == 0x7F;
  });
  if (static_cast<std::size_t>(controls) > std::max<std::size_t>(2, text->size() / 100)) return std::nullopt;
  return text;
}

std::string withoutSpeakerLabel(std::string_view line) {
  const std::string whole = trimmed(line);
  const std::string_view s = whole;
  std::size_t colon = std::string_view::npos, after = 0;
  int han = 0, words = 0, letters = 0;
  bool inWord = false, startsWithLetter = false;
  for (std::size_t at = 0; at < s.size() && at < 40;) {
    const std::size_t here = at;
    const char32_t c = next(s, at);
    if (c == ':' || c == 0xFF1A /*：*/) {
      colon = here;
      after = at;
      break;
    }
    if (here == 0) startsWithLetter = isHan(c) || (isWordChar(c) && !(c < 0x80 && std::isdigit(static_cast<int>(c))));
    if (isHan(c)) {
      ++han;
      inWord = false;
    } else if (isWordChar(c) || c == '.' || c == '\'' || c == '-' || c == '_') {
      if (!inWord) ++words;
      inWord = true;
      ++letters;
    } else if (c == ' ') {
      inWord = false;
    } else {
      return whole;  // punctuation, a quote: no label
    }
  }
  if (colon == std::string_view::npos || colon == 0 || !startsWithLetter) return whole;
  if (han > 4 || words > 3 || letters > 20) return whole;
  std::string rest = trimmed(s.substr(after));
  if (rest.empty()) return whole;
  return rest;
}

std::vector<std::string> sentencesOfLine(std::string_view line) {
  std::vector<std::string> out;
  std::size_t from = 0;
  const auto cut = [&](std::size_t to) {
    std::string sentence = trimmed(line.substr(from, to - from));
    if (!sentence.empty()) out.push_back(std::move(sentence));
    from = to;
  };
  for (std::size_t at = 0; at < line.size();) {
    const std::size_t here = at;
    const char32_t c = next(line, at);
    if (!isTerminator(c)) continue;
    if (c == '.') {
      // A full stop inside a number or a name (3.5, www.example), or after an abbreviation.
      if (at < line.size() && !isSpace(static_cast<unsigned char>(line[at])) && line[at] != '.') {
        std::size_t peek = at;
        if (!isCloser(next(line, peek))) continue;
      }
      if (isAbbreviation(line, here)) continue;
    }
    // Further terminators and closing quotes belong to this sentence.
    std::size_t end = at;
    while (end < line.size()) {
      std::size_t peek = end;
      const char32_t d = next(line, peek);
      if (!isTerminator(d) && !isCloser(d)) break;
      end = peek;
    }
    at = end;
    cut(end);
  }
  cut(line.size());
  return out;
}

Transcript readTranscript(std::string_view bytes) {
  Transcript transcript;
  const std::optional<std::string> text = transcriptText(bytes);
  if (!text) {
    transcript.problem = TranscriptProblem::Binary;
    return transcript;
  }
  int lineNumber = 0;
  std::size_t from = 0;
  const std::string_view all = *text;
  while (from <= all.size()) {
    std::size_t end = all.find_first_of("\r\n", from);
    if (end == std::string_view::npos) end = all.size();
    ++lineNumber;
    const std::string line = withoutSpeakerLabel(all.substr(from, end - from));
    for (std::string& sentence : sentencesOfLine(line)) {
      bool han = false;
      if (speakable(sentence, han)) transcript.sentences.push_back({std::move(sentence), han, lineNumber});
    }
    if (end == all.size()) break;
    from = end + (all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n' ? 2 : 1);
  }
  if (transcript.sentences.empty()) transcript.problem = TranscriptProblem::Empty;
  return transcript;
}

std::string lrcText(const std::vector<AlignedSentence>& sentences) {
  constexpr double kGapMs = 1500, kTailMs = 300;  // a gap this long ends the sentence this long after its sound
  std::string out;
  for (std::size_t k = 0; k < sentences.size(); ++k) {
    const AlignedSentence& s = sentences[k];
    if (!s.found) continue;
    out += lrcTag(s.startMs) + s.text + "\r\n";
    std::size_t next = k + 1;
    while (next < sentences.size() && !sentences[next].found) ++next;
    const double end = s.endMs + kTailMs;
    if (next == sentences.size() || sentences[next].startMs - s.endMs > kGapMs) out += lrcTag(end) + "\r\n";
  }
  return out;
}

}  // namespace tessaly::align
