// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input never crashes or hangs the engine: each damaged or hostile file either plays what
// it really holds, or the devices behave as for a file that cannot be played.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioEngine.h"
#include "audio/Decoder.h"
#include "support/FuseFolder.h"
#include "support/ManualClock.h"

namespace tessaly::test {
namespace {

void writeBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void putLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

void putLe16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

enum class Expect { Unplayable, PlaysWhatItHolds };

struct BadFile {
  std::string name;
  Expect expect;
  std::string path;
};

class BadInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    if (!haveFfmpeg()) return;
    const std::string wav = makeWithFfmpeg(sweepInput(1.0, 22050, 1) + " -c:a pcm_s16le", dir_->file("good.wav"));
    const std::string mp3 = makeWithFfmpeg(sweepInput(1.0, 44100, 2) + " -c:a libmp3lame", dir_->file("good.mp3"));
    const std::string rm = makeWithFfmpeg(sweepInput(1.0, 8000, 1) + " -c:a real_144 -f rm", dir_->file("good.rm"));
    const std::string wavBytes = readBytes(wav), mp3Bytes = readBytes(mp3), rmBytes = readBytes(rm);
    auto add = [](const std::string& name, Expect expect, const std::string& bytes) {
      const std::string path = dir_->file(name);
      writeBytes(path, bytes);
      files_->push_back({name, expect, path});
    };
    files_ = new std::vector<BadFile>();
    add("empty.wav", Expect::Unplayable, "");
    std::mt19937 random(7);
    std::string noise(65536, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    add("noise.mp3", Expect::Unplayable, noise);
    add("header-only.wav", Expect::Unplayable, wavBytes.substr(0, 30));
    add("truncated.wav", Expect::PlaysWhatItHolds, wavBytes.substr(0, wavBytes.size() / 2));
    add("truncated.mp3", Expect::PlaysWhatItHolds, mp3Bytes.substr(0, mp3Bytes.size() / 3));
    add("truncated.rm", Expect::PlaysWhatItHolds, rmBytes.substr(0, rmBytes.size() / 2));
    add("rm-header-only.rm", Expect::Unplayable, rmBytes.substr(0, 60));
    std::string bytes = wavBytes;
    putLe32(bytes, 24, 0xFFFFFFF0u);  // sample rate
    add("absurd-rate.wav", Expect::Unplayable, bytes);
    bytes = wavBytes;
    putLe16(bytes, 22, 0);  // channels
    add("no-channels.wav", Expect::Unplayable, bytes);
    bytes = wavBytes;
    putLe16(bytes, 22, 0xFFFF);  // channels
    putLe16(bytes, 32, 0xFFFF);  // block align
    add("absurd-channels.wav", Expect::Unplayable, bytes);
    bytes = wavBytes;
    putLe32(bytes, bytes.find("data") + 4, 0xFFFFFFFFu);  // data size: as a stream writes it
    putLe32(bytes, 4, 0xFFFFFFFFu);
    add("endless-data.wav", Expect::PlaysWhatItHolds, bytes);
    bytes = "ID3\x04\x00\x00\x7F\x7F\x7F\x7F" + noise.substr(0, 2000);  // a 256 MB tag in a 2 kB file
    add("absurd-id3.mp3", Expect::Unplayable, bytes);
    add("self.ram", Expect::Unplayable, "self.ram\r\n");
    add("comments.ram", Expect::Unplayable, "# nothing here\n\n#\n");
    add("missing-entries.ram", Expect::Unplayable, "nothing.rm\nhttp://\nfile:///nonexistent/x.rm\n");
    std::filesystem::create_directory(dir_->file("folder.wav"));
    files_->push_back({"folder.wav", Expect::Unplayable, dir_->file("folder.wav")});
    mkfifo(dir_->file("pipe.mp3").c_str(), 0600);  // opening it for reading would block forever
    files_->push_back({"pipe.mp3", Expect::Unplayable, dir_->file("pipe.mp3")});
    if (geteuid() != 0) {  // root reads every file
      add("unreadable.wav", Expect::Unplayable, wavBytes);
      chmod(dir_->file("unreadable.wav").c_str(), 0);
    }
  }
  static void TearDownTestSuite() {
    delete files_;
    files_ = nullptr;
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
    useDiskOutput(dir_->file("out.raw"));
  }
  static inline TempDir* dir_ = nullptr;
  static inline std::vector<BadFile>* files_ = nullptr;
};

TEST_F(BadInput, DecoderRefusesWhatCannotPlayAndReadsTheRestToItsEnd) {
  for (const BadFile& file : *files_) {
    SCOPED_TRACE(file.name);
    Failure error;
    auto decoder = audio::Decoder::open(file.path, nullptr, &error);
    if (file.expect == Expect::Unplayable) {
      EXPECT_FALSE(decoder);
      EXPECT_TRUE(error.failed());
      continue;
    }
    ASSERT_TRUE(decoder) << error.text();
    std::vector<float> buffer(4096 * 2);
    std::int64_t frames = 0;
    for (int n; (n = decoder->read(buffer.data(), 4096)) > 0;) frames += n;
    EXPECT_GT(frames, 0);
    EXPECT_LE(frames, 2 * decoder->info().sampleRate) << "no more than the second the file held";
  }
}

TEST_F(BadInput, DevicesTreatBadFilesAsUnplayableAndPlayDamagedOnesToTheirEnd) {
  audio::AudioEngine engine;
  ManualClock clock;
  auto mci = audio::makeMciControl(engine, clock.makeTimer());
  auto stream = audio::makeStreamControl(engine);
  for (const BadFile& file : *files_) {
    SCOPED_TRACE(file.name);
    mci->sendCommand("close");
    mci->setFileName(file.path);
    mci->sendCommand("Open");
    stream->setSource(file.path);
    stream->play();
    if (file.expect == Expect::Unplayable) {
      EXPECT_FALSE(mci->isOpen());
      mci->sendCommand("play");
      EXPECT_EQ(mci->position(), 0);
      EXPECT_EQ(mci->length(), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      EXPECT_EQ(stream->position(), 0);
      EXPECT_EQ(stream->length(), 0);
      continue;
    }
    ASSERT_TRUE(mci->isOpen());
    stream->stop();
    mci->setFrom(0);
    mci->sendCommand("play");
    // Until the play has ended: a length still being found reads 0, and so does the position
    // before the play sounds.
    for (int t = 0; t < 10000 && (mci->length() == 0 || mci->position() != mci->length()); t += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(mci->position(), mci->length()) << "a play to the end stops at the length";
    EXPECT_GT(mci->length(), 0);
  }
}

// A FIFO (or a device) where a recording's .lrc or .srt would be is no sentence map and is
// never waited on: the probe goes on to the next companion, or to the pauses, and ends. Run
// under timeout(1), so a probe that waits fails here rather than hanging the suite.
TEST(BadCompanions, AFifoBesideARecordingNeverHoldsUpTheProbe) {
  if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is missing";
  TempDir dir;
  const std::string srt =
      "1\r\n00:00:00,000 --> 00:00:01,000\r\n第一句\r\n\r\n2\r\n00:00:01,000 --> 00:00:02,000\r\n第二句\r\n";
  const struct {
    const char* name;
    bool lrcFifo, srtFifo;
    bool fromSrt;  // else from the pauses
  } cases[] = {
      {"fifo-lrc", true, false, true}, {"both", true, true, false}, {"fifo-srt", false, true, false},  // no .lrc at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string stem = dir.file(c.name);
    ASSERT_FALSE(makeWithFfmpeg("-f lavfi -i \"sine=frequency=440:sample_rate=22050:duration=3\"", stem + ".wav").empty());
    if (c.lrcFifo) {
      ASSERT_EQ(::mkfifo((stem + ".lrc").c_str(), 0644), 0);
    }
    if (c.srtFifo) {
      ASSERT_EQ(::mkfifo((stem + ".srt").c_str(), 0644), 0);
    } else {
      writeBytes(stem + ".srt", srt);
    }
    const std::string out = stem + ".out";
    const int status = std::system(
        ("timeout 60 " TESSALY_PROBE " --sentences '" + stem + ".wav' >'" + out + "' 2>/dev/null </dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "124: the probe waited on the FIFO";
    const std::string lines = readBytes(out);
    EXPECT_EQ(lines.find("\"source\":\"srt\"") != std::string::npos, c.fromSrt) << lines;
    if (c.fromSrt) {
      EXPECT_NE(lines.find("\"text\":\"第二句\""), std::string::npos) << lines;
    }
    EXPECT_NE(lines.find("\"sentences\":"), std::string::npos) << "the summary line";
    if (c.lrcFifo) {
      EXPECT_TRUE(std::filesystem::is_fifo(stem + ".lrc"));
    }
  }
}

// A VBR MP3 without its Xing frame whose loud start makes the bit-rate guess of its header
// far too short: a play from or to a position past that guess, asked for just after "Open"
// while the scan still runs, plays once the exact length is known, where it was refused as a
// bad position. The file is read through a slow folder, so that its scan surely outlasts the
// open, as it does on a busy machine.
TEST_F(BadInput, MciPlaysPastAHeaderLengthThatIsTooShort) {
  std::filesystem::create_directories(dir_->file("share"));
  ASSERT_FALSE(
      makeWithFfmpeg("-f lavfi -i \"anoisesrc=d=3:c=white:r=44100:a=0.5\" -f lavfi -i \"anullsrc=r=44100:cl=mono\" "
                     "-filter_complex \"[1]atrim=duration=300[s];[0][s]concat=n=2:v=0:a=1\" -ac 1 -c:a libmp3lame -q:a 4 "
                     "-write_xing 0",
                     dir_->file("share/short-header.mp3"))
          .empty());
  FuseFolder slow(dir_->file("share"), dir_->file("slow"), 20);
  if (!slow.mounted()) GTEST_SKIP() << "FUSE (Debian's fuse3 and python3-fusepy) could not mount the folder";
  const std::string path = dir_->file("slow/short-header.mp3");
  std::int32_t headerMs = 0;
  {
    Failure error;
    auto decoder = audio::Decoder::open(path, nullptr, &error);
    ASSERT_TRUE(decoder) << error.text();
    ASSERT_FALSE(decoder->info().lengthExact);
    headerMs = static_cast<std::int32_t>(decoder->info().lengthFrames * 1000 / decoder->info().sampleRate);
    ASSERT_LT(headerMs, 200000) << "the header's guess must fall short of the real 303 s";
  }
  struct Range {
    const char* what;
    std::int32_t from, to;  // to < 0: to the end
  };
  const Range ranges[] = {
      {"from past the guess to the end", headerMs + 2000, -1},
      {"from and to past the guess", headerMs + 2000, headerMs + 2300},
      {"from before the guess to past it", headerMs - 200, headerMs + 200},
  };
  audio::AudioEngine engine;
  ManualClock clock;
  auto mci = audio::makeMciControl(engine, clock.makeTimer());
  for (const Range& range : ranges) {
    SCOPED_TRACE(range.what);
    mci->sendCommand("close");
    mci->setFileName(path);
    mci->sendCommand("Open");
    ASSERT_TRUE(mci->isOpen());
    mci->setFrom(range.from);
    if (range.to >= 0) mci->setTo(range.to);
    mci->sendCommand("play");
    // The status ticks come from the window's timer: the play waits on them, not the window.
    const std::int32_t until = range.to >= 0 ? range.to : range.from + 100;
    for (int t = 0; t < 10000 && mci->position() < until; t += 10) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      clock.advance(10);
    }
    if (range.to >= 0) EXPECT_EQ(mci->position(), range.to);
    else EXPECT_GE(mci->position(), until);
    EXPECT_GT(mci->length(), range.from) << "the length is the real one";
  }
}

}  // namespace
}  // namespace tessaly::test
