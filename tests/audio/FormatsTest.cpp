// SPDX-License-Identifier: GPL-3.0-or-later
// Every format the engine promises, recognised by content: the exact length (the frames
// FFmpeg's own command-line decoding gives, never a bit-rate guess) and frame-exact seeks,
// checked against that reference decoding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "AudioTestSupport.h"
#include "audio/Decoder.h"
#include "audio/Frames.h"
#include "audio/LengthScan.h"

namespace tessaly::test {
namespace {

using audio::Decoder;
using audio::SeekIndex;

struct Format {
  const char* name;
  const char* encode;  // ffmpeg output options after the sweep input
  const char* file;    // the extension says nothing: several are named wrongly on purpose
  int rate;
  int channels;      // of the recording
  double tolerance;  // largest sample difference after a seek (decoders with memory settle
                     // to within rounding, RealAudio's speech codec to within a little)
  double seconds = 2.5;
};

const Format kFormats[] = {
    {"wav_u8_8k_mono", "-c:a pcm_u8", "u8.wav", 8000, 1, 0},
    {"wav_s16_44k_stereo", "-c:a pcm_s16le", "s16.wav", 44100, 2, 0},
    {"wav_s24_48k", "-c:a pcm_s24le", "s24.wav", 48000, 2, 0},
    {"wav_s32_32k", "-c:a pcm_s32le", "s32.wav", 32000, 1, 0},
    {"wav_float_16k", "-c:a pcm_f32le", "f32.wav", 16000, 2, 0},
    {"wav_mulaw_8k", "-c:a pcm_mulaw", "mulaw.wav", 8000, 1, 0},
    {"wav_alaw_11k", "-c:a pcm_alaw", "alaw.wav", 11025, 1, 0},
    {"wav_ima_adpcm", "-c:a adpcm_ima_wav", "ima.wav", 22050, 1, 0},
    {"wav_ms_adpcm", "-c:a adpcm_ms", "msadpcm.wav", 44100, 2, 0},
    {"wav_extensible_6ch", "-c:a pcm_s16le -ac 6", "six.wav", 48000, 6, 1e-6},
    {"mp3_cbr", "-c:a libmp3lame -b:a 128k", "cbr.mp3", 44100, 2, 1e-5},
    {"mp3_vbr_xing", "-c:a libmp3lame -q:a 2", "vbr.mp3", 44100, 2, 1e-5},
    {"mp3_vbr_no_xing", "-c:a libmp3lame -q:a 6 -write_xing 0", "noxing.mp3", 48000, 2, 1e-5},
    {"mp3_id3v2", "-c:a libmp3lame -q:a 4 -id3v2_version 3 -metadata title=Tessaly", "id3.mp3", 44100, 2, 1e-5},
    {"mp3_mpeg2_22k", "-c:a libmp3lame -b:a 48k", "m2.mp3", 22050, 1, 1e-5},
    {"mp3_mpeg2_16k", "-c:a libmp3lame -q:a 5", "m2b.mp3", 16000, 2, 1e-5},
    {"mp3_mpeg25_8k", "-c:a libmp3lame -b:a 16k", "m25.mp3", 8000, 1, 1e-5},
    {"mp3_named_wav", "-c:a libmp3lame -q:a 4 -f mp3", "really-an-mp3.wav", 44100, 2, 1e-5},
    {"realaudio_144", "-c:a real_144 -f rm", "tone.rm", 8000, 1, 0.02},
    {"realaudio_named_ra", "-c:a real_144 -f rm", "tone.ra", 8000, 1, 0.02},
    {"flac_named_mp3", "-c:a flac -f flac", "flac.mp3", 44100, 2, 0},
    {"realaudio_144_long", "-c:a real_144 -f rm", "long.rm", 8000, 1, 0.02, 40.0},
    {"mp3_long", "-c:a libmp3lame -q:a 5", "long.mp3", 22050, 2, 1e-5, 40.0},
};

class Formats : public ::testing::TestWithParam<Format> {
 protected:
  static void SetUpTestSuite() { dir_ = new TempDir(); }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static inline TempDir* dir_ = nullptr;
};

TEST_P(Formats, LengthIsExactAndSeeksLandOnTheirFrame) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  const Format& f = GetParam();
  const std::string path = makeWithFfmpeg(sweepInput(f.seconds, f.rate, f.channels) + " " + f.encode, dir_->file(f.file));
  ASSERT_FALSE(path.empty());
  Failure error;
  auto decoder = Decoder::open(path, nullptr, &error);
  ASSERT_TRUE(decoder) << error.text();
  const int channels = decoder->info().channels;
  EXPECT_EQ(channels, f.channels == 1 ? 1 : 2);
  EXPECT_EQ(decoder->info().sampleRate, f.rate);
  const std::vector<float> reference = referenceDecode(path, channels);
  const auto referenceFrames = static_cast<std::int64_t>(reference.size()) / channels;
  ASSERT_GT(referenceFrames, f.rate);

