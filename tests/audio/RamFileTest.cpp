// SPDX-License-Identifier: GPL-3.0-or-later
// The .ram reader as a pure function, and the devices following a .ram to what it names.
#include <gtest/gtest.h>

#include <fstream>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "audio/RamFile.h"
#include "support/ManualClock.h"

namespace tessaly::test {
namespace {

using audio::looksLikeRamText;
using audio::parseRamFile;
using audio::RamEntry;

struct RamCase {
  const char* name;
  std::string text;
  std::vector<RamEntry> entries;
};

class RamParse : public ::testing::TestWithParam<RamCase> {};

TEST_P(RamParse, Entries) { EXPECT_EQ(parseRamFile(GetParam().text, "/music/lessons"), GetParam().entries); }

INSTANTIATE_TEST_SUITE_P(
    Lines, RamParse,
    ::testing::Values(
        RamCase{"crlf", "a.rm\r\nb.rm\r\n", {{"/music/lessons/a.rm", true}, {"/music/lessons/b.rm", true}}},
        RamCase{"cr_only", "a.rm\rb.rm", {{"/music/lessons/a.rm", true}, {"/music/lessons/b.rm", true}}},
        RamCase{
            "lf_and_blank_lines", "\n\na.rm\n\n\nb.rm\n", {{"/music/lessons/a.rm", true}, {"/music/lessons/b.rm", true}}},
        RamCase{"comments_and_spaces", "# list\r\n  #indented comment\r\n\t a.rm  \r\n", {{"/music/lessons/a.rm", true}}},
        RamCase{"bom",
                "\xEF\xBB\xBF"
                "a.rm",
                {{"/music/lessons/a.rm", true}}},
        RamCase{"absolute_path", "/srv/x.ra\n", {{"/srv/x.ra", true}}},
        RamCase{"relative_subfolder", "unit 1/一.rm\n", {{"/music/lessons/unit 1/一.rm", true}}},
        RamCase{"file_url", "file:///srv/my%20talk.rm", {{"/srv/my talk.rm", true}}},
        RamCase{"file_url_localhost", "FILE://localhost/srv/a.rm", {{"/srv/a.rm", true}}},
        RamCase{
            "file_url_relative", "file:a.rm\nfile://b.rm", {{"/music/lessons/a.rm", true}, {"/music/lessons/b.rm", true}}},
        RamCase{"file_url_bad_escapes", "file:///srv/100%/%zz%4", {{"/srv/100%/%zz%4", true}}},
        RamCase{"file_url_control_escapes_kept", "file:///srv/a%00b%0A%0d", {{"/srv/a%00b%0A%0d", true}}},
        RamCase{"network_urls",
                "rtsp://example.org/a.rm\nhttp://example.org/b.mp3\npnm://h/c.ra",
                {{"rtsp://example.org/a.rm", false}, {"http://example.org/b.mp3", false}, {"pnm://h/c.ra", false}}},
        RamCase{"not_a_scheme", "1abc://x\n", {{"/music/lessons/1abc://x", true}}},
        RamCase{"nothing", "\r\n#\r\n   \r\n", {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RamParse, KeepsAtMostTheEntryLimit) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "a" + std::to_string(i) + ".rm\n";
  const auto entries = parseRamFile(text, "/d");
  ASSERT_EQ(entries.size(), audio::kMaxRamEntries);
  EXPECT_EQ(entries.back().location, "/d/a" + std::to_string(audio::kMaxRamEntries - 1) + ".rm");
}

TEST(RamDetect, TellsTextListsFromMedia) {
  struct Row {
    std::string head;
    std::size_t size;
    bool ram;
  };
  const Row rows[] = {
      {"rtsp://example.org/a.rm\r\n", 25, true},
      {"lesson.rm\n", 10, true},
      {std::string(".RMF\0\0\0\x12", 8), 50000, false},  // RealMedia
      {std::string("RIFF\x24\0\0\0WAVE", 12), 40, false},
      {"ID3\x03", 4, false},
      {"# only a comment\n", 17, false},
      {"a.rm\n", audio::kMaxRamFileBytes + 1, false},  // too big to be a list
      {"", 0, false},
  };
  for (const Row& row : rows) EXPECT_EQ(looksLikeRamText(row.head, row.size), row.ram) << row.head;
}

TEST(RamDevices, PlayTheFirstEntryThatOpens) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  useDiskOutput(dir.file("out.raw"));
  std::filesystem::create_directory(dir.file("sub"));
  const std::string wav = makeWithFfmpeg(sweepInput(1.5, 22050, 1) + " -c:a pcm_s16le", dir.file("sub/tone.wav"));
  const std::string rm = makeWithFfmpeg(sweepInput(0.8, 8000, 1) + " -c:a real_144 -f rm", dir.file("tone.rm"));
  ASSERT_FALSE(wav.empty());
  ASSERT_FALSE(rm.empty());
  std::ofstream(dir.file("list.ram"), std::ios::binary) << "# lesson\r\nmissing.rm\r\n\r\nsub/tone.wav\r\ntone.rm\r\n";
  std::ofstream(dir.file("url.ram"), std::ios::binary) << "file://" << dir.file("tone.rm") << "\n";
  std::ofstream(dir.file("nested.ram"), std::ios::binary) << "url.ram\n";

  audio::AudioEngine engine;
  ManualClock clock;
  auto mci = audio::makeMciControl(engine, clock.makeTimer());
  const std::pair<std::string, int> cases[] = {{"list.ram", 1500}, {"url.ram", 0}, {"nested.ram", 0}};
  for (const auto& [name, lengthMs] : cases) {
    SCOPED_TRACE(name);
    mci->sendCommand("close");
    mci->setFileName(dir.file(name));
    mci->sendCommand("Open");
    ASSERT_TRUE(mci->isOpen());
    if (lengthMs > 0) {
      EXPECT_EQ(mci->length(), lengthMs);
    } else {  // the RealAudio file: its length is found by reading it through
      EXPECT_EQ(mci->length(), static_cast<int>(referenceDecode(rm, 1).size() * 1000 / 8000));
    }
  }
}

}  // namespace
}  // namespace tessaly::test
