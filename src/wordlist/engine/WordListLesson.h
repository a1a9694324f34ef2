// SPDX-License-Identifier: GPL-3.0-or-later
// A word list (wordlist/WordList.h) made into a lesson: libespeak-ng speaks each entry
// (Mandarin through its cmn-latn-pinyin voice, English through en-us, as the list's script
// says), the parts of an entry half a second apart and the entries a second and a half
// apart, into a 16-bit mono WAV, with an .lrc whose tags are where each entry's speech
// starts. Both files go into `folder` under the list's name, whole or not at all; when a file
// of the learner's holds that name (a recording, a map, a dictation, or the list itself: the
// lesson's dictation would be written into it), under "name（听写）", "name（听写2）"... An earlier
// lesson of the same list, told by the list's path in its .lrc, is made again in its place.
//
// Threads: any. Each speak() call takes the synthesiser's lock (audio/Speech.h); one list at a
// time is spoken only because the lesson maker has a single worker.
#pragma once

#include <string>

#include "wordlist/WordList.h"

namespace tessaly {

MadeLesson makeWordListLesson(const std::string& listPath, const std::string& folder);

}  // namespace tessaly
