// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Reference.h"

#include <algorithm>
#include <cctype>

#include "sentences/Subtitles.h"
#include "text/TextFile.h"

namespace tessaly {

namespace {

bool endsWith(const std::string& s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), s.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

Reference referenceFromSentences(const std::vector<Sentence>& sentences) {
  Reference r;
  r.timed = true;
  for (const Sentence& s : sentences) {
    if (!s.text) continue;
    r.text += *s.text;
    r.sentences.push_back(s);
    r.ends.push_back(r.text.size());
    r.text += "\n";
  }
  return r;
}

Reference referenceFromText(const std::string& path, const std::string& utf8) {
  if (endsWith(path, ".lrc")) return referenceFromSentences(readLrc(utf8, 0));
  if (endsWith(path, ".srt")) return referenceFromSentences(readSrt(utf8, 0));
  if (endsWith(path, ".vtt")) return referenceFromSentences(readVtt(utf8, 0));
  if (endsWith(path, ".ass") || endsWith(path, ".ssa")) return referenceFromSentences(readAss(utf8, 0));
  return referenceFromPlainText(utf8);
}

Reference referenceFromPlainText(const std::string& utf8) {
  Reference r;
  r.text = utf8;
  std::size_t begin = 0;
  const auto close = [&](std::size_t end) {
    const std::string_view piece = std::string_view(utf8).substr(begin, end - begin);
    if (!unitsOf(piece).empty()) {
      std::string text(piece);
      text.erase(0, text.find_first_not_of(" \t\r\n"));
      text.erase(text.find_last_not_of(" \t\r\n") + 1);
      r.sentences.push_back({-1, -1, std::move(text)});
      r.ends.push_back(end);
    } else if (!r.ends.empty()) {
      r.ends.back() = end;  // punctuation or spaces alone belong to the sentence before
    }
    begin = end;
  };
  for (std::size_t at = 0; at < utf8.size();) {
    const std::string_view rest = std::string_view(utf8).substr(at);
    std::size_t length = 0;
    for (std::string_view end : {"。", "！", "？", "!", "?", "\n"})
      if (rest.starts_with(end)) length = end.size();
    if (rest.starts_with(".") &&
        (rest.size() == 1 || rest[1] == ' ' || rest[1] == '\r' || rest[1] == '\n' || rest[1] == '"'))
      length = 1;
    at += length ? length : 1;
    if (length) close(at);
  }
  close(utf8.size());
  if (r.sentences.size() < 2) {  // one sentence: no map, the text is checked whole
    r.sentences.clear();
    r.ends.clear();
  }
  return r;
}

bool referenceFromFile(const std::string& path, Reference& reference) {
  TextFileContent content;
  if (!readTextFile(path, content).ok) return false;
  reference = referenceFromText(path, content.text);
  return true;
}

CheckResult checkAgainst(std::string_view dictation, const Reference& reference, const CheckTables& tables) {
  return checkDictation(dictation, reference.text, tables.readings, &tables.spellings, reference.ends);
}

int sentenceOfUnit(const Reference& reference, const CheckResult& result, int unit) {
  if (unit < 0 || unit >= result.referenceUnits() || reference.ends.empty()) return -1;
  const std::size_t at = result.reference[static_cast<std::size_t>(unit)].begin;
  const auto it = std::upper_bound(reference.ends.begin(), reference.ends.end(), at);
  return it == reference.ends.end() ? -1 : static_cast<int>(it - reference.ends.begin());
}

}  // namespace tessaly
