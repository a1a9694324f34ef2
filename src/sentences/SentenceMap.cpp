// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/SentenceMap.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <map>

#include "sentences/Subtitles.h"
#include "text/Module1.h"
#include "text/TextFile.h"

namespace tessaly {

namespace {

constexpr std::int32_t kOpenEnd = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kLongestMs = std::int64_t{100} * 3600 * 1000;  // 100 hours: beyond is no time

std::vector<std::string> linesOf(std::string_view text) {
  // CR LF, CR and LF all end a line here: companion files come from everywhere.
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// "mm:ss", "mm:ss.xx", "mm:ss:xx", "mm:ss.xxx" (a fraction of any length is read as one);
// -1 when it is no time.
std::int64_t lrcTime(std::string_view tag) {
  std::size_t at = 0;
  const std::int64_t minutes = readDigits(tag, at, 5);
  if (minutes < 0 || at >= tag.size() || tag[at] != ':') return -1;
  ++at;
  const std::int64_t seconds = readDigits(tag, at, 2);
  if (seconds < 0 || seconds >= 60) return -1;
  std::int64_t ms = (minutes * 60 + seconds) * 1000;
  if (at == tag.size()) return ms;
  if (tag[at] != '.' && tag[at] != ':') return -1;
  ++at;
  const std::size_t start = at;
  const std::int64_t fraction = readDigits(tag, at, 3);
  if (fraction < 0 || at != tag.size()) return -1;
  const std::size_t digits = at - start;
  ms += digits == 1 ? fraction * 100 : digits == 2 ? fraction * 10 : fraction;
  return ms;
}

// Sorted by start, one sentence per start (the first text given for it), each ending where
// the next begins or at its own explicit end, the last at the recording's end; starts past
// the end dropped.
std::vector<Sentence> settle(std::vector<Sentence> sentences, std::int32_t lengthMs) {
  std::stable_sort(sentences.begin(), sentences.end(),
                   [](const Sentence& a, const Sentence& b) { return a.startMs < b.startMs; });
  sentences.erase(std::unique(sentences.begin(), sentences.end(),
                              [](const Sentence& a, const Sentence& b) { return a.startMs == b.startMs; }),
                  sentences.end());
  const std::int32_t end = lengthMs > 0 ? lengthMs : kOpenEnd;
  std::erase_if(sentences, [end](const Sentence& s) { return s.startMs < 0 || s.startMs >= end; });
  if (sentences.size() > kMaxSentences) sentences.resize(kMaxSentences);
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    const std::int32_t next = i + 1 < sentences.size() ? sentences[i + 1].startMs : end;
    Sentence& s = sentences[i];
    s.endMs = s.endMs > s.startMs ? std::min(s.endMs, next) : next;
  }
  return sentences;
}

}  // namespace

std::vector<Sentence> readLrc(std::string_view text, std::int32_t lengthMs) {
  std::int64_t offset = 0;
  struct Tagged {
    std::int64_t ms;
    std::string text;
    bool noText;  // a sentence without words, not the end of the one before
  };
  std::vector<Tagged> tagged;
  for (const std::string& line : linesOf(text)) {
    std::size_t at = 0;
    std::vector<std::int64_t> times;
    bool noText = false;
    while (at < line.size() && line[at] == '[') {
      const auto close = line.find(']', at);
      if (close == std::string::npos) break;
      const std::string_view tag = std::string_view(line).substr(at + 1, close - at - 1);
      at = close + 1;
      if (tag.starts_with("offset:")) {
        std::string_view value = tag.substr(7);
        const bool negative = !value.empty() && value[0] == '-';
        if (!value.empty() && (value[0] == '-' || value[0] == '+')) value.remove_prefix(1);
        std::size_t pos = 0;
        const std::int64_t ms = readDigits(value, pos);
        if (ms >= 0 && pos == value.size()) offset = negative ? -ms : ms;
        continue;
      }
      if (tag == kLrcNoTextTag.substr(1, kLrcNoTextTag.size() - 2)) {
        noText = true;
        continue;
      }
      if (const std::int64_t ms = lrcTime(tag); ms >= 0) times.push_back(ms);
      // [ti:], [ar:], [al:], [by:] and every other tag: not times, ignored.
    }
    const std::string words = trimmed(std::string_view(line).substr(at));
    for (const std::int64_t ms : times) tagged.push_back({ms, words, noText && words.empty()});
    if (tagged.size() > kMaxSentences * 4) break;
  }
  // A positive offset shows the words earlier.
  std::vector<Sentence> sentences;
  std::vector<std::int64_t> ends;  // tags with empty text: they end the sentence before them
  for (const Tagged& t : tagged) {
    const std::int64_t ms = t.ms - offset;
    if (ms < 0 || ms > kLongestMs) continue;
    if (t.noText) sentences.push_back({static_cast<std::int32_t>(ms), 0, std::nullopt});
    else if (t.text.empty()) ends.push_back(ms);
    else sentences.push_back({static_cast<std::int32_t>(ms), 0, t.text});
  }
  std::sort(ends.begin(), ends.end());
  std::stable_sort(sentences.begin(), sentences.end(),
                   [](const Sentence& a, const Sentence& b) { return a.startMs < b.startMs; });
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    // The first empty tag after this sentence's start, if it comes before the next sentence.
    const auto end = std::upper_bound(ends.begin(), ends.end(), sentences[i].startMs);
    if (end != ends.end() && (i + 1 == sentences.size() || *end <= sentences[i + 1].startMs))
      sentences[i].endMs = static_cast<std::int32_t>(*end);
  }
  return settle(std::move(sentences), lengthMs);
}

