// SPDX-License-Identifier: GPL-3.0-or-later
// The trace that the session tests read the sound with: it must tell a loop's passes, a
// jump and a pause apart, or the sessions' checks would pass whatever was played.
#include "e2e/OutputTrace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace tessaly::test {
namespace {

constexpr int kRate = 16000;

// Two seconds of a signal that never repeats, with a stretch of exact silence inside it as
// speech has between words.
std::vector<float> source() {
  std::vector<float> s(2 * kRate);
  std::uint32_t seed = 12345;
  for (std::size_t i = 0; i < s.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    s[i] = static_cast<float>(0.2 * std::sin(0.01 * static_cast<double>(i)) + ((seed >> 9) / 8388608.0 - 0.5) * 0.2);
  }
  for (int i = 8000; i < 8400; ++i) s[static_cast<std::size_t>(i)] = 0;
  return s;
}

void append(std::vector<float>& out, const std::vector<float>& from, int first, int last) {
  out.insert(out.end(), from.begin() + first, from.begin() + last);
}

TEST(OutputTraceTest, TellsPassesJumpsAndPausesApart) {
  const std::vector<float> s = source();
  std::vector<float> out(800, 0.0f);
  append(out, s, 0, 12000);  // heard up to 750 ms
  out.resize(out.size() + 5000, 0.0f);
  append(out, s, 16, 12000);  // a pass from 1 ms
  out.resize(out.size() + 3000, 0.0f);
  append(out, s, 16, 6000);             // a pass cut short
  append(out, s, 12000, 14000);         // on from 750 ms
  out.resize(out.size() + 4000, 0.0f);  // a pause
  append(out, s, 14000, 20000);

  const Trace trace = traceOutput(out, {s}, 1, kRate);
  SCOPED_TRACE(describe(trace, kRate));
  ASSERT_EQ(trace.runs.size(), 4u);
  const std::int64_t expected[4][2] = {{0, 12000}, {16, 12000}, {16, 6000}, {12000, 20000}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(trace.runs[i].sourceStart, expected[i][0], 160) << i;
    EXPECT_NEAR(trace.runs[i].sourceEnd, expected[i][1], 160) << i;
  }
  EXPECT_NEAR(trace.runs[3].longestSilence, 4000, 160);
  EXPECT_EQ(trace.runs[1].longestSilence, 0);  // the source's own silence is no pause

  // Going on from where the cut pass stopped is a run of its own beginning there, not one
  // beginning at 750 ms.
  std::vector<float> wrong(out.begin(), out.begin() + 800 + 12000 + 5000 + 11984 + 3000 + 5984);
  append(wrong, s, 6000, 9000);
  const Trace bad = traceOutput(wrong, {s}, 1, kRate);
  ASSERT_EQ(bad.runs.size(), 3u) << describe(bad, kRate);
  EXPECT_NEAR(bad.runs[2].sourceEnd, 9000, 160);
}

}  // namespace
}  // namespace tessaly::test
