// SPDX-License-Identifier: GPL-3.0-or-later
// The unit cache's file, as written and as read back: its key and name as every version of the
// program since the format's has made them, only a whole text under its own key read, and
// nothing read that no aligner makes (numbers that do not read, negative or reversed times,
// units out of order, a sentence with more or fewer units than its text).
#include "align/UnitCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly::test {
namespace {

// The cache file's text read back: only whole, and only under its own key.
TEST(UnitCache, OnlyAWholeTextUnderItsOwnKeyIsRead) {
  const std::string key = "tessaly-units 4 1234 00aa 00bb";
  const std::vector<align::UnitSpan> units = {
      {0, 0, 10.5, 200.25, 0.75, "今"}, {0, 1, 200.25, 380, 0.5, "天"}, {2, 0, 1000, 1500.125, 1, "hello"}};
  const std::string whole = align::unitCacheText(key, units);
  const std::string body = whole.substr(key.size() + 1, whole.rfind("end ") - key.size() - 1);
  std::string zeroed = whole;
  zeroed.replace(key.size() + 1, 8, std::string(8, '\0'));  // a block the disk never wrote
  std::string changedCount = whole;
  changedCount.replace(changedCount.rfind("end 3"), 5, "end 2");
  const struct {
    const char* name;
    std::string text;
    bool read;
  } cases[] = {
      {"whole", whole, true},
      {"no units", align::unitCacheText(key, {}), true},
      {"cut after a line", whole.substr(0, key.size() + 1 + body.find('\n') + 1), false},
      {"cut in a line", whole.substr(0, whole.size() / 2), false},
      {"cut in its last line", whole.substr(0, whole.size() - 3), false},
      {"header only", key + "\n", false},
      {"empty", "", false},
      {"a line lost", key + "\n" + body.substr(body.find('\n') + 1) + whole.substr(whole.rfind("end ")), false},
      {"bytes zeroed", zeroed, false},
      {"count changed", changedCount, false},
      {"a unit too many", key + "\n" + body + "2 1 1500 1600 1 x\n" + whole.substr(whole.rfind("end ")), false},
      {"another key", align::unitCacheText("tessaly-units 4 1234 00aa 00cc", units), false},
      {"the older program's", "tessaly-units 1 1234 00aa 00bb\n" + body, false},
      {"the older aligner's", align::unitCacheText("tessaly-units 2 1234 00aa 00bb", units), false},
      {"the aligner before", align::unitCacheText("tessaly-units 3 1234 00aa 00bb", units), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto read = align::parseUnitCache(c.text, key);
    ASSERT_EQ(read.has_value(), c.read);
    if (!read || std::string(c.name) != "whole") continue;
    ASSERT_EQ(read->size(), units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
      EXPECT_EQ((*read)[i].sentence, units[i].sentence);
      EXPECT_EQ((*read)[i].unit, units[i].unit);
      EXPECT_DOUBLE_EQ((*read)[i].startMs, units[i].startMs);
      EXPECT_DOUBLE_EQ((*read)[i].endMs, units[i].endMs);
      EXPECT_DOUBLE_EQ((*read)[i].confidence, units[i].confidence);
      EXPECT_EQ((*read)[i].text, units[i].text);
    }
  }
}

// Existing cache files are read: their key, name and lines are made as they always were.
TEST(UnitCache, KeyNameAndLinesAreAsEveryCacheFileHasThem) {
  const std::vector<Sentence> sentences = {{0, 1500, "今天"}, {1500, 3000, std::nullopt}};
  EXPECT_EQ(align::unitCacheKey(1234, "0123456789abcdef", sentences),
            "tessaly-units 4 1234 0123456789abcdef 8d6457669028d413");
  EXPECT_EQ(align::unitCacheFileName("0123456789abcdef"), "units-0123456789abcdef.txt");
  EXPECT_EQ(align::unitCacheText("K", {{0, 0, 10.5, 200.25, 0.75, "今"}, {2, 0, 1000, 1500.125, 1, "hello"}}),
            "K\n0 0 10.5 200.25 0.75 今\n2 0 1000 1500.125 1 hello\nend 2 51\n");
  std::vector<Sentence> moved = sentences;
  moved[1].text = "";
  EXPECT_EQ(align::unitCacheKey(1234, "0123456789abcdef", moved), align::unitCacheKey(1234, "0123456789abcdef", sentences))
      << "no text and an empty one are alike to the aligner";
  moved[1].endMs = 3001;
  EXPECT_NE(align::unitCacheKey(1234, "0123456789abcdef", moved), align::unitCacheKey(1234, "0123456789abcdef", sentences));
}

// A whole text under its key, with a correct last line, of `lines`.
std::string cacheOf(const std::string& key, const std::string& lines, std::size_t count) {
  return key + "\n" + lines + "end " + std::to_string(count) + " " + std::to_string(lines.size()) + "\n";
}

TEST(UnitCache, WhatNoAlignerMakesIsNoCache) {
  const std::string key = "tessaly-units 4 1234 00aa 00bb";
  const struct {
    const char* name;
    std::string lines;
    std::size_t count;
    bool read;
  } cases[] = {
      {"units of two sentences", "0 0 10 20 1 今\n0 1 20 30 0.4 天\n3 0 50 60 1 x\n", 3, true},
      {"a time that is no number", "0 0 ten 20 1 今\n", 1, false},
      {"a time not a number", "0 0 nan 20 1 今\n", 1, false},
      {"a time past any double", "0 0 10 1e999 1 今\n", 1, false},
      {"a negative start", "0 0 -5 20 1 今\n", 1, false},
      {"an end before its start", "0 0 30 20 1 今\n", 1, false},
      {"a confidence over 1", "0 0 10 20 1.5 今\n", 1, false},
      {"a negative confidence", "0 0 10 20 -0.1 今\n", 1, false},
      {"a sentence's first unit not 0", "0 1 10 20 1 今\n", 1, false},
      {"a unit skipped", "0 0 10 20 1 今\n0 2 20 30 1 天\n", 2, false},
      {"a unit twice", "0 0 10 20 1 今\n0 0 20 30 1 天\n", 2, false},
      {"sentences out of order", "1 0 10 20 1 今\n0 0 20 30 1 天\n", 2, false},
      {"a sentence again after another", "0 0 10 20 1 今\n1 0 20 30 1 天\n0 1 30 40 1 天\n", 3, false},
      {"a negative sentence", "-1 0 10 20 1 今\n", 1, false},
      {"a sentence past any int", "99999999999 0 10 20 1 今\n", 1, false},
      {"a unit without its text", "0 0 10 20 1\n", 1, false},
      {"a field too many", "0 0 10 20 1 今 天\n", 1, false},
      {"an empty line", "0 0 10 20 1 今\n\n", 1, false},
      {"a count past any size", "0 0 10 20 1 今\n", static_cast<std::size_t>(-1), false},
      {"a count of one less", "0 0 10 20 1 今\n0 1 20 30 1 天\n", 1, false},
      {"a count of one more", "0 0 10 20 1 今\n", 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(align::parseUnitCache(cacheOf(key, c.lines, c.count), key).has_value(), c.read);
  }
  EXPECT_FALSE(align::parseUnitCache(key + "\n0 0 10 20 1 今\nend 99999999999999999999999 14\n", key))
      << "a count past what a number holds";
}

// Each sentence's units are all of those of its text, or none (one the aligner could not time).
TEST(UnitCache, ASentenceHasAllItsUnitsOrNone) {
  const std::string key = "tessaly-units 4 1234 00aa 00bb";
  const std::vector<int> unitsPerSentence = {2, 0, 1};
  const struct {
    const char* name;
    std::string lines;
    std::size_t count;
    bool read;
  } cases[] = {
      {"every sentence whole", "0 0 10 20 1 今\n0 1 20 30 1 天\n2 0 50 60 1 x\n", 3, true},
      {"a sentence without units", "0 0 10 20 1 今\n0 1 20 30 1 天\n", 2, true},
      {"none", "", 0, true},
      {"a unit too few", "0 0 10 20 1 今\n2 0 50 60 1 x\n", 2, false},
      {"a unit too many", "0 0 10 20 1 今\n0 1 20 30 1 天\n0 2 30 40 1 天\n", 3, false},
      {"the last sentence a unit too many", "2 0 50 60 1 x\n2 1 60 70 1 y\n", 2, false},
      {"units of a sentence with none", "1 0 10 20 1 今\n", 1, false},
      {"a sentence past the last", "3 0 10 20 1 今\n", 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(align::parseUnitCache(cacheOf(key, c.lines, c.count), key, unitsPerSentence).has_value(), c.read);
  }
}

}  // namespace
}  // namespace tessaly::test
