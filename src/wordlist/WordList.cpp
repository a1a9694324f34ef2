// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/WordList.h"

#include <algorithm>

#include "sentences/SentenceMap.h"

namespace tessaly {

namespace {

std::string_view trim(std::string_view s) {
  const auto blank = [](std::string_view t, std::size_t at) {
    if (t[at] == ' ' || t[at] == '\t' || t[at] == '\r') return std::size_t{1};
    if (t.substr(at, 3) == "\u3000") return std::size_t{3};
    return std::size_t{0};
  };
  while (!s.empty()) {
    const std::size_t n = blank(s, 0);
    if (n == 0) break;
    s.remove_prefix(n);
  }
  while (!s.empty()) {
    const std::size_t n = s.size() >= 3 && s.substr(s.size() - 3) == "\u3000" ? 3 : blank(s, s.size() - 1);
    if (n == 0) break;
    s.remove_suffix(n);
  }
  return s;
}

// A code point in the CJK ideograph blocks (the basic block and extension A, where school
// characters lie), read from UTF-8.
bool hasHan(std::string_view s) {
  for (std::size_t i = 0; i + 2 < s.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if ((b0 & 0xF0) != 0xE0) continue;
    const unsigned cp = ((b0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
                        (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
    if ((cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF)) return true;
  }
  return false;
}

std::size_t characters(std::string_view s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

std::string parseWordList(std::string_view text, WordList& list) {
  list = {};
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int lineNumber = 0;
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
    const std::string_view line = text.substr(from, end - from);
    from = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    ++lineNumber;
    const std::size_t tab = line.find('\t');
    const std::string_view word = trim(line.substr(0, tab));
    const std::string_view phrase = tab == std::string_view::npos ? std::string_view() : trim(line.substr(tab + 1));
    if (word.empty()) {
      if (!phrase.empty()) return "第 " + std::to_string(lineNumber) + " 行只有词组，没有要听写的字词。";
      continue;
    }
    if (const std::size_t longest = std::max(characters(word), characters(phrase)); longest > kLongestEntry)
      return "第 " + std::to_string(lineNumber) + " 行太长（" + std::to_string(longest) + " 个字）：每个字词或词组最多 " +
             std::to_string(kLongestEntry) + " 个字，请把它分成几行。";
    list.entries.push_back({std::string(word), std::string(phrase), lineNumber});
    if (list.entries.size() > kMostWords)
      return "词语表太长：最多 " + std::to_string(kMostWords) + " 个字词，请分成几个表。";
    list.mandarin = list.mandarin || hasHan(word) || hasHan(phrase);
  }
  if (list.entries.empty()) return "词语表是空的：每行写一个要听写的字词（多音字可以在 Tab 后面写一个含有它的词组）。";
  return {};
}

std::vector<std::string> spokenParts(const WordEntry& entry) {
  if (entry.phrase.empty()) return {entry.word, entry.word};
  return {entry.word, entry.phrase, entry.word};
}

std::string wordListLrc(const std::string& title, const WordList& list, const std::vector<double>& startsMs,
                        double lengthMs, std::string_view mark) {
  std::string lrc = lrcTitleLine(title) + "\n";
  if (!mark.empty()) lrc += std::string(mark) + "\n";
  for (std::size_t i = 0; i < list.entries.size() && i < startsMs.size(); ++i) {
    const std::string& word = list.entries[i].word;
    lrc += lrcTag(startsMs[i]) + (word.starts_with('[') ? " " : "") + word + "\n";
  }
  return lrc + lrcTag(lengthMs) + "\n";
}

std::string wordListMark(std::string_view listPath) {
  std::string mark = "[re:tessaly 词语表 ";
  for (const char c : listPath) {
    switch (c) {
      case '[': mark += "%5B"; break;
      case ']': mark += "%5D"; break;
      case '%': mark += "%25"; break;
      case '\r': mark += "%0D"; break;
      case '\n': mark += "%0A"; break;
      default: mark += c;
    }
  }
  return mark + "]";
}

std::string lessonName(const std::string& name, int attempt) {
  if (attempt <= 0) return name;
  return name + "（听写" + (attempt == 1 ? std::string() : std::to_string(attempt)) + "）";
}

bool isWordListPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".txt";
}

}  // namespace tessaly
