// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a map corrected by hand (sentences/MapEdit.h) as NAME.lrc beside the recording
// NAME.mp3, the file the program reads first for its sentences (SentenceMap.h). A NAME.lrc the
// program saved this way carries kMapLrcMark and is simply replaced; any other one (the
// learner's own, a published one, one an aligner or another program wrote) is replaced only
// once the learner has said yes, and is kept first beside it as NAME.lrc.bak (or the first
// free NAME (2).lrc.bak, NAME (3).lrc.bak...). Nothing is written half: each file is written
// whole or not at all (text/TextFile.h).
//
// mapLrcText, saveChoiceFor and backupPath are pure; saveMap reads and writes the folder of
// the recording. Any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sentences/SentenceMap.h"

namespace tessaly {

// The [re:] line, first in every map the program saves.
inline constexpr std::string_view kMapLrcMark = "[re:tessaly-map]";

// The .lrc of `sentences` (UTF-8, CR LF): the mark, the [ti:] line of `title`, then each
// sentence's time tag and text (kLrcNoTextTag for a sentence without one), and an empty tag
// where a sentence ends before the next starts or, the last, before `lengthMs`. A last sentence
// that runs to the recording's end (or any end, `lengthMs` 0) has no end tag: readLrc ends it
// at the recording's end to the millisecond, where a tag would keep only hundredths of a second.
// readLrc reads it back to the same sentences, each time to the 10 ms below it.
std::string mapLrcText(std::string_view title, const std::vector<Sentence>& sentences, std::int32_t lengthMs);

enum class SaveChoice {
  Write,    // no file there
  Replace,  // a map this program saved
  Ask,      // anything else: replaced only when the learner says so, and kept as a backup
};
// What to do with the file already at NAME.lrc (its bytes; nullopt for none).
SaveChoice saveChoiceFor(const std::optional<std::string>& existingBytes);

// The name the file at `lrcPath` is kept under when it is replaced: NAME.lrc.bak, else
// NAME (2).lrc.bak, NAME (3).lrc.bak..., the first `taken` says is free; "" when the first
// thousand are all taken.
std::string backupPath(const std::string& lrcPath, const std::function<bool(const std::string&)>& taken);

struct SavedMap {
  bool ok = false;
  bool askFirst = false;  // nothing written: ask the learner `words`, and save again with a yes
  std::string path;       // the NAME.lrc written, or that would be
  std::string backup;     // where the file it replaced is kept, "" when there was none to keep
  std::string words;      // for the learner, in Chinese: done, the question, or why not
};

// Saves `sentences` of the recording at `recordingPath` (of `lengthMs`, 0 when unknown) as its
// NAME.lrc, by saveChoiceFor; an Ask is written only with `replaceConfirmed`, after the old
// file is kept. On any failure nothing is replaced and the words say so.
SavedMap saveMap(const std::string& recordingPath, const std::vector<Sentence>& sentences, std::int32_t lengthMs,
                 bool replaceConfirmed);

}  // namespace tessaly