std::vector<Sentence> readSrt(std::string_view text, std::int32_t lengthMs) {
  // hh:mm:ss,mmm (a "." also taken for the comma); -1 when it is no time.
  const auto srtTime = [](std::string_view s, std::size_t& at) -> std::int64_t {
    const std::int64_t h = readDigits(s, at, 3);
    if (h < 0 || at >= s.size() || s[at++] != ':') return -1;
    const std::int64_t m = readDigits(s, at, 2);
    if (m < 0 || m >= 60 || at >= s.size() || s[at++] != ':') return -1;
    const std::int64_t sec = readDigits(s, at, 2);
    if (sec < 0 || sec >= 60 || at >= s.size() || (s[at] != ',' && s[at] != '.')) return -1;
    ++at;
    const std::int64_t ms = readDigits(s, at, 3);
    if (ms < 0) return -1;
    return ((h * 60 + m) * 60 + sec) * 1000 + ms;
  };
  std::vector<Cue> cues;
  const std::vector<std::string> lines = linesOf(text);
  for (std::size_t i = 0; i < lines.size() && cues.size() < kMaxSentences * 4; ++i) {
    const std::string_view line = lines[i];
    const auto arrow = line.find("-->");
    if (arrow == std::string_view::npos) continue;
    std::size_t a = line.find_first_not_of(" \t"), b = line.find_first_not_of(" \t", arrow + 3);
    if (a == std::string_view::npos || b == std::string_view::npos) continue;
    const std::int64_t start = srtTime(line, a), end = srtTime(line, b);
    if (start < 0 || end < 0 || start > kLongestMs || end > kLongestMs) continue;
    // The cue's text: the lines up to a blank one (see cueText).
    std::string raw;
    for (++i; i < lines.size() && !trimmed(lines[i]).empty() && lines[i].find("-->") == std::string::npos; ++i)
      raw += lines[i] + "\n";
    if (i < lines.size() && lines[i].find("-->") != std::string::npos) --i;  // a cue without its blank line
    cues.push_back({start, end, cueText(raw, CueMarkup::Srt)});
  }
  return sentencesFromCues(cues, lengthMs);
}

