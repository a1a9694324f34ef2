// SPDX-License-Identifier: GPL-3.0-or-later
// Where each unit of each sentence (a Han character, an English word, as the check counts
// them) is spoken in a recording: the sentence synthesised by libespeak-ng (audio/Speech.h)
// with its units' times (spoken again at the recording's pace when that is much slower or
// faster), the recording's stretch decoded, both aligned (align/Align.h).
// Sentences without a text, or whose text the synthesiser cannot speak, are skipped. The
// times are kept in a cache file per recording, named by its identity, in
// $XDG_CACHE_HOME/tessaly/ (never beside the user's files), and read back while the
// recording and its sentences are the same. A cache file is written whole or not at all
// (atomically, text/TextFile.h); one cut short (a full disk, a crash), or holding what the
// aligner could not have made, is no cache and is made again (align/UnitCache.h).
//
// Threads: the calling thread does the work (a background worker's, or a command's).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "align/Align.h"
#include "align/UnitCache.h"
#include "sentences/SentenceMap.h"

namespace tessaly::align {

// The units of `sentences` of `recording`, in order. `progress` gets each sentence's units
// as they are found (and the share done).
std::vector<UnitSpan> alignUnits(const std::string& recording, const std::vector<Sentence>& sentences,
                                 const std::atomic<bool>* cancel = nullptr,
                                 const std::function<void(const std::vector<UnitSpan>&, double)>& progress = {});

// The same through the cache in `cacheFolder` ("" for none): read when it holds this
// recording's (by identity) units of these sentences, else made and written there.
std::vector<UnitSpan> cachedUnits(const std::string& recording, const std::vector<Sentence>& sentences,
                                  const std::string& cacheFolder, const std::atomic<bool>* cancel = nullptr,
                                  const std::function<void(const std::vector<UnitSpan>&, double)>& progress = {});

// $XDG_CACHE_HOME/tessaly (or ~/.cache/tessaly).
std::string defaultCacheFolder();

}  // namespace tessaly::align
