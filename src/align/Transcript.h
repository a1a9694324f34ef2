// SPDX-License-Identifier: GPL-3.0-or-later
// A published transcript as the aligner reads it: its bytes decoded (UTF-16 with a BOM,
// UTF-8 with or without one, else GB18030, as the program's other texts), speaker labels
// taken off its lines ("Helen:", "A：", "老师：", "男："), and what is left split into
// sentences at 。！？；.!? and at line ends, closing quotes and brackets kept with the
// sentence they close. A line of nothing but punctuation or symbols holds no sentence.
// Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::align {

struct TranscriptSentence {
  std::string text;  // UTF-8, as printed, label and surrounding spaces taken off
  bool han = false;  // it holds Han characters: spoken as Mandarin
  int line = 0;      // its line in the transcript, from 1
  friend bool operator==(const TranscriptSentence&, const TranscriptSentence&) = default;
};

enum class TranscriptProblem {
  None,
  Binary,  // not a text: NUL bytes without a UTF-16 BOM, control characters, undecodable bytes
  Empty,   // a text, but no sentence in it
};

struct Transcript {
  std::vector<TranscriptSentence> sentences;
  TranscriptProblem problem = TranscriptProblem::None;
};

// The bytes as UTF-8 text (a BOM dropped); none when they are not a text.
std::optional<std::string> transcriptText(std::string_view bytes);

// `line` without a leading speaker label: a name of at most three words or four Han
// characters (letters, digits, spaces, dots) followed by ':' or '：' and more text.
std::string withoutSpeakerLabel(std::string_view line);

// The sentences of one line's text, in order, each trimmed.
std::vector<std::string> sentencesOfLine(std::string_view line);

// The whole transcript from its bytes (a pasted text is passed as its UTF-8 bytes).
Transcript readTranscript(std::string_view bytes);

// A sentence of the transcript and where the recording speaks it.
struct AlignedSentence {
  std::string text;
  int line = 0;
  bool found = false;  // false: not heard in the recording, left out of the map
  double startMs = 0, endMs = 0;
};

// The .lrc of the found sentences in the transcript's order (UTF-8, CR LF): a time tag and
// the text each, and an empty tag where a sentence's sound ends well before the next starts
// (and after the last), so music or an announcement after it is no part of it.
std::string lrcText(const std::vector<AlignedSentence>& sentences);

}  // namespace tessaly::align
