// SPDX-License-Identifier: GPL-3.0-or-later
// Exports for the windows' tests: a drill's and the Anki file's, which note what they were
// asked and finish after a few looks at their state, as the engine's do after a while; a
// newer start or a cancel leaves the one before behind, as the engine's workers do
// (tests/audio/ExportContractTest.cpp runs both beside the engine's). Test thread only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "drill/DrillExport.h"
#include "review/AnkiNotes.h"

namespace tessaly::test {

// How a fake export stands: finished after `looksToFinish` looks; nothing for an older serial.
class FakeExportProgress {
 public:
  explicit FakeExportProgress(int looksToFinish) : looksToFinish_(looksToFinish) {}
  std::uint32_t begin() {
    looks_ = 0;
    return ++serial_;
  }
  bool state(std::uint32_t asked, DrillExportState& state) const {
    if (asked != serial_) return false;
    looks_ = std::min(looks_ + 1, looksToFinish_);
    state = {static_cast<double>(looks_) / looksToFinish_, looks_ >= looksToFinish_, ""};
    return true;
  }
  void cancel() { ++serial_; }
  std::uint32_t serial() const { return serial_; }

 private:
  int looksToFinish_;
  std::uint32_t serial_ = 0;
  mutable int looks_ = 0;
};

class FakeDrillExport final : public DrillExport {
 public:
  std::uint32_t start(const std::string& recording, std::vector<DrillStep> plan, const std::string& outPath,
                      std::vector<std::string> mayReplace) override {
    started.push_back({recording, outPath, plan.size(), std::move(mayReplace)});
    return progress_.begin();
  }
  bool state(std::uint32_t s, DrillExportState& state) const override { return progress_.state(s, state); }
  void cancel() override { progress_.cancel(); }
  std::uint32_t serial() const { return progress_.serial(); }

  struct Started {
    std::string recording, path;
    std::size_t steps;
    std::vector<std::string> mayReplace;
  };
  std::vector<Started> started;

 private:
  FakeExportProgress progress_{3};
};

class FakeAnkiExport final : public AnkiExport {
 public:
  std::uint32_t start(std::vector<AnkiNote> n, const std::string& path) override {
    notes = std::move(n);
    textPath = path;
    return progress_.begin();
  }
  bool state(std::uint32_t s, DrillExportState& state) const override { return progress_.state(s, state); }
  void cancel() override { progress_.cancel(); }

  std::vector<AnkiNote> notes;
  std::string textPath;

 private:
  FakeExportProgress progress_{1};  // done at its first look
};

}  // namespace tessaly::test
