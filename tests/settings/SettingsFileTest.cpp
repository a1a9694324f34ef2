// SPDX-License-Identifier: GPL-3.0-or-later
// settings.ini as the learner may have left it: a change rewrites its own line and nothing
// else (comments, unknown keys, their order, CR LF, a byte order mark, a missing last line
// end), many changes are one write, numbers too large for an int. Real files through the
// program's own writer, and memory for the counts of writes.
#include "settings/UserSettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

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

}  // namespace
}  // namespace tessaly::test
