// SPDX-License-Identifier: GPL-3.0-or-later
// Word lists for 听写: this week's words, one a line, each spoken to the pupil; a polyphone
// followed by a tab and a phrase that holds it ("长<TAB>长大") is said in the phrase too, so the
// pupil knows which reading is meant. A list becomes a lesson (a recording and its .lrc, made
// by the engine's speech, wordlist/engine/WordListLesson.h) that plays, loops and checks as any other.
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
// Characters (code points) in a word or a phrase, at most: a line longer than that is no
// entry for a dictation, and would take minutes to speak and a file of hundreds of MB.
inline constexpr std::size_t kLongestEntry = 100;

// The list in `text` (UTF-8; a line ends at CR LF, CR or LF); "" when it is one, else why
// not, in Chinese for the message.
std::string parseWordList(std::string_view text, WordList& list);

// What is said for an entry: word, phrase, word; or the word twice.
std::vector<std::string> spokenParts(const WordEntry& entry);

// The lesson's .lrc: its title, `mark` when given (wordListMark), each entry's word at the
// time its speech starts, and a last empty tag at the end. A word that starts with "[" is
// written after a space, so it reads back as words, never as a tag of the file.
std::string wordListLrc(const std::string& title, const WordList& list, const std::vector<double>& startsMs,
                        double lengthMs, std::string_view mark = {});

// The [re:] line that says which list a lesson was made from: its path, with "[", "]", "%"
// and line breaks written as %5B, %5D, %25, %0D and %0A.
std::string wordListMark(std::string_view listPath);

// The names a lesson of the list named `name` may take, the first free one chosen: `name`,
// then "name（听写）", "name（听写2）", "name（听写3）"... for `attempt` 0, 1, 2, 3...
std::string lessonName(const std::string& name, int attempt);

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
