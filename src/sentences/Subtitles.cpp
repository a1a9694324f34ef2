// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/Subtitles.h"

#include <algorithm>
#include <cctype>

namespace tessaly {

std::int64_t readDigits(std::string_view s, std::size_t& at, std::size_t maxDigits) {
  std::int64_t value = 0;
  std::size_t digits = 0;
  while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) && digits < maxDigits) {
    value = value * 10 + (s[at++] - '0');
    ++digits;
  }
  return digits == 0 ? -1 : value;
}

namespace {

constexpr std::int64_t kLongestMs = std::int64_t{100} * 3600 * 1000;  // 100 hours: beyond is no time
constexpr std::size_t kMaxCues = kMaxSentences * 4;

std::vector<std::string_view> linesOf(std::string_view text) {
  // CR LF, CR and LF all end a line: subtitle files come from everywhere.
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string_view withoutBom(std::string_view s) { return s.starts_with("\xEF\xBB\xBF") ? s.substr(3) : s; }

bool startsWithWord(std::string_view line, std::string_view word) {
  return line.starts_with(word) && (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t');
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A fraction of a second after its "." (or ","): 1 to 3 digits, read as tenths, hundredths
// or thousandths; -1 when there is none.
std::int64_t fractionMs(std::string_view s, std::size_t& at) {
  if (at >= s.size() || (s[at] != '.' && s[at] != ',')) return -1;
  const std::size_t start = ++at;
  const std::int64_t fraction = readDigits(s, at, 3);
  if (fraction < 0) return -1;
  const std::size_t digits = at - start;
  return digits == 1 ? fraction * 100 : digits == 2 ? fraction * 10 : fraction;
}

// "hh:mm:ss.ttt" or "mm:ss.ttt" from `at`; -1 when it is no time.
std::int64_t vttTime(std::string_view s, std::size_t& at) {
  const std::int64_t a = readDigits(s, at, 5);
  if (a < 0 || at >= s.size() || s[at++] != ':') return -1;
  const std::int64_t b = readDigits(s, at, 2);
  if (b < 0 || b >= 60) return -1;
  std::int64_t h = 0, m = a, sec = b;
  if (at < s.size() && s[at] == ':') {
    ++at;
    sec = readDigits(s, at, 2);
    if (sec < 0 || sec >= 60) return -1;
    h = a;
    m = b;
  }
  const std::int64_t fraction = fractionMs(s, at);
  if (fraction < 0) return -1;
  return ((h * 60 + m) * 60 + sec) * 1000 + fraction;
}

// "h:mm:ss.cc"; -1 when it is no time.
std::int64_t assTime(std::string_view s) {
  s = trimmed(s);
  std::size_t at = 0;
  const std::int64_t h = readDigits(s, at, 3);
  if (h < 0 || at >= s.size() || s[at++] != ':') return -1;
  const std::int64_t m = readDigits(s, at, 2);
  if (m < 0 || m >= 60 || at >= s.size() || s[at++] != ':') return -1;
  const std::int64_t sec = readDigits(s, at, 2);
  if (sec < 0 || sec >= 60) return -1;
  const std::int64_t fraction = fractionMs(s, at);
  if (fraction < 0 || at != s.size()) return -1;
  return ((h * 60 + m) * 60 + sec) * 1000 + fraction;
}

// The start and end of a WebVTT timing line ("00:01.000 --> 00:02.500 align:start"), or false.
bool vttTiming(std::string_view line, std::int64_t& start, std::int64_t& end) {
  const auto arrow = line.find("-->");
  if (arrow == std::string_view::npos) return false;
  const std::string_view left = trimmed(line.substr(0, arrow)), right = trimmed(line.substr(arrow + 3));
  std::size_t a = 0, b = 0;
  start = vttTime(left, a);
  end = vttTime(right, b);
  // After the end time only its settings (position, line, align...), apart by a space.
  const bool settings = b == right.size() || right[b] == ' ' || right[b] == '\t';
  return start >= 0 && end >= 0 && a == left.size() && settings && start <= kLongestMs && end <= kLongestMs;
}

// "&amp;" and its kin as the characters they stand for.
std::string withEntities(std::string_view s) {
  static constexpr std::pair<std::string_view, std::string_view> kEntities[] = {
      {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"},    {"&nbsp;", " "},
      {"&lrm;", ""},  {"&rlm;", ""}, {"&quot;", "\""}, {"&apos;", "'"}};
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    bool replaced = false;
    if (s[i] == '&') {
      for (const auto& [name, character] : kEntities) {
        if (s.substr(i).starts_with(name)) {
          out += character;
          i += name.size() - 1;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += s[i];
  }
  return out;
}

// The text of `raw` without its markup, its line breaks as '\n'.
std::string withoutMarkup(std::string_view raw, CueMarkup markup) {
  std::string out;
  int hidden = 0;        // inside <rt> or <rp>: the reading over the text, not the text
  bool drawing = false;  // after {\p1}: the shape's coordinates until {\p0}
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '<' && markup != CueMarkup::Ass) {
      const auto close = raw.find('>', i);
      if (close != std::string_view::npos) {
        const std::string_view tag = raw.substr(i + 1, close - i - 1);
        const bool closing = tag.starts_with('/');
        std::string_view name = tag.substr(closing ? 1 : 0);
        name = name.substr(0, std::min(name.find_first_of(" \t."), name.size()));
        if (markup == CueMarkup::WebVtt && (name == "rt" || name == "rp"))
          hidden = std::max(0, hidden + (closing ? -1 : 1));
        i = close;
        continue;
      }
    }
    if (c == '{' && (markup == CueMarkup::Ass || (i + 1 < raw.size() && raw[i + 1] == '\\'))) {
      const auto close = raw.find('}', i);
      if (close != std::string_view::npos) {
        const std::string_view block = raw.substr(i + 1, close - i - 1);
        for (auto p = block.find("\\p"); p != std::string_view::npos; p = block.find("\\p", p + 2)) {
          std::size_t at = p + 2;
          if (const std::int64_t scale = readDigits(block, at, 3); scale >= 0) drawing = scale > 0;
        }
        i = close;
        continue;
      }
    }
    if (markup == CueMarkup::Ass && c == '\\' && i + 1 < raw.size()) {
      const char next = raw[i + 1];
      if (next == 'N' || next == 'n' || next == 'h') {
        if (!drawing && hidden == 0) out += next == 'h' ? ' ' : '\n';
        ++i;
        continue;
      }
    }
    if (c == '\r') continue;
    if (!drawing && hidden == 0) out += c;
  }
  return markup == CueMarkup::WebVtt ? withEntities(out) : out;
}

// Unicode code points of UTF-8 `text`, a bad byte as itself.
template <typename Use>
void eachCodePoint(std::string_view text, Use use) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
    if (i + length > text.size()) {
      use(static_cast<char32_t>(b));
      ++i;
      continue;
    }
    char32_t cp = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    use(cp);
    i += static_cast<std::size_t>(length);
  }
}

bool isHan(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x20000 && c <= 0x3134F);
}

bool isKana(char32_t c) { return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF); }

// A letter of any script (Han, kana, Latin, Cyrillic...): not a space, digit or mark of punctuation.
bool isLetter(char32_t c) {
  if (c < 0x80) return std::isalpha(static_cast<int>(c)) != 0;
  if ((c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF20)) return false;
  return true;
}

bool hasWords(const SubtitleStream& s) { return s.kind == SubtitleKind::Text && !trimmed(s.sample).empty(); }

}  // namespace

