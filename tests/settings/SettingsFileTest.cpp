// SPDX-License-Identifier: GPL-3.0-or-later
// settings.ini as the learner may have left it: a change rewrites its own line and nothing
// else (comments, unknown keys, their order, CR LF, a byte order mark, a missing last line
// end), many changes are one write, numbers too large for an int; and the learner's repeat
// schemes there: as many as they made, every line the program cannot read or does not show
// left as it is, the ones unchanged never rewritten. Real files through the program's own
// writer, and memory for the counts of writes.
#include "settings/UserSettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "practice/SchemeChoice.h"
#include "support/MemoryFolder.h"
#include "support/TempFolder.h"
#include "text/DiskFolder.h"

namespace tessaly::test {
namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";

TEST(SettingsFile, AChangeRewritesOnlyItsOwnLine) {
  const struct {
    const char* what;
    std::string before;
    std::function<void(UserSettings&)> change;
    std::string after;
  } cases[] = {
      {"a speed among comments, blank lines, unknown keys and a line without a key",
       "# mine\n\n; a note\nlater_option=漢字\nbroken line\n=no key\nspeed_tenths=8\nzz=last\n",
       [](UserSettings& s) { s.set("speed_tenths", "9"); },
       "# mine\n\n; a note\nlater_option=漢字\nbroken line\n=no key\nspeed_tenths=9\nzz=last\n"},
      {"CR LF lines", "a=1\r\nspeed_tenths = 8 \r\nb=2\r\n", [](UserSettings& s) { s.set("speed_tenths", "12"); },
       "a=1\r\nspeed_tenths=12\r\nb=2\r\n"},
      {"a byte order mark", std::string(kBom) + "speed_tenths=8\nb=2\n",
       [](UserSettings& s) { s.set("speed_tenths", "7"); }, std::string(kBom) + "speed_tenths=7\nb=2\n"},
      {"no line end after the last line", "a=1", [](UserSettings& s) { s.set("b", "2"); }, "a=1\nb=2\n"},
      {"no line end, a change", "a=1\nb=2", [](UserSettings& s) { s.set("b", "3"); }, "a=1\nb=3"},
      {"a key twice: the one read is changed", "x=1\n# between\nx=2\n", [](UserSettings& s) { s.set("x", "3"); },
       "x=1\n# between\nx=3\n"},
      {"a key twice, removed", "x=1\nkeep=me\nx=2\n", [](UserSettings& s) { s.remove("x"); }, "keep=me\n"},
      {"a new key goes last", "# mine\nb=2\na=1\n", [](UserSettings& s) { s.set("c", "3"); }, "# mine\nb=2\na=1\nc=3\n"},
      {"no file yet", "", [](UserSettings& s) { s.set("a", "1"); }, "# Tessaly's per-user options\na=1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder dir;
    if (!c.before.empty()) writeBytes(dir / UserSettings::kFileName, c.before);
    DiskFolder folder(dir.path());
    UserSettings settings(folder);
    c.change(settings);
    folder.waitIdle();
    EXPECT_EQ(readBytes(dir / UserSettings::kFileName), c.after);
  }
}

TEST(SettingsFile, AByteOrderMarkIsNotPartOfTheFirstKey) {
  MemoryFolder folder;
  folder.files[UserSettings::kFileName] = std::string(kBom) + "speed_tenths=13\r\nloop_passes=2\r\n";
  const UserSettings settings(folder);
  EXPECT_EQ(settings.getInt("speed_tenths", 10), 13);
  EXPECT_EQ(settings.getInt("loop_passes", 0), 2);
  EXPECT_EQ(UserSettings::parse(folder.files[UserSettings::kFileName]).count("speed_tenths"), 1u);
}

TEST(SettingsFile, AWholeNumberTooLargeForAnIntIsTheLargestNotTheFallback) {
  const struct {
    const char* value;
    int read;
  } cases[] = {
      {"12", 12},
      {"-3", -3},
      {"99999999999", INT_MAX},
      {"-99999999999", INT_MIN},
      {"2147483647", INT_MAX},
      {"1e3", -1},
      {"12abc", -1},
      {"", -1},
      {"-", -1},
  };
  for (const auto& c : cases) {
    MemoryFolder folder;
    folder.files[UserSettings::kFileName] = std::string("n=") + c.value + "\n";
    EXPECT_EQ(UserSettings(folder).getInt("n", -1), c.read) << c.value;
  }
}

TEST(SettingsFile, ChangesInABatchAreWrittenOnceWhenItEnds) {
  MemoryFolder folder;
  folder.files[UserSettings::kFileName] = "a=1\n";
  UserSettings settings(folder);
  {
    UserSettings::Batch batch(settings);
    for (int i = 0; i < 1000; ++i) settings.set("k" + std::to_string(i), "v");
    settings.remove("a");
    {
      UserSettings::Batch inner(settings);
      settings.set("b", "2");
    }
    EXPECT_EQ(folder.writes, 0) << "the outer batch has not ended";
    EXPECT_EQ(settings.get("b"), "2") << "what is read is the change";
  }
  EXPECT_EQ(folder.writes, 1);
  const auto values = UserSettings::parse(folder.files[UserSettings::kFileName]);
  EXPECT_EQ(values.size(), 1001u);
  EXPECT_FALSE(values.count("a"));
  { UserSettings::Batch nothing(settings); }
  EXPECT_EQ(folder.writes, 1) << "nothing changed: nothing written";
}

// ---- The learner's repeat schemes ----

std::string schemeLine(int number, const std::string& name, int speed = 100) {
  return "scheme_" + std::to_string(number) + "=" + name + ";next;0;0;" + std::to_string(speed) + "/1000+0\n";
}

std::vector<RepeatScheme> without(std::vector<RepeatScheme> schemes, const std::string& name) {
  schemes.erase(std::remove_if(schemes.begin(), schemes.end(), [&](const RepeatScheme& s) { return s.name == name; }),
                schemes.end());
  return schemes;
}

RepeatScheme made(const std::string& name) { return {name, {{85, 500, 0}}, AfterPasses::ListenOn, 0, 0}; }

TEST(LearnersSchemes, AsManyAsTheLearnerMadeAreShownChosenAndKeptAsTheyAre) {
  MemoryFolder folder;
  std::string file = "# my schemes\n";
  for (int n = 1; n <= 60; ++n) file += schemeLine(n, "方案" + std::to_string(n));
  folder.files[UserSettings::kFileName] = file;
  UserSettings settings(folder);
  SchemeChoice choice;
  choice.useSettings(&settings);
  const std::vector<RepeatScheme> all = choice.all();
  ASSERT_EQ(all.size(), builtInSchemes().size() + 60);
  EXPECT_EQ(all.back().name, "方案60");
  choice.choose("方案55");
  EXPECT_EQ(choice.scheme().name, "方案55") << "not the plain loop";
  const int writes = folder.writes;
  choice.keepOwn(all);  // OK in Alt+O, nothing changed
  EXPECT_EQ(folder.writes, writes);
  EXPECT_EQ(folder.files[UserSettings::kFileName], file + "repeat_scheme=方案55\n");

  // A 61st made in the window is kept, and can be chosen.
  std::vector<RepeatScheme> more = all;
  more.push_back(made("第六十一个"));
  choice.keepOwn(more);
  choice.choose("第六十一个");
  EXPECT_EQ(choice.scheme().name, "第六十一个");
  SchemeChoice again;
  UserSettings reread(folder);
  again.useSettings(&reread);
  EXPECT_EQ(again.all().size(), builtInSchemes().size() + 61);
  EXPECT_EQ(again.scheme().name, "第六十一个");
}

TEST(LearnersSchemes, EachChangeTouchesOnlyItsOwnLine) {
  const std::string lines = schemeLine(1, "一") + schemeLine(2, "二") + schemeLine(3, "三");
  const struct {
    const char* what;
    std::function<std::vector<RepeatScheme>(std::vector<RepeatScheme>)> edit;
    std::string after;
  } cases[] = {
      {"the middle one removed", [](auto s) { return without(s, "二"); }, schemeLine(1, "一") + schemeLine(3, "三")},
      {"the middle one changed",
       [](auto s) {
         for (RepeatScheme& scheme : s)
           if (scheme.name == "二") scheme.passes[0].speedPercent = 70;
         return s;
       },
       schemeLine(1, "一") + schemeLine(2, "二", 70) + schemeLine(3, "三")},
      {"one added",
       [](auto s) {
         s.push_back(made("四"));
         return s;
       },
       lines + "scheme_4=四;on;0;0;85/500+0\n"},
      {"the first removed and one added: it goes last",
       [](auto s) {
         s = without(s, "一");
         s.push_back(made("四"));
         return s;
       },
       schemeLine(2, "二") + schemeLine(3, "三") + "scheme_4=四;on;0;0;85/500+0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFolder folder;
    folder.files[UserSettings::kFileName] = lines;
    UserSettings settings(folder);
    SchemeChoice choice;
    choice.useSettings(&settings);
    choice.keepOwn(c.edit(choice.all()));
    EXPECT_EQ(folder.files[UserSettings::kFileName], c.after);
    EXPECT_EQ(folder.writes, 1);
  }
}

TEST(LearnersSchemes, ALineTheProgramCannotReadOrDoesNotShowIsNeverRewritten) {
  const std::string untouched =
      "scheme_2=坏了的一行\n"               // not a scheme
      "scheme_3=逐句听写;on;0;0;100/0+0\n"  // a built-in's name
      "scheme_7=一;on;0;0;90/0+0\n"         // a name shown before it
      "scheme_x=not a number\n"
      "scheme_09=零九;on;0;0;100/0+0\n";  // not a number the program writes
  MemoryFolder folder;
  folder.files[UserSettings::kFileName] = schemeLine(1, "一") + untouched + schemeLine(4, "四");
  UserSettings settings(folder);
  SchemeChoice choice;
  choice.useSettings(&settings);
  std::vector<RepeatScheme> all = choice.all();
  ASSERT_EQ(all.size(), builtInSchemes().size() + 2) << "一 and 四";
  all.push_back(made("新"));
  choice.keepOwn(all);
  EXPECT_EQ(folder.files[UserSettings::kFileName],
            schemeLine(1, "一") + untouched + schemeLine(4, "四") + "scheme_8=新;on;0;0;85/500+0\n")
      << "the new one's number is after every scheme line's";
  choice.keepOwn(without(choice.all(), "一"));
  EXPECT_EQ(folder.files[UserSettings::kFileName], untouched + schemeLine(4, "四") + "scheme_8=新;on;0;0;85/500+0\n")
      << "the line of the scheme removed, and no other";
}

TEST(LearnersSchemes, OkWithTenThousandOfThemWritesNothingUnchangedAndOnceForAChange) {
  MemoryFolder folder;
  std::string file;
  for (int n = 1; n <= 10000; ++n) file += schemeLine(n, "方案" + std::to_string(n));
  folder.files[UserSettings::kFileName] = file;
  UserSettings settings(folder);
  SchemeChoice choice;
  choice.useSettings(&settings);
  std::vector<RepeatScheme> all = choice.all();
  ASSERT_EQ(all.size(), builtInSchemes().size() + 10000);
  choice.keepOwn(all);
  EXPECT_EQ(folder.writes, 0);
  all.push_back(made("又一个"));
  choice.keepOwn(all);
  EXPECT_EQ(folder.writes, 1);
  EXPECT_EQ(folder.files[UserSettings::kFileName], file + "scheme_10001=又一个;on;0;0;85/500+0\n");
}

}  // namespace
}  // namespace tessaly::test
