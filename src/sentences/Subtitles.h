// SPDX-License-Identifier: GPL-3.0-or-later
// Subtitles as sentences: the WebVTT (.vtt) and ASS/SSA (.ass, .ssa) files beside a
// recording, the events the subtitle streams inside a video decode to, the cleaning of a
// cue's text (markup, karaoke and drawing tags gone, its lines joined: a space between Latin
// words, nothing between Han characters), and the choice among a file's subtitle streams
// (a Chinese one first). Cues become sentences by the .srt reader's rules (SentenceMap.h):
// sorted by start, one per start, an end past the next start cut there.
//
// Pure functions; any thread. Bad bytes give what sound cues they hold, or none.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sentences/SentenceMap.h"

namespace tessaly {

// The digits of `s` from `at` (at most `maxDigits` of them) as a number, `at` moved past
// them; -1 when there are none. The time readers' step (.lrc, .srt, .vtt, .ass).
std::int64_t readDigits(std::string_view s, std::size_t& at, std::size_t maxDigits = 9);

// One subtitle as it is timed: its text already cleaned ("" for one without words).
struct Cue {
  std::int64_t startMs = 0;
  std::int64_t endMs = 0;  // at or before the start: until the next cue
  std::string text;
  friend bool operator==(const Cue&, const Cue&) = default;
};

// The markup a cue's text is written in.
enum class CueMarkup {
  Srt,     // <i>, <font ...>, {\an8}
  WebVtt,  // <c.x>, <v Speaker>, <i>, <ruby>…<rt>reading</rt>, <00:01.000>, &amp;
  Ass,     // {\...} overrides and karaoke ({\k12}), {\p1} drawings, \N \n line breaks, \h
};

// The words of one cue as the learner reads them, on one line.
std::string cueText(std::string_view raw, CueMarkup markup);

// The program's sentences from cues (see above); never more than kMaxSentences.
std::vector<Sentence> sentencesFromCues(const std::vector<Cue>& cues, std::int32_t lengthMs);

std::vector<Cue> readVttCues(std::string_view text);
std::vector<Cue> readAssCues(std::string_view text);
std::vector<Sentence> readVtt(std::string_view text, std::int32_t lengthMs);
std::vector<Sentence> readAss(std::string_view text, std::int32_t lengthMs);

// The cleaned text of one decoded subtitle event: "ReadOrder,Layer,Style,Name,MarginL,
// MarginR,MarginV,Effect,Text" (or a whole "Dialogue: ..." line).
std::string assEventText(std::string_view event);

// ---- The subtitle streams inside a file, and which becomes the map.

enum class SubtitleKind { Text, Bitmap, Unknown };

struct SubtitleStream {
  int index = -1;        // the stream's number in the file
  std::string language;  // its language tag ("chi", "zh-CN", "eng"), "" without one
  std::string codec;     // "subrip", "ass", "mov_text", "hdmv_pgs_subtitle"
  SubtitleKind kind = SubtitleKind::Unknown;
  std::string sample;  // some of its words (cleaned), "" when none were read
};

// Why a file's own subtitles give no map.
enum class SubtitleProblem {
  None,
  NoSubtitles,  // no subtitle stream (or the file could not be read for them)
  OnlyBitmaps,  // only pictures of text (PGS, DVD, DVB)
  NoText,       // text streams, but not a word in them
};

struct StreamChoice {
  int index = -1;  // the stream's number in the file; -1 for none
  SubtitleProblem problem = SubtitleProblem::None;
};

// The tag of a Chinese stream: chi, zho, zh (and zh-CN, zh_TW, zh-Hans), cmn, yue; any case.
bool chineseLanguageTag(std::string_view tag);
// Text whose letters are mostly Han characters (and not Japanese: few kana among them).
bool mostlyHan(std::string_view text);

// The stream whose cues become the map: `preferred` (a stream number, -1 for none) when it is
// a text stream with words; else the first Chinese one (by its tag, or by its words unless
// it is tagged Japanese or Korean); else the first text stream with words; else none and why.
StreamChoice chooseSubtitleStream(const std::vector<SubtitleStream>& streams, int preferred = -1);

// The learner's words for `problem` ("" for None).
std::string subtitleProblemWords(SubtitleProblem problem);

}  // namespace tessaly
