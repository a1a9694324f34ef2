// SPDX-License-Identifier: GPL-3.0-or-later
// The files an exported drill takes beside it, and the learner's files that stand in their
// way. A drill OUT.mp3 writes OUT.lrc, and once opened it reads OUT.srt and keeps its
// dictation in OUT.txt: none of these may be another recording's (lesson.lrc, the hand-made
// map of lesson.mp3, when the drill is lesson.wav), nor a file the learner made that no
// recording owns. A drill's own .lrc says so in its [re:] tag, so an earlier export of the
// same drill may be replaced.
//
// Reads the folder; any thread.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

// The [re:] line of every drill's .lrc.
inline constexpr const char* kDrillLrcMark = "[re:tessaly-drill]";

// `outPath`'s .lrc, .srt and .txt: its path up to the extension, then the companion's.
std::string drillCompanion(const std::string& outPath, const char* extension);

// Whether the .lrc at `path` is one an export wrote (it carries kDrillLrcMark).
bool isDrillLrc(const std::string& path);

// The files an export to `outPath` would write over or take as its own and that are not an
// earlier export's: `outPath` itself when it is not a drill, its .lrc when it is not a
// drill's, its .srt and .txt when another recording has the same name or `outPath` is no
// earlier drill. Empty when nothing is in the way.
std::vector<std::string> filesInTheWay(const std::string& outPath);

// Whether the .lrc of `outPath` is a drill's that another recording of the same name shares
// (the same drill exported as MP3 and as WAV): it may only be written again unchanged.
bool sharesItsLrc(const std::string& outPath);

}  // namespace tessaly
