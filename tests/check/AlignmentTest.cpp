// SPDX-License-Identifier: GPL-3.0-or-later
// Long texts: cut at anchors, aligned stretch by stretch with the least edits there, so a
// dictation as long as a book checks without a table of length × length; texts that are not
// the same text are told as too different, never a crash.
#include "check/Alignment.h"

#include <gtest/gtest.h>

#include <random>

#include "check/Check.h"
#include "check/Report.h"

namespace tessaly {
namespace {

// `count` Han characters drawn from 3,000 common ones (U+4E00 on), a full stop every 20.
std::string hanText(std::size_t count, std::mt19937& random) {
  std::uniform_int_distribution<int> pick(0, 2999);
  std::string text;
  for (std::size_t k = 1; k <= count; ++k) {
    const char32_t c = 0x4E00 + static_cast<char32_t>(pick(random));
    text += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
             static_cast<char>(0x80 | (c & 0x3F))};
    if (k % 20 == 0) text += "。";
  }
  return text;
}

TEST(LongTexts, ABookLengthDictationIsCheckedStretchByStretchWithTheLeastEditsThere) {
  std::mt19937 random(7);
  const std::string reference = hanText(60000, random);
  // Slips every 37 characters, each far from the next: a character changed, left out, or one too many.
  std::string dictation;
  int slips = 0;
  std::size_t unit = 0;
  for (std::size_t at = 0; at < reference.size();) {
    const std::string piece = reference.substr(at, 3);  // a character or a full stop, three bytes each
    at += 3;
    if (piece == "。") {
      dictation += piece;
      continue;
    }
    ++unit;
    if (unit % 37 == 0) {
      ++slips;
      switch ((unit / 37) % 3) {
        case 0: dictation += "丁"; break;          // written wrong (丁 is outside the drawn set)
        case 1: break;                             // left out
        case 2: dictation += piece + "丁"; break;  // one too many
      }
      continue;
    }
    dictation += piece;
  }
  ReadingTable noReadings;
  const CheckResult r = checkDictation(dictation, reference, noReadings);
  ASSERT_FALSE(r.tooDifferent);
  EXPECT_EQ(r.referenceUnits(), 60000);
  EXPECT_EQ(r.errors(), slips);
  EXPECT_EQ(r.substitutions + r.deletions + r.insertions, slips);
  EXPECT_NEAR(r.deletions, slips / 3, 1);
}

TEST(LongTexts, TwoTextsThatAreNotTheSameAreToldAsTooDifferent) {
  std::mt19937 random(11);
  const std::string reference = hanText(60000, random);
  const std::string other = hanText(60000, random);
  ReadingTable noReadings;
  const CheckResult r = checkDictation(other, reference, noReadings);
  EXPECT_TRUE(r.tooDifferent);
  EXPECT_TRUE(r.edits.empty());
  EXPECT_NE(scoreLine(r).find("相差太远"), std::string::npos);
}

TEST(Alignment, ShortTextsAreAlignedInOneTableAndRunsMatchAsOne) {
  // Units as numbers: reference 1 2 3 4, dictation 1 9 3 4 5 (a substitution, an insertion).
  const std::vector<int> r{1, 2, 3, 4}, d{1, 9, 3, 4, 5};
  const std::vector<std::vector<tessaly::Run>> none;
  const Aligned a = align({r, d, none, none}, nullptr);
  ASSERT_FALSE(a.tooDifferent);
  std::vector<StepKind> kinds;
  for (const Step& s : a.steps) kinds.push_back(s.kind);
  EXPECT_EQ(kinds, (std::vector<StepKind>{StepKind::Diagonal, StepKind::Diagonal, StepKind::Diagonal, StepKind::Diagonal,
                                          StepKind::Insertion}));
  EXPECT_EQ(a.referenceEnd, 4u);
  // A run of two reference units (7 8) standing for dictation unit 6: one step, no cost.
  const std::vector<int> r2{1, 7, 8, 4}, d2{1, 6, 4};
  std::vector<std::vector<tessaly::Run>> runs(r2.size() + 1);
  runs[3].push_back({2, 6});
  const Aligned b = align({r2, d2, runs, none}, nullptr);
  ASSERT_EQ(b.steps.size(), 3u);
  EXPECT_EQ(b.steps[1].kind, StepKind::ReferenceRun);
  EXPECT_EQ(b.steps[1].referenceUnits, 2);
  // The end chosen by the caller: the dictation reaches the first two units only.
  const Aligned c = align({r, std::vector<int>{1, 2}, none, none}, [](const std::vector<int>& endCost, std::size_t first) {
    std::size_t best = 0;
    for (std::size_t k = 0; k < endCost.size(); ++k)
      if (endCost[k] < endCost[best]) best = k;
    return first + best;
  });
  EXPECT_EQ(c.referenceEnd, 2u);
  EXPECT_EQ(c.steps.size(), 2u);
}

}  // namespace
}  // namespace tessaly
