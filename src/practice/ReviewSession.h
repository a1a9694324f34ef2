// SPDX-License-Identifier: GPL-3.0-or-later
// The review (复习) of missed sentences: the due list from the learner's record, the most
// overdue first; the selected sentence played (its text hidden) in the main window's player,
// its recording opened first when it is another; the learner's answer checked against that
// one sentence, the markup shown, and the check kept, which moves the sentence's schedule.
//
// A recording that is not where it was is looked for by its identity (the record's writer
// does the looking); not found, the learner is asked to point to it or to set its sentences
// aside.
//
// User-interface thread only; the record answers from its writer thread, the check from the
// check runner's, both taken on tick().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "practice/CheckRunner.h"
#include "record/RecordLog.h"

namespace tessaly {

// The main window's player as the review uses it.
class ReviewPlayer {
 public:
  virtual ~ReviewPlayer() = default;
  // Opens `recording` unless it is the one open, then loops [startMs, endMs]; false when it
  // could not be opened (the player has told why).
  virtual bool playSentence(const std::string& recording, std::int32_t startMs, std::int32_t endMs) = 0;
};

class ReviewSession {
 public:
  // `folders`: where else to look for a moved recording (the program's voice folder).
  ReviewSession(RecordLog& record, ReviewPlayer& player, std::string readingsPath, std::function<std::int64_t()> now,
                std::vector<std::string> folders = {});

  // Asks the record for the due list again.
  void refresh();
  struct Changes {
    bool list = false;     // the due list came
    bool check = false;    // a check finished (result())
    bool missing = false;  // the selected sentence's recording is nowhere to be found
  };
  Changes tick();

  const DueList& due() const { return due_; }
  bool waiting() const { return dueSerial_ != 0; }
  int today() const;
  // "第 00:04.5 秒起　样例课文.mp3　过期 2 天" for row `row` of the due list.
  std::string rowText(int row) const;

  int selected() const { return selected_; }
  void select(int row);
  // Plays the selected sentence; false when its recording is not where it was (then looked
  // for: tick() tells when it is missing).
  bool playSelected();
  // The learner pointed to the missing recording, or gave it up.
  void pointTo(const std::string& path);
  void setAsideSelected();

  // Checks `written` against the selected sentence; false when none is selected.
  bool check(std::string written);
  const std::optional<PracticeCheck>& result() const { return result_; }

 private:
  RecordLog& record_;
  ReviewPlayer& player_;
  CheckRunner checks_;
  std::function<std::int64_t()> now_;
  std::vector<std::string> folders_;
  DueList due_;
  std::uint32_t dueSerial_ = 0, findSerial_ = 0, checkSerial_ = 0;
  int selected_ = -1;
  std::string written_;
  DueSentence checked_;  // the sentence of the check under way
  std::optional<PracticeCheck> result_;
};

}  // namespace tessaly
