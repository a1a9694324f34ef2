// SPDX-License-Identifier: GPL-3.0-or-later
// The subtitle streams inside a recording, read with FFmpeg: each stream's language tag,
// codec and kind (text, or pictures of text such as PGS and DVD subtitles, which the program
// cannot read), and the cues of its text streams (SubRip, ASS/SSA, mov_text, WebVTT), decoded
// from their packets and cleaned (sentences/Subtitles.h). The chosen stream (a Chinese one
// first) becomes the sentence map. Only the subtitle packets are decoded, but the whole file
// is read: a long video takes as long as its reading from the disk.
//
// Blocking, on any thread but the user-interface thread (the program reads on
// SubtitleScanner's thread; the probe and the tests on their own). Damaged packets are
// skipped; a file that cannot be opened has no subtitles.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "sentences/SubtitleScan.h"

namespace tessaly::subtitles {

// The subtitles of the local file `path` (of `lengthMs`, 0 if unknown) and its map, with
// stream `preferredStream` chosen when it has words. Gives up, with no map, once `cancel` is
// raised.
SubtitleFinding readEmbeddedSubtitles(const std::string& path, std::int32_t lengthMs, int preferredStream = -1,
                                      const std::atomic<bool>* cancel = nullptr);

}  // namespace tessaly::subtitles