  std::int64_t length = decoder->info().lengthFrames;
  if (decoder->info().needsScan) {
    auto index = std::make_shared<SeekIndex>();
    audio::CancelFlag cancel{false};
    audio::scanSource(decoder->info().url, *index, cancel);
    ASSERT_TRUE(index->complete());
    length = index->totalFrames();
    decoder->setIndex(index);
  } else {
    EXPECT_TRUE(decoder->info().lengthExact);
  }
  EXPECT_EQ(length, referenceFrames);

  std::vector<float> got(4096 * static_cast<std::size_t>(channels));
  for (const double at : {0.0, 0.24, 0.88, 0.02, 0.55}) {  // forwards, backwards, near the start
    const auto target = static_cast<std::int64_t>(at * f.seconds * f.rate) + 7;
    ASSERT_TRUE(decoder->seek(target, nullptr)) << at;
    EXPECT_EQ(decoder->position(), target);
    const int n = decoder->read(got.data(), 1024);
    ASSERT_EQ(n, std::min<std::int64_t>(1024, referenceFrames - target)) << at;
    double worst = 0;
    for (int i = 0; i < n * channels; ++i)
      worst = std::max(worst, std::abs(double(got[i]) - reference[static_cast<std::size_t>(target * channels + i)]));
    EXPECT_LE(worst, f.tolerance) << "after a seek to " << at << " s";
  }
  // Reading on from a seek reaches exactly the end.
  ASSERT_TRUE(decoder->seek(referenceFrames - 1000, nullptr));
  std::int64_t total = 0;
  for (int n; (n = decoder->read(got.data(), 4096)) > 0;) total += n;
  EXPECT_EQ(total, 1000);
  EXPECT_EQ(decoder->position(), referenceFrames);
}

INSTANTIATE_TEST_SUITE_P(All, Formats, ::testing::ValuesIn(kFormats),
                         [](const auto& row) { return std::string(row.param.name); });

// The frames FFmpeg's command-line tool decodes from `path` (gapless trimming included),
// counted without holding them; -1 when it fails.
std::int64_t referenceFrameCount(const std::string& path) {
  std::FILE* pipe = ::popen(("ffmpeg -nostdin -v error -i '" + path + "' -ac 1 -f s16le - 2>/dev/null").c_str(), "r");
  if (!pipe) return -1;
  std::int64_t bytes = 0;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes += static_cast<std::int64_t>(n);
  return ::pclose(pipe) == 0 ? bytes / 2 : -1;
}

// An MP3 with a LAME Info frame: its length, as the header gives it when the file opens (what
// the window shows before the scan is done, what the drill and the probe go by), is the sound
// FFmpeg decodes, not that and the encoder's delay and padding. The long ones are a tone at
// the fastest encoding, made in seconds.
TEST(Mp3Length, TheLengthAtOpenIsWhatFfmpegDecodes) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const struct {
    const char* name;
    int rate;
    const char* encode;
    double seconds;
  } cases[] = {
      {"cbr22.mp3", 22050, "-ac 1 -c:a libmp3lame -b:a 48k", 3.0},
      {"vbr22.mp3", 22050, "-ac 2 -c:a libmp3lame -q:a 4", 3.0},
      {"cbr44.mp3", 44100, "-ac 2 -c:a libmp3lame -b:a 128k", 3.0},
      {"vbr44.mp3", 44100, "-ac 1 -c:a libmp3lame -q:a 2", 3.0},
      {"cbr22-hour.mp3", 22050, "-ac 1 -c:a libmp3lame -b:a 32k -compression_level 9", 3600.0},
      {"vbr44-20min.mp3", 44100, "-ac 1 -c:a libmp3lame -q:a 6 -compression_level 9", 1200.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream input;
    input << "-f lavfi -i \"sine=frequency=440:sample_rate=" << c.rate << ":duration=" << c.seconds << "\" " << c.encode;
    const std::string path = makeWithFfmpeg(input.str(), dir.file(c.name));
    ASSERT_FALSE(path.empty());
    const std::int64_t reference = referenceFrameCount(path);
    ASSERT_EQ(reference, static_cast<std::int64_t>(c.seconds * c.rate)) << "FFmpeg decodes the tone as made";
    Failure error;
    auto decoder = Decoder::open(path, nullptr, &error);
    ASSERT_TRUE(decoder) << error.text();
    EXPECT_EQ(decoder->info().lengthFrames, reference) << "at open";
    EXPECT_EQ(audio::framesToMs(decoder->info().lengthFrames, c.rate), static_cast<std::int32_t>(c.seconds * 1000));
    if (c.seconds > 60) continue;  // the scan of the long ones is the Formats table's
    auto index = std::make_shared<SeekIndex>();
    audio::CancelFlag cancel{false};
    audio::scanSource(decoder->info().url, *index, cancel);
    ASSERT_TRUE(index->complete());
    EXPECT_EQ(index->totalFrames(), reference) << "after the scan";
  }
}

}  // namespace
}  // namespace tessaly::test

