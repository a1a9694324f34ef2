// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramFolder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "dictation/AppearanceFile.h"
#include "support/TempFolder.h"
#include "text/TextFile.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class ProgramFolderTest : public ::testing::Test {
 protected:
  ProgramFolderTest() {
    fs::create_directories(root / "share" / "voice");
    std::ofstream(root / "share" / "0091.htm") << "<p>page</p>";
    std::ofstream(root / "share" / "voice" / "a.mp3") << "mp3";
    (void)writeTextFile(root / "share" / "voice" / "a.lst", "@VOICE@/a.mp3\r\n@VOICE@/b.mp3\r\n");
  }
  test::TempFolder folder;
  fs::path root = folder.path();
};

TEST_F(ProgramFolderTest, TheFirstRunGetsTheSampleLessonAndThePage) {
  const fs::path app = root / "app";
  fs::create_directory(app);
  prepareProgramFolder(app, {root / "missing", root / "share"});
  EXPECT_TRUE(fs::exists(app / "0091.htm"));
  EXPECT_TRUE(fs::exists(app / "voice" / "a.mp3"));
  std::vector<std::string> lines;
  ASSERT_TRUE(readTextLines(app / "voice" / "a.lst", lines).ok);
  const std::string voice = (app / "voice").string();
  EXPECT_EQ(lines, (std::vector<std::string>{voice + "/a.mp3", voice + "/b.mp3"}));

  // A user who deleted the sample does not get it back on the next start.
  fs::remove(app / "voice" / "a.mp3");
  prepareProgramFolder(app, {root / "share"});
  EXPECT_FALSE(fs::exists(app / "voice" / "a.mp3"));
}

TEST_F(ProgramFolderTest, AnAbsentAppearanceFileIsTheShippedOne) {
  std::ofstream(root / "share" / "900_8.dat") << "shipped";
  const struct {
    const char* what;
    bool hasVoice;             // the folder was used before
    const char* userSettings;  // the user's own 900_8.dat, if any
    const char* after;         // what 900_8.dat holds afterwards ("" for none)
  } cases[] = {
      {"a new folder", false, nullptr, "shipped"},
      {"a new folder with the user's settings brought along", false, "mine", "mine"},
      {"a folder used before, without settings", true, nullptr, "shipped"},
      {"a folder used before, with settings", true, "mine", "mine"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path app = root / ("app" + std::to_string(++n));
    fs::create_directories(c.hasVoice ? app / "voice" : app);
    if (c.userSettings) std::ofstream(app / "900_8.dat") << c.userSettings;
    prepareProgramFolder(app, {root / "share"});
    EXPECT_EQ(fs::exists(app / "900_8.dat") ? test::readBytes(app / "900_8.dat") : "", c.after);
  }
}

TEST_F(ProgramFolderTest, ANewFolderWithNothingShippedGetsTheReadableFirstLookWritten) {
  // The program copied alone: no data folder holds a 900_8.dat.
  const fs::path app = root / "portable";
  fs::create_directories(app);
  prepareProgramFolder(app, {root / "nowhere"});
  EXPECT_EQ(test::readBytes(app / "900_8.dat"), serialiseAppearanceFile(firstStartAppearanceFile()));
  const AppearanceRecord look = parseAppearanceFile(test::readBytes(app / "900_8.dat")).records[0];
  EXPECT_GT(look.fontSize, 0);
  EXPECT_NE(look.textColourIndex, defaultAppearanceRecord().textColourIndex);  // not yellow on green
  // One that exists, an empty one included, is read as it is.
  std::ofstream(app / "900_8.dat", std::ios::trunc);
  prepareProgramFolder(app, {root / "nowhere"});
  EXPECT_EQ(fs::file_size(app / "900_8.dat"), 0u);
  // A folder used before (voice/ is there) whose file was deleted gets the first look again.
  fs::remove(app / "900_8.dat");
  prepareProgramFolder(app, {root / "nowhere"});
  EXPECT_EQ(test::readBytes(app / "900_8.dat"), serialiseAppearanceFile(firstStartAppearanceFile()));
}

TEST_F(ProgramFolderTest, ASampleBesideTheProgramIsResolvedInPlace) {
  prepareProgramFolder(root / "share", {root / "share"});
  std::vector<std::string> lines;
  ASSERT_TRUE(readTextLines(root / "share" / "voice" / "a.lst", lines).ok);
  EXPECT_EQ(lines.front(), (root / "share" / "voice").string() + "/a.mp3");
}

TEST_F(ProgramFolderTest, AnUnwritableProgramFolderFallsBackToTheUsersDataFolder) {
  EXPECT_EQ(chooseProgramFolder(root, root / "user"), root);
  EXPECT_EQ(chooseProgramFolder(root / "no-such-folder", root / "user" / "tessaly"), root / "user" / "tessaly");
  EXPECT_TRUE(fs::is_directory(root / "user" / "tessaly"));
  // Installed (bin/ beside share/tessaly/): never the bin folder, even when it is writable.
  fs::create_directories(root / "usr" / "bin");
  fs::create_directories(root / "usr" / "share" / "tessaly");
  EXPECT_EQ(chooseProgramFolder(root / "usr" / "bin", root / "user" / "tessaly"), root / "user" / "tessaly");
  fs::create_directories(root / "build" / "bin");  // a bin/ without the shared data is a build's
  EXPECT_EQ(chooseProgramFolder(root / "build" / "bin", root / "user" / "tessaly"), root / "build" / "bin");
}

}  // namespace
}  // namespace tessaly
