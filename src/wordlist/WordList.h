// SPDX-License-Identifier: GPL-3.0-or-later
// Word lists for 听写: this week's words, one a line, each spoken to the pupil; a polyphone
// followed by a tab and a phrase that holds it ("长<TAB>长大") is said in the phrase too, so the
// pupil knows which reading is meant. A list becomes a lesson (a recording and its .lrc, made
// by the engine's speech, audio/WordListLesson.h) that plays, loops and checks as any other.
// Pure; any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

struct WordEntry {
  std::string word;
  std::string phrase;  // "" without one
  int line = 0;        // in the file, from 1
  friend bool operator==(const WordEntry&, const WordEntry&) = default;
};

struct WordList {
  std::vector<WordEntry> entries;
  bool mandarin = false;  // any Han character in it: spoken in Mandarin, else in English
};

inline constexpr std::size_t kMostWords = 500;

// The list in `text` (UTF-8); "" when it is one, else why not, in Chinese for the message.
std::string parseWordList(std::string_view text, WordList& list);

// What is said for an entry: word, phrase, word; or the word twice.
std::vector<std::string> spokenParts(const WordEntry& entry);

// The lesson's .lrc: its title, each entry's word at the time its speech starts, and a last
// empty tag at the end.
std::string wordListLrc(const std::string& title, const WordList& list, const std::vector<double>& startsMs,
                        double lengthMs);

// A file the open command takes for a word list: a .txt.
bool isWordListPath(const std::string& path);

// Where the lesson of a list goes and what happens when it is made.
struct MadeLesson {
  std::string recording;  // the lesson's recording, when made
  std::string error;      // why not, in Chinese; "" when made
};

// Makes lessons from lists away from the user-interface thread (the engine's speech takes
// seconds); `done` runs on the user-interface thread.
class LessonMaker {
 public:
  virtual ~LessonMaker() = default;
  virtual void make(const std::string& listPath, const std::string& folder, std::function<void(MadeLesson)> done) = 0;
};

}  // namespace tessaly
