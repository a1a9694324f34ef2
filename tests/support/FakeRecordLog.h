// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's record in memory, for the logic that reads and writes it: it keeps what is
// written, holds the review the test sets up, and notes every question; a question is
// answered only when the test says so (answer()), from what the record holds then, so a test
// sees the logic both before an answer comes and after. Test thread only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "record/RecordLog.h"

namespace tessaly::test {

class FakeRecordLog final : public RecordLog {
 public:
  struct Question {
    enum class Kind { Due, Stats, Missed, Find } kind;
    std::uint32_t serial = 0;
    int today = 0, most = 0;  // Due; Stats: `most` is the days
    std::int64_t recordingId = 0;
    std::vector<std::string> folders;  // Find
  };

  // What the record holds; the answers are made of it.
  std::vector<DueSentence> reviews;              // every sentence in the review
  std::vector<std::int64_t> setAsideRecordings;  // their sentences are never due
  std::map<std::int64_t, std::string> findsAt;   // a moved recording's new path, by its id
  RecordStats stats;
  std::vector<MissedSentence> missed;
  // What was written to it, in order.
  std::vector<CheckRecord> checks;
  std::vector<TakeRecord> takes;
  std::vector<std::pair<std::int64_t, std::string>> relinks;
  std::vector<std::string> problems;  // told one by one
  // Every question asked, and those not answered yet.
  std::vector<Question> asked;

  void record(CheckRecord record) override { checks.push_back(std::move(record)); }
  void recordTake(TakeRecord take) override { takes.push_back(std::move(take)); }

  std::uint32_t askDue(int today, int most) override { return ask({Question::Kind::Due, 0, today, most, 0, {}}); }
  std::optional<DueList> takeDue(std::uint32_t serial) override { return take(dues_, serial); }
  std::uint32_t askStats(int today, int days) override { return ask({Question::Kind::Stats, 0, today, days, 0, {}}); }
  std::optional<RecordStats> takeStats(std::uint32_t serial) override { return take(stats_, serial); }
  std::uint32_t askMissed(std::int64_t recordingId) override {
    return ask({Question::Kind::Missed, 0, 0, 0, recordingId, {}});
  }
  std::optional<std::vector<MissedSentence>> takeMissed(std::uint32_t serial) override { return take(missed_, serial); }
  std::uint32_t askFind(const DueSentence& sentence, std::vector<std::string> folders) override {
    return ask({Question::Kind::Find, 0, 0, 0, sentence.recordingId, std::move(folders)});
  }
  std::optional<std::string> takeFound(std::uint32_t serial) override { return take(found_, serial); }
  void relink(std::int64_t recordingId, std::string path) override {
    relinks.emplace_back(recordingId, path);
    for (DueSentence& d : reviews)
      if (d.recordingId == recordingId) d.recording = path;
    std::erase(setAsideRecordings, recordingId);
  }
  void setAside(std::int64_t recordingId) override { setAsideRecordings.push_back(recordingId); }
  std::string takeProblem() override {
    if (problems.empty()) return {};
    std::string problem = std::move(problems.front());
    problems.erase(problems.begin());
    return problem;
  }

  // Answers every question not answered yet, from what the record holds now. A recording
  // found moves in the record, as a real record's search relinks it.
  void answer() {
    for (const Question& q : std::exchange(unanswered_, {})) {
      switch (q.kind) {
        case Question::Kind::Due: dues_[q.serial] = dueOn(q.today, q.most); break;
        case Question::Kind::Stats: stats_[q.serial] = stats; break;
        case Question::Kind::Missed: {
          std::vector<MissedSentence> of;
          for (const MissedSentence& m : missed)
            if (q.recordingId == 0 || idOf(m.recording) == q.recordingId) of.push_back(m);
          missed_[q.serial] = std::move(of);
          break;
        }
        case Question::Kind::Find: {
          const auto found = findsAt.find(q.recordingId);
          found_[q.serial] = found == findsAt.end() ? std::string() : found->second;
          if (found != findsAt.end()) relink(q.recordingId, found->second);
          break;
        }
      }
    }
  }
  std::size_t waiting() const { return unanswered_.size(); }

 private:
  std::uint32_t ask(Question question) {
    question.serial = ++serial_;
    asked.push_back(question);
    unanswered_.push_back(std::move(question));
    return serial_;
  }
  template <typename Answer>
  static std::optional<Answer> take(std::map<std::uint32_t, Answer>& answers, std::uint32_t serial) {
    auto found = answers.extract(serial);
    if (found.empty()) return std::nullopt;
    return std::move(found.mapped());
  }
  // The sentences due on `today` or before and not set aside, the most overdue first.
  DueList dueOn(int today, int most) const {
    DueList list;
    for (const DueSentence& d : reviews)
      if (d.state.dueDay <= today &&
          std::find(setAsideRecordings.begin(), setAsideRecordings.end(), d.recordingId) == setAsideRecordings.end())
        list.sentences.push_back(d);
    std::stable_sort(list.sentences.begin(), list.sentences.end(),
                     [](const DueSentence& a, const DueSentence& b) { return a.state.dueDay < b.state.dueDay; });
    list.count = static_cast<int>(list.sentences.size());
    if (static_cast<int>(list.sentences.size()) > most) list.sentences.resize(static_cast<std::size_t>(most));
    return list;
  }
  std::int64_t idOf(const std::string& recording) const {
    for (const DueSentence& d : reviews)
      if (d.recording == recording) return d.recordingId;
    return 0;
  }

  std::uint32_t serial_ = 0;
  std::vector<Question> unanswered_;
  std::map<std::uint32_t, DueList> dues_;
  std::map<std::uint32_t, RecordStats> stats_;
  std::map<std::uint32_t, std::vector<MissedSentence>> missed_;
  std::map<std::uint32_t, std::string> found_;
};

}  // namespace tessaly::test