namespace tessaly::test {
namespace {

// Speech with pauses, as lessons are: RealMedia seeks in it once resynchronised past their
// target, which must land exactly rather than break the frame count.
TEST(FormatsSpeech, RandomSeeksInRealAudioSpeechLandOnTheirFrame) {
  if (!haveFfmpeg() || std::system("espeak-ng --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "the ffmpeg or espeak-ng command-line tool is missing";
  TempDir dir;
  const std::string speech = dir.file("speech.wav");
  ASSERT_EQ(
      std::system(
          ("espeak-ng -v zh -w '" + speech + "' '今天我们学习听写。请仔细听每一句话，然后写下来。' 2>/dev/null").c_str()),
      0);
  const std::string rm = makeWithFfmpeg("-stream_loop 6 -i '" + speech + "' -ar 8000 -c:a real_144 -f rm",
                                        dir.file("speech.rm"));
  ASSERT_FALSE(rm.empty());
  Failure error;
  auto decoder = Decoder::open(rm, nullptr, &error);
  ASSERT_TRUE(decoder) << error.text();
  auto index = std::make_shared<SeekIndex>();
  audio::CancelFlag cancel{false};
  audio::scanSource(decoder->info().url, *index, cancel);
  decoder->setIndex(index);
  const std::int64_t total = index->totalFrames();
  ASSERT_GT(total, 8000 * 10);
  const std::vector<float> reference = referenceDecode(rm, 1);
  ASSERT_EQ(static_cast<std::int64_t>(reference.size()), total);
  std::vector<float> buffer(1024);
  std::mt19937 random(1);
  for (int i = 0; i < 200; ++i) {
    const std::int64_t target = random() % static_cast<std::uint32_t>(std::min<std::int64_t>(total - 2000, 300000));
    ASSERT_TRUE(decoder->seek(target, nullptr)) << target;
    const int n = decoder->read(buffer.data(), 1000);
    ASSERT_EQ(n, 1000);
    EXPECT_EQ(decoder->position(), target + n) << "after a seek to frame " << target;
    double worst = 0;
    for (int k = 0; k < n; ++k) worst = std::max(worst, std::abs(double(buffer[k]) - reference[target + k]));
    EXPECT_LE(worst, 0.02) << "after a seek to frame " << target;
  }
}

}  // namespace
}  // namespace tessaly::test
