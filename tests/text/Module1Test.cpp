// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Module1.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

struct PathCase {
  std::string (*cut)(std::string_view);
  std::string argument;
  std::string expected;
};

TEST(Module1, SplitAtKeepsEveryPieceEmptyOnesIncluded) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(splitAt("", ';'), V{""});
  EXPECT_EQ(splitAt("a", ';'), V{"a"});
  EXPECT_EQ(splitAt("a;b;;c", ';'), (V{"a", "b", "", "c"}));
  EXPECT_EQ(splitAt(";a;", ';'), (V{"", "a", ""}));
}

TEST(Module1, PathCuttingKeepsUpToTheLastMark) {
  const PathCase cases[] = {
      {pathUpToLastDot, "  C:\\voice\\a.b.mp3 ", "C:\\voice\\a.b."},
      {pathUpToLastDot, "C:\\voice\\lesson", ""},
      {pathUpToLastDot, "C:\\my.dir\\lesson", "C:\\my."},
      {pathUpToLastBackslash, "C:\\voice\\a.mp3", "C:\\voice\\"},
      {pathUpToLastBackslash, "a.mp3", ""},
      {pathUpToLastSlash, " /home/li/听力/第一课.mp3  ", "/home/li/听力/"},
      {pathUpToLastSlash, "lesson.mp3", ""},
      {pathUpToLastDot, "", ""},
      {pathUpToLastDot, "   ", ""},
      {pathUpToLastDot, "\t/a.b\t", "\t/a."},  // only ASCII spaces are trimmed
  };
  for (const auto& c : cases) EXPECT_EQ(c.cut(c.argument), c.expected) << '"' << c.argument << '"';
}

TEST(Module1, FormatPositionGivesMinutesSecondsAndTenths) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "00:00.0"},  {83456, "01:23.4"}, {59999, "00:59.9"}, {6000000, "00:00.0"}, {6930000, "15:30.0"},
      {99, "00:00.0"}, {100, "00:00.1"},   {60000, "01:00.0"}, {3599999, "59:59.9"}, {INT32_MAX, "91:23.6"},
  };
  for (const auto& [ms, expected] : cases) EXPECT_EQ(formatPosition(ms), expected) << ms;
}

TEST(Module1, FormatPositionOfNegativeValuesFollowsTheArithmetic) {
  // floor(-1/60000) = -1 minute, then seconds 59, tenths 9: "000-1" keeps "-1".
  EXPECT_EQ(formatPosition(-1), "-1:59.9");
  EXPECT_EQ(formatPosition(-500), "-1:59.5");
}

}  // namespace
}  // namespace tessaly
