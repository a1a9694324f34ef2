// SPDX-License-Identifier: GPL-3.0-or-later
// The reference a dictation is checked against: its words and its sentences (where each one's
// words end in the text), so the check covers only the sentences written so far and tells
// each one's errors. Sentences come from an .lrc or .srt (with their times), or from a plain
// text split at 。！？.!? and line ends (no times; a text of one sentence is checked whole).
// The program takes the recording's sentence map or a text file the learner chose;
// tessaly-check takes a file.
//
// Pure, but referenceFromFile, which reads a small text file. Any thread.
#pragma once

#include <string>
#include <vector>

#include "check/Check.h"
#include "sentences/SentenceMap.h"

namespace tessaly {

struct Reference {
  std::string text;                 // the words compared
  std::vector<Sentence> sentences;  // with texts; empty for a text of one sentence
  std::vector<std::size_t> ends;    // the byte of `text` where each sentence's words end
  bool timed = false;               // the sentences carry the recording's times
  bool empty() const { return text.find_first_not_of(" \t\r\n") == std::string::npos; }
};

// The sentences that carry texts.
Reference referenceFromSentences(const std::vector<Sentence>& sentences);
// A file's words: an .lrc's or .srt's sentences (by its name's ending), or a plain text's.
Reference referenceFromText(const std::string& path, const std::string& utf8);
// A plain text split into sentences at 。！？.!? (a full stop followed by a space or the end)
// and line ends.
Reference referenceFromPlainText(const std::string& utf8);
// Reads `path` with the program's text rule (GB18030/GBK, UTF-8); false if it cannot be read.
bool referenceFromFile(const std::string& path, Reference& reference);

// The reference sentence that reference unit `unit` of `result` lies in (-1 for none).
int sentenceOfUnit(const Reference& reference, const CheckResult& result, int unit);

// The check of `dictation` against `reference` over the sentences written so far.
CheckResult checkAgainst(std::string_view dictation, const Reference& reference, const CheckTables& tables);

}  // namespace tessaly
