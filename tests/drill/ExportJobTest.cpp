// SPDX-License-Identifier: GPL-3.0-or-later
// A background job followed by a window on a fake export: the percent shown moves only when
// it changes, the end is told once, a newer start cancels the one under way, the learner's
// cancel stops it, and an older job's news is never shown.
#include "drill/ExportJob.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {
namespace {

// An export whose newest job stands where the test puts it.
struct FakeExport {
  std::uint32_t start() { return ++serial; }
  bool state(std::uint32_t asked, ExportJob::Progress& progress) const {
    ++asks;
    if (asked != serial) return false;
    progress = now;
    return true;
  }
  ExportJob::Engine engine() {
    return {[this](std::uint32_t asked, ExportJob::Progress& progress) { return state(asked, progress); },
            [this] { ++cancels; }};
  }
  std::uint32_t serial = 0;
  ExportJob::Progress now;
  int cancels = 0;
  mutable int asks = 0;
};

TEST(ExportJob, ShowsThePercentAsItMovesAndTheEndOnce) {
  struct Step {
    double share;
    bool finished;
    bool wantMoved;
    int wantPercent;
    bool wantFinished;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"nothing done yet", {{0, false, false, 0, false}, {0, false, false, 0, false}}},
      {"moving", {{0.25, false, true, 25, false}, {0.25, false, false, 25, false}, {0.5, false, true, 50, false}}},
      {"part of a percent", {{0.004, false, false, 0, false}, {0.019, false, true, 1, false}}},
      {"finished at once", {{1, true, true, 100, true}, {1, true, false, 100, false}}},
      {"finished where it stood", {{0.5, false, true, 50, false}, {0.5, true, false, 50, true}}},
      {"finished unwritten early", {{0.1, true, true, 10, true}}},
  };
  for (const Case& c : cases) {
    FakeExport fake;
    ExportJob job(fake.engine());
    job.start([&] { return fake.start(); });
    EXPECT_TRUE(job.underWay()) << c.name;
    EXPECT_EQ(job.percent(), 0) << c.name;
    bool ended = false;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      fake.now = {s.share, s.finished};
      const ExportJob::Frame f = job.frame();
      EXPECT_EQ(f.moved, s.wantMoved) << c.name << " step " << i;
      if (!ended) {
        EXPECT_EQ(job.percent(), s.wantPercent) << c.name << " step " << i;
      }
      EXPECT_EQ(f.finished, s.wantFinished) << c.name << " step " << i;
      ended = ended || f.finished;
      EXPECT_EQ(job.underWay(), !ended) << c.name << " step " << i;
    }
    EXPECT_EQ(fake.cancels, 0) << c.name;
  }
}

TEST(ExportJob, ANewerStartCancelsTheOneUnderWayAndTheLearnersCancelEndsIt) {
  FakeExport fake;
  ExportJob job(fake.engine());
  job.start([&] { return fake.start(); });
  EXPECT_EQ(fake.cancels, 0) << "nothing under way to cancel";
  fake.now = {0.6, false};
  EXPECT_EQ(job.frame().percent, 60);

  job.start([&] { return fake.start(); });
  EXPECT_EQ(fake.cancels, 1) << "the first export cancelled before the second starts";
  EXPECT_EQ(job.percent(), 0) << "the dialog starts again at 0%";
  fake.now = {0.6, false};
  EXPECT_TRUE(job.frame().moved);

  job.cancel();
  EXPECT_EQ(fake.cancels, 2);
  EXPECT_FALSE(job.underWay());
  const int asked = fake.asks;
  fake.now = {1, true};
  EXPECT_FALSE(job.frame().finished) << "a cancelled export tells nothing";
  EXPECT_EQ(fake.asks, asked) << "and is not asked about";

  job.start([&] { return fake.start(); });
  EXPECT_EQ(fake.cancels, 2) << "nothing was under way after the cancel";
  EXPECT_TRUE(job.frame().finished);
  job.start([&] { return fake.start(); });
  EXPECT_EQ(fake.cancels, 2) << "nor after the end";
}

TEST(ExportJob, AnOlderJobsNewsIsNeverShown) {
  FakeExport fake;
  ExportJob job(fake.engine());
  job.start([&] { return fake.start(); });
  fake.start();  // a start elsewhere made another job the engine's newest
  fake.now = {1, true};
  const ExportJob::Frame f = job.frame();
  EXPECT_FALSE(f.moved);
  EXPECT_FALSE(f.finished);
  EXPECT_TRUE(job.underWay()) << "still followed, as the engine may yet answer for it";
}

// An engine with a state of its own, as the exports and the alignment have.
struct FakeBackground {
  struct State {
    double share = 0;
    bool finished = false;
    std::string error;
  };
  bool state(std::uint32_t asked, State& out) const {
    if (asked != serial) return false;
    out = now;
    return true;
  }
  void cancel() { ++cancels; }
  std::uint32_t serial = 0;
  State now;
  int cancels = 0;
};

TEST(ExportJob, ItsEngineKeepsTheLastStateReadForTheWindowsWords) {
  FakeBackground engine;
  FakeBackground::State kept;
  ExportJob job(jobEngine(engine, kept));
  job.start([&] { return ++engine.serial; });
  engine.now = {0.3, false, ""};
  EXPECT_EQ(job.frame().percent, 30);
  EXPECT_EQ(kept.share, 0.3);
  engine.now = {0.3, true, "磁盘已满。"};
  EXPECT_TRUE(job.frame().finished);
  EXPECT_EQ(kept.error, "磁盘已满。") << "the words of the end come from the state the job saw end";

  job.start([&] { return ++engine.serial; });
  ++engine.serial;  // no longer the newest: nothing read, nothing kept
  engine.now = {0.9, false, "另一个"};
  job.frame();
  EXPECT_EQ(kept.error, "磁盘已满。");
  job.cancel();
  EXPECT_EQ(engine.cancels, 1);
}

}  // namespace
}  // namespace tessaly::test
