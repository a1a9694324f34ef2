// SPDX-License-Identifier: GPL-3.0-or-later
// Where a sentence's units are in the synthesiser's speech of it, from its word events, on
// speech the test makes (a sample a ms, sound from 50 ms to 950 ms): the first unit starts
// with the sound, a unit without an event gets its share of the stretch to the next one by its
// letters, each unit ends where the next starts and the last with the sound; nothing spoken,
// no units.
#include "align/UnitTiming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly::test {
namespace {

constexpr int kRate = 1000;

// Silence, then sound from `fromMs` to `toMs`, then silence to 1 s.
std::vector<short> speech(int fromMs = 50, int toMs = 950, short level = 8000) {
  std::vector<short> s(kRate, 0);
  for (int i = fromMs; i < toMs; ++i) s[static_cast<std::size_t>(i)] = i % 2 ? level : static_cast<short>(-level);
  return s;
}

TEST(UnitTiming, TheUnitsAreSpokenApartBySpaces) {
  const struct {
    std::vector<std::string> units;
    std::string text;
    std::vector<int> positions;
  } cases[] = {
      {{"今", "天", "好"}, "今 天 好", {1, 3, 5}},
      {{"in", "the", "house"}, "in the house", {1, 4, 8}},
      {{"OK", "好"}, "OK 好", {1, 4}},
      {{}, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const align::SpokenUnits spoken = align::spokenUnitsOf(c.units);
    EXPECT_EQ(spoken.text, c.text);
    EXPECT_EQ(spoken.positions, c.positions);
  }
}

TEST(UnitTiming, EachUnitFromItsEventOrItsShareByLetters) {
  const align::SpokenUnits han = align::spokenUnitsOf({"今", "天", "好"});          // positions 1 3 5, the end 6
  const align::SpokenUnits english = align::spokenUnitsOf({"in", "the", "house"});  // 1 4 8, the end 13
  const align::SpokenUnits four = align::spokenUnitsOf({"a", "b", "c", "d"});       // 1 3 5 7, the end 8
  const struct {
    const char* what;
    align::SpokenUnits spoken;
    std::vector<align::WordEvent> words;
    std::vector<short> samples;
    std::vector<double> starts;  // each unit's; the last ends at `endMs`
    double endMs;
  } cases[] = {
      {"every unit its event, the first's in the lead-in",
       han,
       {{1, 20}, {3, 300}, {5, 600}},
       speech(),
       {50, 300, 600},
       950},
      {"the first's event after the sound starts", han, {{1, 80}, {3, 300}, {5, 600}}, speech(), {80, 300, 600}, 950},
      {"the lead-in's own event", han, {{0, 10}, {3, 300}, {5, 600}}, speech(), {50, 300, 600}, 950},
      {"one run into the one before", han, {{1, 0}, {5, 600}}, speech(), {50, 325, 600}, 950},
      {"the last run in: its share to the sound's end",
       han,
       {{1, 0}, {3, 300}},
       speech(),
       {50, 300, 300 + 650.0 * 2 / 3},
       950},
      {"a share by letters", english, {{1, 0}, {8, 500}}, speech(), {50, 50 + 450.0 * 3 / 7, 500}, 950},
      {"three run in", four, {{1, 0}}, speech(), {50, 50 + 900.0 * 2 / 7, 50 + 900.0 * 4 / 7, 50 + 900.0 * 6 / 7}, 950},
      {"the quiet line: 300 is sound, 299 is not",
       han,
       {{1, 0}, {3, 300}, {5, 600}},
       [] {
         std::vector<short> s = speech(100, 900, 300);
         s[60] = 299;
         s[95] = -299;
         return s;
       }(),
       {100, 300, 600},
       900},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<align::Span> spans = align::unitSpansOf(c.spoken, c.words, c.samples, kRate);
    ASSERT_EQ(spans.size(), c.starts.size());
    for (std::size_t u = 0; u < spans.size(); ++u) {
      EXPECT_NEAR(spans[u].startMs, c.starts[u], 1e-9) << u;
      EXPECT_NEAR(spans[u].endMs, u + 1 < spans.size() ? c.starts[u + 1] : c.endMs, 1e-9) << u;
    }
  }
}

TEST(UnitTiming, NothingSpokenIsNoUnits) {
  const align::SpokenUnits han = align::spokenUnitsOf({"今", "天"});
  const std::vector<align::WordEvent> words = {{1, 0}, {3, 300}};
  const struct {
    const char* what;
    align::SpokenUnits spoken;
    std::vector<align::WordEvent> words;
    std::vector<short> samples;
    int rate;
  } cases[] = {
      {"no samples", han, words, {}, kRate},
      {"silence", han, words, std::vector<short>(kRate, 299), kRate},
      {"no events", han, {}, speech(), kRate},
      {"no voice", han, words, speech(), 0},
      {"no units", align::spokenUnitsOf({}), words, speech(), kRate},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(align::unitSpansOf(c.spoken, c.words, c.samples, c.rate).empty());
  }
}

}  // namespace
}  // namespace tessaly::test
