// SPDX-License-Identifier: GPL-3.0-or-later
// What every unit scan promises the practice window, run on the tests' fake and on the engine's
// scanner over the sample lesson: each sentence's units in order, as many as the check counts,
// inside their sentence; a take appends only what the caller does not hold; a new scan leaves
// nothing of the one before; a sentence without text has no units.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "align/engine/UnitScanner.h"
#include "check/Check.h"
#include "support/FakeUnitScan.h"

namespace tessaly::test {
namespace {

const std::string kLesson = TESSALY_SAMPLES "/样例课文.wav";
// Three sentences of the sample lesson's .lrc and a stretch of it without text.
const std::vector<Sentence> kSentences = {
    {0, 4560, "你好，欢迎来到听写练习。"},
    {4560, 7750, "今天天气很好。"},
    {7750, 12040, std::nullopt},
    {12040, 15710, "我们一起去图书馆吧。"},
};

struct Scanner {
  const char* name;
  std::unique_ptr<UnitScan> (*make)();
};

void PrintTo(const Scanner& scanner, std::ostream* out) { *out << scanner.name; }

const Scanner kScanners[] = {
    {"the fake", [] { return std::unique_ptr<UnitScan>(std::make_unique<FakeUnitScan>()); }},
    {"the engine's", [] { return std::unique_ptr<UnitScan>(std::make_unique<align::UnitScanner>("")); }},
};

// Takes until the scan says it has finished (a minute at most); false if it never does.
bool takeAll(const UnitScan& scan, std::uint32_t serial, std::vector<align::UnitSpan>& units) {
  for (int waited = 0; waited < 60000; waited += 10) {
    if (scan.take(serial, units)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class UnitScanContract : public testing::TestWithParam<Scanner> {};

TEST_P(UnitScanContract, EachSentencesUnitsInOrderInsideTheirSentence) {
  const auto scan = GetParam().make();
  std::vector<align::UnitSpan> units;
  ASSERT_TRUE(takeAll(*scan, scan->start(kLesson, kSentences), units));
  std::size_t next = 0;
  for (std::size_t s = 0; s < kSentences.size(); ++s) {
    SCOPED_TRACE(s);
    const Sentence& sentence = kSentences[s];
    const std::vector<Unit> expected = sentence.text ? unitsOf(*sentence.text) : std::vector<Unit>{};
    for (std::size_t u = 0; u < expected.size(); ++u, ++next) {
      ASSERT_LT(next, units.size());
      const align::UnitSpan& span = units[next];
      EXPECT_EQ(span.sentence, static_cast<int>(s));
      EXPECT_EQ(span.unit, static_cast<int>(u));
      EXPECT_EQ(span.text, expected[u].text);
      EXPECT_LE(span.startMs, span.endMs);
      EXPECT_GE(span.startMs, sentence.startMs);
      EXPECT_LE(span.endMs, sentence.endMs);
      if (u > 0) {
        EXPECT_GE(span.startMs, units[next - 1].startMs);
      }
    }
  }
  EXPECT_EQ(next, units.size()) << "units beyond the sentences' own";
}

TEST_P(UnitScanContract, ATakeAppendsOnlyWhatTheCallerDoesNotHold) {
  const auto scan = GetParam().make();
  const std::uint32_t serial = scan->start(kLesson, kSentences);
  std::vector<align::UnitSpan> all;
  ASSERT_TRUE(takeAll(*scan, serial, all));
  ASSERT_GT(all.size(), 3U);

  // Taken again, the whole list gains nothing.
  std::vector<align::UnitSpan> again = all;
  EXPECT_TRUE(scan->take(serial, again));
  EXPECT_EQ(again, all);
  // A caller holding three units of its own gets the rest, its own untouched.
  std::vector<align::UnitSpan> held(3);
  for (std::size_t i = 0; i < held.size(); ++i) held[i].text = "held " + std::to_string(i);
  const std::vector<align::UnitSpan> own = held;
  EXPECT_TRUE(scan->take(serial, held));
  ASSERT_EQ(held.size(), all.size());
  EXPECT_TRUE(std::equal(own.begin(), own.end(), held.begin()));
  EXPECT_TRUE(std::equal(all.begin() + 3, all.end(), held.begin() + 3));
}

TEST_P(UnitScanContract, ANewScanLeavesNothingOfTheOneBefore) {
  const auto scan = GetParam().make();
  const std::uint32_t first = scan->start(kLesson, kSentences);
  const std::uint32_t second = scan->start(kLesson, {kSentences[1]});
  EXPECT_NE(first, second);
  std::vector<align::UnitSpan> units;
  ASSERT_TRUE(takeAll(*scan, second, units));
  EXPECT_EQ(units.size(), unitsOf(*kSentences[1].text).size());
  for (const align::UnitSpan& u : units) EXPECT_EQ(u.sentence, 0);  // the new scan's only sentence

  std::vector<align::UnitSpan> old;
  EXPECT_FALSE(scan->take(first, old)) << "the scan before never finishes";
  EXPECT_TRUE(old.empty());
}

TEST_P(UnitScanContract, SentencesWithoutTextHaveNoUnits) {
  const auto scan = GetParam().make();
  std::vector<align::UnitSpan> units;
  ASSERT_TRUE(takeAll(*scan, scan->start(kLesson, {kSentences[2]}), units));
  EXPECT_TRUE(units.empty());
}

INSTANTIATE_TEST_SUITE_P(Both, UnitScanContract, testing::ValuesIn(kScanners),
                         [](const testing::TestParamInfo<Scanner>& param) {
                           return std::string(param.index == 0 ? "Fake" : "Engine");
                         });

}  // namespace
}  // namespace tessaly::test
