// The reference a dictation is checked against: its words, and, when it comes from an .lrc
// or .srt, its sentences (their times and where each one's words lie in the text), so each
// sentence's errors can be told with it. The program takes the recording's sentence map or a
// text file the learner chose; tessaly-check takes a file.
//
// Pure, but referenceFromFile, which reads a small text file. Any thread.
#pragma once

#include <string>
#include <vector>

#include "check/Check.h"
#include "sentences/SentenceMap.h"

namespace tessaly {

struct Reference {
  std::string text;                 // the words compared, sentences one per line
  std::vector<Sentence> sentences;  // with texts; empty for a plain text
  std::vector<std::size_t> ends;    // the byte of `text` where each sentence's words end
  bool empty() const { return text.find_first_not_of(" \t\r\n") == std::string::npos; }
};

// The sentences that carry texts.
Reference referenceFromSentences(const std::vector<Sentence>& sentences);
// A file's words: an .lrc's or .srt's sentences (by its name's ending), or the whole text.
Reference referenceFromText(const std::string& path, const std::string& utf8);
// Reads `path` with the program's text rule (GB18030/GBK, UTF-8); false if it cannot be read.
bool referenceFromFile(const std::string& path, Reference& reference);

// The reference sentence that reference unit `unit` of `result` lies in (-1 for none).
int sentenceOfUnit(const Reference& reference, const CheckResult& result, int unit);

}  // namespace tessaly
