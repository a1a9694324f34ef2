// SPDX-License-Identifier: GPL-3.0-or-later
// A published transcript turned into the recording's sentence map: its sentences
// (align/Transcript.h) spoken by libespeak-ng (audio/Speech.h; Mandarin for a sentence with
// Han characters, else English), the recording decoded by FFmpeg (audio/Decoder.h) a piece
// at a time to 16 kHz features, both warped onto each other (align/LongAlign.h). A mostly
// English text is spoken and warped twice, in a woman's voice and a man's, and the warp
// under which its sentences are the more clearly their own is kept. A sentence
// that is not heard is left out and named, never given a time; a transcript of which too
// little is heard is of another recording, and no map is made of it.
//
// The map is kept as NAME.lrc beside the recording when the recording has no companion file
// yet (.lrc, .srt, .vtt, .ass or .ssa: never over one, even one that appears meanwhile, nor
// beside subtitles the learner put there); else, or where that folder
// cannot be written, as the recording's map in the cache folder, named by its identity.
//
// Threads: the calling thread does the work (a background worker's, or a command's), and
// for a mostly English text a thread of its own warps the man's voice meanwhile, joined
// before the call returns; the cancel flag may be set from any thread, and progress is
// called on the calling thread.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "align/Transcript.h"

namespace tessaly::align {

enum class AlignOutcome {
  Aligned,
  UnreadableTranscript,  // missing, a folder, no permission
  NotText,               // a binary file
  EmptyTranscript,       // no sentence in it
  UnreadableRecording,
  NoMatch,  // the text does not match the recording
  Cancelled,
};

struct TranscriptAlignment {
  AlignOutcome outcome = AlignOutcome::Cancelled;
  std::string message;                     // why not, in Chinese, for anything but Aligned
  std::vector<AlignedSentence> sentences;  // all of the transcript's, found or not
  double recordingMs = 0;
  int found() const;
};

// `transcript`: a text file's bytes, or a pasted text as UTF-8; `name` says it in messages.
TranscriptAlignment alignTranscript(const std::string& recording, std::string_view transcript, const std::string& name,
                                    const std::atomic<bool>* cancel = nullptr,
                                    const std::function<void(double)>& progress = {});
// The same for a transcript file.
TranscriptAlignment alignTranscriptFile(const std::string& recording, const std::string& transcriptPath,
                                        const std::atomic<bool>* cancel = nullptr,
                                        const std::function<void(double)>& progress = {});

// Where the map of `recording` is kept in `cacheFolder` ("" when its identity is unknown).
std::string cachedMapPath(const std::string& recording, const std::string& cacheFolder);

struct KeptMap {
  bool ok = false;
  bool besideRecording = false;  // NAME.lrc; else the cache's copy
  std::string path;
  std::string error;  // why not, in Chinese
};

// Keeps an aligned map's .lrc (lrcText) as said above; nothing for a failed alignment. The
// NAME.lrc beside the recording starts with the mark of a map the program saved
// (sentences/MapSave.h).
KeptMap keepAlignedMap(const std::string& recording, const TranscriptAlignment& alignment, const std::string& cacheFolder);

}  // namespace tessaly::align
