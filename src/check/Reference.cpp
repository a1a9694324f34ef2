#include "check/Reference.h"

#include <algorithm>
#include <cctype>

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
  Reference r;
  r.text = utf8;
  return r;
}

bool referenceFromFile(const std::string& path, Reference& reference) {
  TextFileContent content;
  if (!readTextFile(path, content).ok) return false;
  reference = referenceFromText(path, content.text);
  return true;
}

int sentenceOfUnit(const Reference& reference, const CheckResult& result, int unit) {
  if (unit < 0 || unit >= result.referenceUnits() || reference.ends.empty()) return -1;
  const std::size_t at = result.reference[static_cast<std::size_t>(unit)].begin;
  const auto it = std::upper_bound(reference.ends.begin(), reference.ends.end(), at);
  return it == reference.ends.end() ? -1 : static_cast<int>(it - reference.ends.begin());
}

}  // namespace tessaly