std::string cueText(std::string_view raw, CueMarkup markup) {
  // Markup is undone line by line: a "<" or "{" left open on one line does not swallow the next.
  std::vector<std::string> lines;
  for (const std::string_view line : linesOf(raw)) {
    const std::string plain = withoutMarkup(line, markup);
    for (const std::string_view part : linesOf(plain)) lines.emplace_back(part);
  }
  std::string words;
  for (const std::string& line : lines) {
    // Runs of spaces inside a line as one.
    std::string part;
    for (const char c : trimmed(line)) {
      const bool space = c == ' ' || c == '\t';
      if (space && !part.empty() && part.back() == ' ') continue;
      part += space ? ' ' : c;
    }
    if (part.empty()) continue;
    const bool latin = !words.empty() && static_cast<unsigned char>(words.back()) < 0x80 &&
                       static_cast<unsigned char>(part.front()) < 0x80;
    words += (latin ? " " : "") + part;
  }
  return words;
}

std::vector<Cue> readVttCues(std::string_view text) {
  const std::vector<std::string_view> lines = linesOf(text);
  std::vector<Cue> cues;
  std::size_t i = 0;
  if (!lines.empty() && withoutBom(lines[0]).starts_with("WEBVTT"))
    while (i < lines.size() && !trimmed(lines[i]).empty()) ++i;  // the header and its lines
  while (i < lines.size() && cues.size() < kMaxCues) {
    if (trimmed(lines[i]).empty()) {
      ++i;
      continue;
    }
    const std::string_view first = withoutBom(lines[i]);
    if (startsWithWord(first, "NOTE") || startsWithWord(first, "STYLE") || startsWithWord(first, "REGION")) {
      while (i < lines.size() && !trimmed(lines[i]).empty()) ++i;  // a comment or a style sheet: no cue
      continue;
    }
    // A cue: its id (optional), its timing line, its text up to a blank line.
    std::int64_t start = 0, end = 0;
    if (!vttTiming(lines[i], start, end)) {
      if (i + 1 < lines.size() && vttTiming(lines[i + 1], start, end)) {
        ++i;
      } else {
        while (i < lines.size() && !trimmed(lines[i]).empty()) ++i;  // no timing: not a cue
        continue;
      }
    }
    std::string raw;
    std::int64_t nextStart = 0, nextEnd = 0;
    for (++i; i < lines.size() && !trimmed(lines[i]).empty() && !vttTiming(lines[i], nextStart, nextEnd); ++i)
      raw.append(lines[i]).append("\n");
    cues.push_back({start, end, cueText(raw, CueMarkup::WebVtt)});
  }
  return cues;
}

