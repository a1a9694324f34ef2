// SPDX-License-Identifier: GPL-3.0-or-later
// The unit cache's file: the times of a recording's units, kept so they are found once. Its
// first line is its key (the format's and the aligner's version, then what the recording and
// its sentences make it); a line a unit ("sentence unit start end confidence text"); its last
// line counts its units and the bytes of their lines. The file sits where anyone may edit it,
// so nothing in it is trusted: a text cut short, under another key, or whose units could not
// have been made (numbers that do not read, negative or reversed times, a confidence outside
// 0 to 1, units out of order, a sentence with more or fewer units than its text) is no cache,
// and the times are made again. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "align/Align.h"
#include "sentences/SentenceMap.h"

namespace tessaly::align {

// The key of the cache of `sentences` of the recording of `size` bytes whose identity's hash
// is `hash`: the first line of its file.
std::string unitCacheKey(std::int64_t size, const std::string& hash, const std::vector<Sentence>& sentences);
// The name of that recording's cache file.
std::string unitCacheFileName(const std::string& hash);

// The text of a cache file holding `units` under `key`.
std::string unitCacheText(const std::string& key, const std::vector<UnitSpan>& units);

// The units of a whole text under `key`, every line read; nullopt for one cut short, changed,
// under another key (an older program's), or holding units no aligner makes. With
// `unitsPerSentence`, each sentence's units must be all of them (or none) and its number one
// of the sentences.
std::optional<std::vector<UnitSpan>> parseUnitCache(std::string_view text, std::string_view key);
std::optional<std::vector<UnitSpan>> parseUnitCache(std::string_view text, std::string_view key,
                                                    const std::vector<int>& unitsPerSentence);

}  // namespace tessaly::align
