// SPDX-License-Identifier: GPL-3.0-or-later
// The sentence map of a recording: where each sentence starts and ends, in milliseconds of
// the file, with its text when the map comes from a lyrics-style .lrc or a subtitle file
// beside the recording (lesson.lrc, lesson.srt, lesson.vtt, lesson.ass or lesson.ssa for
// lesson.mp3, in that order: the first with sentences wins), or from the subtitles inside a
// video (sentences/engine/EmbeddedSubtitles.h). The files are read with the program's text rule (GB18030/GBK, UTF-8 with or
// without a BOM; CR LF, CR or LF). A bad file (unsorted, duplicate or impossible times, times past the end, binary) gives
// what sound sentences it holds, or none; never more than kMaxSentences.
//
// Pure functions, but loadSentenceMap, which reads the companion files (small text files,
// read like the dictation file). Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/FileReader.h"

namespace tessaly {

struct Sentence {
  std::int32_t startMs = 0;
  std::int32_t endMs = 0;  // where the next begins; the last at the end of the recording
  std::optional<std::string> text;
  friend bool operator==(const Sentence&, const Sentence&) = default;
};

enum class SentenceSource { None, Lrc, Srt, Vtt, Ass, Embedded, Silence };

struct SentenceMap {
  SentenceSource source = SentenceSource::None;
  std::vector<Sentence> sentences;
  std::string title = {};  // an .lrc's [ti:] tag, "" without one
  // SentenceSource::Embedded: the subtitle stream the sentences come from (its number in the
  // file, its language tag or "").
  int stream = -1;
  std::string language = {};
  // Why the subtitles inside the file gave no sentences, in the learner's words ("" when
  // they did, or when it has none).
  std::string note = {};
};

inline constexpr std::size_t kMaxSentences = 20000;

// The tag that follows a time tag of an .lrc for a sentence without words: "[00:04.00]" alone
// ends the sentence before it, "[00:04.00][tessaly:no-text]" starts one without text.
inline constexpr std::string_view kLrcNoTextTag = "[tessaly:no-text]";

// `lengthMs`: the recording's length, or 0 when unknown (the last sentence then ends at the
// greatest position a device reports).
std::vector<Sentence> readLrc(std::string_view text, std::int32_t lengthMs);
std::vector<Sentence> readSrt(std::string_view text, std::int32_t lengthMs);
// The .lrc time tag of `ms`, as readLrc reads it back: "[01:05.43]" (hundredths, rounded down).
std::string lrcTag(double ms);
// The [ti:] line of an .lrc for `title` (a file's name): its brackets made full-width and its
// line breaks spaces, so nothing of it reads as another tag.
std::string lrcTitleLine(std::string_view title);
// The lesson's title: the text of an .lrc's [ti:] tag, trimmed; "" without one.
std::string lrcTitle(std::string_view text);

// The map from the companion files of `audioPath`: the first of them with sentences, else none.
SentenceMap loadSentenceMap(const std::string& audioPath, std::int32_t lengthMs);
// The companion files of `audioPath`, in the order they are tried: its .lrc, .srt, .vtt, .ass
// and .ssa (none for a path without a name).
std::vector<std::string> companionPaths(const std::string& audioPath);
// The map from the companion files already read, in companionPaths' order (see
// text/FileReader.h); fewer files are the first ones.
SentenceMap sentenceMapFrom(const std::vector<FileBytes>& companions, std::int32_t lengthMs);

// The sentence that holds `ms`: the last one starting at or before it; -1 before the first.
int sentenceAt(const std::vector<Sentence>& sentences, double ms);

// "lrc", "srt", "vtt", "ass", "embedded", "silence", "none"
const char* sourceName(SentenceSource source);

}  // namespace tessaly