std::vector<Sentence> sentencesFromCues(const std::vector<Cue>& cues, std::int32_t lengthMs) {
  std::vector<Sentence> sentences;
  for (const Cue& cue : cues) {
    if (cue.startMs < 0 || cue.endMs < 0 || cue.startMs > kLongestMs || cue.endMs > kLongestMs) continue;
    sentences.push_back({static_cast<std::int32_t>(cue.startMs), static_cast<std::int32_t>(cue.endMs),
                         cue.text.empty() ? std::nullopt : std::optional<std::string>(cue.text)});
    if (sentences.size() >= kMaxSentences * 4) break;
  }
  return settle(std::move(sentences), lengthMs);
}

std::vector<std::string> companionPaths(const std::string& audioPath) {
  const std::string stem = pathUpToLastDot(trimSpaces(audioPath));
  if (stem.empty()) return {};
  return {stem + "lrc", stem + "srt", stem + "vtt", stem + "ass", stem + "ssa"};
}

SentenceMap sentenceMapFrom(const std::vector<FileBytes>& companions, std::int32_t lengthMs) {
  static constexpr SentenceSource kSources[] = {SentenceSource::Lrc, SentenceSource::Srt, SentenceSource::Vtt,
                                                SentenceSource::Ass, SentenceSource::Ass};
  for (std::size_t i = 0; i < companions.size() && i < std::size(kSources); ++i) {
    if (!companions[i].read) continue;
    const std::string& text = companions[i].text.utf8;
    SentenceMap map{kSources[i], {}};
    switch (kSources[i]) {
      case SentenceSource::Lrc:
        map.sentences = readLrc(text, lengthMs);
        map.title = lrcTitle(text);
        break;
      case SentenceSource::Srt: map.sentences = readSrt(text, lengthMs); break;
      case SentenceSource::Vtt: map.sentences = readVtt(text, lengthMs); break;
      default: map.sentences = readAss(text, lengthMs); break;
    }
    if (!map.sentences.empty()) return map;
  }
  return {};
}

SentenceMap loadSentenceMap(const std::string& audioPath, std::int32_t lengthMs) {
  std::vector<FileBytes> companions;
  for (const std::string& path : companionPaths(audioPath)) companions.push_back(readWhole(path));
  return sentenceMapFrom(companions, lengthMs);
}

std::string lrcTag(double ms) {
  const long long centis = static_cast<long long>(std::max(0.0, ms) / 10);
  char text[32];
  std::snprintf(text, sizeof text, "[%02lld:%02lld.%02lld]", centis / 6000, centis / 100 % 60, centis % 100);
  return text;
}

std::string lrcTitleLine(std::string_view title) {
  std::string line = "[ti:";
  for (const char c : title) {
    if (c == '[') line += "\uFF3B";
    else if (c == ']') line += "\uFF3D";
    else line += c == '\r' || c == '\n' ? ' ' : c;
  }
  return line + "]";
}

std::string lrcTitle(std::string_view text) {
  for (const std::string& line : linesOf(text)) {
    const std::string rest = trimmed(line);
    const auto close = rest.find(']');
    if (!rest.starts_with("[ti:") || close == std::string::npos) continue;
    return trimmed(std::string_view(rest).substr(4, close - 4));
  }
  return {};
}

int sentenceAt(const std::vector<Sentence>& sentences, double ms) {
  const auto after = std::upper_bound(sentences.begin(), sentences.end(), ms,
                                      [](double v, const Sentence& s) { return v < s.startMs; });
  return static_cast<int>(after - sentences.begin()) - 1;
}

const char* sourceName(SentenceSource source) {
  switch (source) {
    case SentenceSource::Lrc: return "lrc";
    case SentenceSource::Srt: return "srt";
    case SentenceSource::Vtt: return "vtt";
    case SentenceSource::Ass: return "ass";
    case SentenceSource::Embedded: return "embedded";
    case SentenceSource::Silence: return "silence";
    case SentenceSource::None: break;
  }
  return "none";
}

}  // namespace tessaly