std::vector<Cue> readAssCues(std::string_view text) {
  // The [Events] Format line names the fields; without one, the usual order (the first field
  // is the layer, or SSA's "Marked").
  std::size_t fields = 10, startField = 1, endField = 2, textField = 9;
  bool inEvents = false;
  std::vector<Cue> cues;
  for (const std::string_view whole : linesOf(text)) {
    const std::string_view line = trimmed(withoutBom(whole));
    if (line.starts_with('[')) {
      inEvents = lower(line).starts_with("[events]");
      continue;
    }
    if (inEvents && line.starts_with("Format:")) {
      std::vector<std::string> names;
      std::string_view rest = line.substr(7);
      for (;;) {
        const auto comma = rest.find(',');
        names.push_back(lower(trimmed(rest.substr(0, comma))));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
      const auto at = [&](std::string_view name) {
        return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
      };
      if (at("start") < names.size() && at("end") < names.size() && at("text") < names.size()) {
        fields = names.size();
        startField = at("start");
        endField = at("end");
        textField = at("text");
      }
      continue;
    }
    if (!line.starts_with("Dialogue:")) continue;  // Comment:, Picture:, Sound:, Command:...
    // The last field takes the rest of the line, commas and all.
    std::vector<std::string_view> values;
    std::string_view rest = line.substr(9);
    while (values.size() + 1 < fields) {
      const auto comma = rest.find(',');
      if (comma == std::string_view::npos) break;
      values.push_back(rest.substr(0, comma));
      rest.remove_prefix(comma + 1);
    }
    values.push_back(rest);
    if (values.size() != fields) continue;
    const std::int64_t start = assTime(values[startField]), end = assTime(values[endField]);
    if (start < 0 || end < 0 || start > kLongestMs || end > kLongestMs) continue;
    cues.push_back({start, end, cueText(values[textField], CueMarkup::Ass)});
    if (cues.size() >= kMaxCues) break;
  }
  return cues;
}

std::vector<Sentence> readVtt(std::string_view text, std::int32_t lengthMs) {
  return sentencesFromCues(readVttCues(text), lengthMs);
}

std::vector<Sentence> readAss(std::string_view text, std::int32_t lengthMs) {
  return sentencesFromCues(readAssCues(text), lengthMs);
}

std::string assEventText(std::string_view event) {
  std::size_t commas = 8;
  if (event.starts_with("Dialogue:")) commas = 9;
  std::size_t at = 0;
  for (std::size_t n = 0; n < commas; ++n) {
    const auto comma = event.find(',', at);
    if (comma == std::string_view::npos) return {};
    at = comma + 1;
  }
  return cueText(event.substr(at), CueMarkup::Ass);
}

bool chineseLanguageTag(std::string_view tag) {
  const std::string t = lower(trimmed(tag));
  const std::string primary = t.substr(0, std::min(t.find_first_of("-_"), t.size()));
  return primary == "chi" || primary == "zho" || primary == "zh" || primary == "cmn" || primary == "yue";
}

bool mostlyHan(std::string_view text) {
  std::size_t han = 0, kana = 0, letters = 0;
  eachCodePoint(text, [&](char32_t c) {
    if (!isLetter(c)) return;
    ++letters;
    if (isHan(c)) ++han;
    else if (isKana(c)) ++kana;
  });
  return letters > 0 && han * 2 > letters && kana * 10 < letters;
}

StreamChoice chooseSubtitleStream(const std::vector<SubtitleStream>& streams, int preferred) {
  if (preferred >= 0) {
    for (const SubtitleStream& s : streams)
      if (s.index == preferred && hasWords(s)) return {s.index};
  }
  for (const SubtitleStream& s : streams) {
    if (!hasWords(s)) continue;
    const std::string primary = lower(s.language.substr(0, std::min(s.language.find_first_of("-_"), s.language.size())));
    const bool japaneseOrKorean = primary == "ja" || primary == "jpn" || primary == "ko" || primary == "kor";
    if (chineseLanguageTag(s.language) || (!japaneseOrKorean && mostlyHan(s.sample))) return {s.index};
  }
  for (const SubtitleStream& s : streams)
    if (hasWords(s)) return {s.index};
  if (streams.empty()) return {-1, SubtitleProblem::NoSubtitles};
  const bool anyText = std::any_of(streams.begin(), streams.end(),
                                   [](const SubtitleStream& s) { return s.kind == SubtitleKind::Text; });
  const bool anyBitmap = std::any_of(streams.begin(), streams.end(),
                                     [](const SubtitleStream& s) { return s.kind == SubtitleKind::Bitmap; });
  if (anyText) return {-1, SubtitleProblem::NoText};
  return {-1, anyBitmap ? SubtitleProblem::OnlyBitmaps : SubtitleProblem::NoSubtitles};
}

std::string subtitleProblemWords(SubtitleProblem problem) {
  switch (problem) {
    case SubtitleProblem::OnlyBitmaps: return "这个文件里的字幕是图片，不是文字，无法用作句子。";
    case SubtitleProblem::NoText: return "这个文件里的字幕没有文字，无法用作句子。";
    case SubtitleProblem::NoSubtitles:
    case SubtitleProblem::None: break;
  }
  return {};
}

}  // namespace tessaly
