// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/AnkiNotes.h"

#include "record/RecordLog.h"

namespace tessaly {

namespace {

// A field on one line: tabs and line ends would split it.
std::string field(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

AnkiNote ankiNoteOf(const MissedSentence& missed) {
  return {missed.recording, missed.recordingHash, missed.startMs,         missed.endMs,
          missed.reference, missed.written,       slipsLine(missed.slips)};
}

std::string ankiSoundName(const AnkiNote& note) {
  return "tessaly-" + (note.recordingHash.empty() ? std::string("recording") : note.recordingHash) + "-" +
         std::to_string(note.startMs) + "-" + std::to_string(note.endMs) + ".mp3";
}

std::string ankiFile(const std::vector<AnkiNote>& notes) {
  std::string text =
      "#separator:tab\n"
      "#html:false\n"
      "#columns:录音\t句子\t我写的\t错误\n";
  for (const AnkiNote& note : notes)
    text += "[sound:" + ankiSoundName(note) + "]\t" + field(note.reference) + "\t" + field(note.written) + "\t" +
            field(note.slips) + "\n";
  return text;
}

}  // namespace tessaly
