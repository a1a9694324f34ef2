// SPDX-License-Identifier: GPL-3.0-or-later
// What every export promises the windows, run on the tests' fakes and on the engine's drill and
// Anki exporters over the sample lesson: its share only grows and it finishes once, written; a
// newer start leaves the one before behind, unwritten; a cancelled export writes nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "AudioTestSupport.h"
#include "drill/engine/DrillExporter.h"
#include "review/engine/AnkiExporter.h"
#include "support/FakeExports.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

const std::string kLesson = TESSALY_SAMPLES "/样例课文.wav";

// One export of either contract, to `out`: the drill of two sentences, or their Anki file.
class Export {
 public:
  virtual ~Export() = default;
  virtual std::uint32_t start(const std::string& out) = 0;
  virtual bool state(std::uint32_t serial, DrillExportState& state) const = 0;
  virtual void cancel() = 0;
  virtual std::string extension() const = 0;
};

template <typename Contract>
class DrillOf final : public Export {
 public:
  std::uint32_t start(const std::string& out) override {
    const std::vector<DrillStep> plan = {{0, 2000, 0, 1, 1, 100, 300}, {4560, 6000, 1, 1, 1, 70, 0}};
    return export_.start(kLesson, plan, out, {});
  }
  bool state(std::uint32_t serial, DrillExportState& state) const override { return export_.state(serial, state); }
  void cancel() override { export_.cancel(); }
  std::string extension() const override { return ".mp3"; }

 private:
  Contract export_;
};

template <typename Contract>
class AnkiOf final : public Export {
 public:
  std::uint32_t start(const std::string& out) override {
    std::vector<AnkiNote> notes = {{kLesson, "0123456789abcdef", 0, 4560, "你好，欢迎来到听写练习。", "你好", ""},
                                   {kLesson, "0123456789abcdef", 4560, 7750, "今天天气很好。", "今天天汽很好。", ""}};
    return export_.start(std::move(notes), out);
  }
  bool state(std::uint32_t serial, DrillExportState& state) const override { return export_.state(serial, state); }
  void cancel() override { export_.cancel(); }
  std::string extension() const override { return ".txt"; }

 private:
  Contract export_;
};

struct Exporter {
  const char* name;
  bool writes;  // the fakes write nothing: only their states are compared
  std::unique_ptr<Export> (*make)();
};

void PrintTo(const Exporter& exporter, std::ostream* out) { *out << exporter.name; }

const Exporter kExporters[] = {
    {"FakeDrill", false, [] { return std::unique_ptr<Export>(std::make_unique<DrillOf<FakeDrillExport>>()); }},
    {"EngineDrill", true, [] { return std::unique_ptr<Export>(std::make_unique<DrillOf<DrillExporter>>()); }},
    {"FakeAnki", false, [] { return std::unique_ptr<Export>(std::make_unique<AnkiOf<FakeAnkiExport>>()); }},
    {"EngineAnki", true, [] { return std::unique_ptr<Export>(std::make_unique<AnkiOf<AnkiExporter>>()); }},
};

// Looks at `serial` as a window's frames would until it has finished (a minute at most),
// checking on the way that its share only grows; the state it finished with.
DrillExportState followToTheEnd(const Export& e, std::uint32_t serial) {
  DrillExportState now, before;
  for (int waited = 0; waited < 60000; waited += 10) {
    EXPECT_TRUE(e.state(serial, now)) << "the newest export always answers";
    EXPECT_GE(now.share, before.share);
    EXPECT_LE(now.share, 1.0);
    if (now.finished) return now;
    before = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "never finished";
  return now;
}

// True when `path` or its temporary is in the folder.
bool leftBehind(const std::string& path) { return fs::exists(path) || fs::exists(path + ".part"); }

class ExportContract : public testing::TestWithParam<Exporter> {};

TEST_P(ExportContract, RunsToItsEndOnceAndIsWritten) {
  TempDir dir;
  const auto e = GetParam().make();
  const std::string out = dir.file("out" + e->extension());
  const std::uint32_t serial = e->start(out);
  const DrillExportState end = followToTheEnd(*e, serial);
  EXPECT_EQ(end.error, "");
  EXPECT_DOUBLE_EQ(end.share, 1.0);
  DrillExportState again;
  ASSERT_TRUE(e->state(serial, again)) << "still the newest";
  EXPECT_TRUE(again.finished) << "it stays finished";
  if (GetParam().writes) {
    EXPECT_TRUE(fs::exists(out));
    EXPECT_FALSE(fs::exists(out + ".part"));
  }
}

TEST_P(ExportContract, ANewerStartLeavesTheOneBeforeBehindUnwritten) {
  TempDir dir;
  const auto e = GetParam().make();
  const std::string first = dir.file("first" + e->extension()), second = dir.file("second" + e->extension());
  const std::uint32_t a = e->start(first);
  const std::uint32_t b = e->start(second);
  EXPECT_NE(a, b);
  DrillExportState state;
  EXPECT_FALSE(e->state(a, state)) << "the one before no longer answers";
  EXPECT_EQ(followToTheEnd(*e, b).error, "");
  if (GetParam().writes) {
    EXPECT_FALSE(leftBehind(first));
    EXPECT_TRUE(fs::exists(second));
  }
}

TEST_P(ExportContract, ACancelledExportWritesNothing) {
  TempDir dir;
  const auto e = GetParam().make();
  const std::string out = dir.file("out" + e->extension());
  const std::uint32_t serial = e->start(out);
  e->cancel();
  DrillExportState state;
  EXPECT_FALSE(e->state(serial, state)) << "a cancelled export no longer answers";
  // Exports run one after another: once a later one has finished, the cancelled one has
  // stopped, and what it left is there to see.
  EXPECT_EQ(followToTheEnd(*e, e->start(dir.file("later" + e->extension()))).error, "");
  if (GetParam().writes) {
    EXPECT_FALSE(leftBehind(out));
  }
}

INSTANTIATE_TEST_SUITE_P(All, ExportContract, testing::ValuesIn(kExporters),
                         [](const testing::TestParamInfo<Exporter>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tessaly::test
