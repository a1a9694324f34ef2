// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-record: what the learner's record costs when it is large. It fills a new record
// with SENTENCES synthetic checked sentences (checks of 10 sentences over the last year of
// days, across 50 recordings; a third missed, with one to three slips of every kind, Han
// with readings, English words), then measures: the call that queues one more check (the
// user-interface thread's only work), opening the record (with its integrity check), the
// due list and its count, the charts' figures, and the file's size. Prints one JSON line.
//
//   tessaly-record FOLDER [SENTENCES]   (FOLDER/practice.sqlite3 is made anew)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "store/RecordKeeper.h"

namespace {

using namespace tessaly;
namespace fs = std::filesystem;

double msSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

constexpr int kToday = 20795;

CheckRecord syntheticCheck(std::mt19937& random, int recording, int day) {
  static const char* kinds[] = {"homophone", "tone", "spelling", "missing", "extra", "other"};
  static const char* words[] = {"library", "morning", "sentence", "through", "their", "write", "nine", "opens"};
  CheckRecord record{
      "/home/learner/voice/lesson" + std::to_string(recording) + ".mp3", std::int64_t{day} * 86400 + 36000, day, {}};
  const int first = static_cast<int>(random() % 40);
  for (int s = 0; s < 10; ++s) {
    RecordedSentence sentence;
    sentence.startMs = (first + s) * 3000;
    sentence.endMs = sentence.startMs + 3000;
    sentence.reference = "我们一起去图书馆吧，今天天气很好。The library opens at nine.";
    sentence.written = sentence.reference;
    sentence.accuracy = 100;
    if (random() % 3 == 0) {
      const int slips = 1 + static_cast<int>(random() % 3);
      for (int i = 0; i < slips; ++i) {
        const std::string kind = kinds[random() % 6];
        RecordedSlip slip{kind, kind == "spelling" || kind == "missing" ? words[random() % 8] : "好", "号", "", "", 0, 0};
        if (kind == "tone" || kind == "homophone") {
          slip.expectedTone = 1 + static_cast<int>(random() % 5);
          slip.writtenTone = 1 + static_cast<int>(random() % 5);
          slip.expectedReading = "hǎo";
          slip.writtenReading = "hào";
        }
        sentence.slips.push_back(slip);
      }
      sentence.accuracy = 100.0 - 8.0 * slips;
    }
    record.sentences.push_back(std::move(sentence));
  }
  return record;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tessaly-record FOLDER [SENTENCES]\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const int sentences = argc > 2 ? std::atoi(argv[2]) : 100000;
  const fs::path db = folder / "practice.sqlite3";
  for (const char* tail : {"", "-wal", "-shm"}) fs::remove(db.string() + tail);
  std::mt19937 random(7);

  const auto filling = std::chrono::steady_clock::now();
  {
    RecordStore store;
    if (store.open(db.string()).problem != RecordProblem::None) return 1;
    std::vector<RecordingIdentity> identities;
    for (int r = 0; r < 50; ++r) identities.push_back({1000000 + r, "bench" + std::to_string(r)});
    for (int n = 0; n < sentences / 10; ++n) {
      const int recording = static_cast<int>(random() % 50);
      const int day = kToday - 364 + n * 365 / std::max(1, sentences / 10);
      if (store.add(syntheticCheck(random, recording, day), identities[static_cast<std::size_t>(recording)]) !=
          RecordProblem::None)
        return 1;
    }
  }
  const double fillMs = msSince(filling);

  // The user-interface thread's part of keeping a check: queuing it.
  const auto opening = std::chrono::steady_clock::now();
  RecordKeeper keeper(db.string());
  std::vector<double> queue;
  for (int i = 0; i < 20; ++i) {
    CheckRecord record = syntheticCheck(random, i % 50, kToday);
    const auto t = std::chrono::steady_clock::now();
    keeper.record(std::move(record));
    queue.push_back(msSince(t));
  }
  keeper.waitIdle();
  const double openAndWriteMs = msSince(opening);

  RecordStore store;
  const auto open = std::chrono::steady_clock::now();
  store.open(db.string());
  const double openMs = msSince(open);
  std::vector<double> dueMs, statsMs;
  int due = 0;
  std::size_t listed = 0;
  for (int i = 0; i < 5; ++i) {
    auto t = std::chrono::steady_clock::now();
    listed = store.due(kToday, 200).size();
    due = store.dueCount(kToday);
    dueMs.push_back(msSince(t));
    t = std::chrono::steady_clock::now();
    const RecordStats stats = store.stats(kToday, 90);
    statsMs.push_back(msSince(t));
    if (stats.sentences < sentences) return 1;
  }
  std::sort(queue.begin(), queue.end());
  std::sort(dueMs.begin(), dueMs.end());
  std::sort(statsMs.begin(), statsMs.end());
  std::uintmax_t bytes = 0;
  for (const char* tail : {"", "-wal"})
    if (std::error_code e; fs::exists(db.string() + tail, e)) bytes += fs::file_size(db.string() + tail);
  std::printf(
      "{\"sentences\":%d,\"fill_ms\":%.0f,\"queue_call_median_ms\":%.4f,\"queue_call_max_ms\":%.4f,"
      "\"open_and_write_20_ms\":%.1f,\"open_with_integrity_check_ms\":%.1f,\"due_today\":%d,\"due_listed\":%zu,"
      "\"due_list_median_ms\":%.2f,\"due_list_max_ms\":%.2f,\"charts_median_ms\":%.2f,\"charts_max_ms\":%.2f,"
      "\"file_mb\":%.1f}\n",
      sentences, fillMs, queue[queue.size() / 2], queue.back(), openAndWriteMs, openMs, due, listed,
      dueMs[dueMs.size() / 2], dueMs.back(), statsMs[statsMs.size() / 2], statsMs.back(), bytes / 1e6);
  return 0;
}
