// SPDX-License-Identifier: GPL-3.0-or-later
// Sentences found in real speech: espeak-ng sentences joined by pauses of known lengths,
// one with a comma pause inside, under a hiss, quiet and loud; the boundaries must lie within
// 100 ms of where the speech starts and stops.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "AudioTestSupport.h"
#include "sentences/engine/SentenceScanner.h"

namespace tessaly::test {
namespace {

bool haveEspeak() { return std::system("espeak-ng --version > /dev/null 2>&1") == 0; }

// The length of a .wav made here, in ms (16-bit mono 22050 Hz).
int lengthMs(const std::string& wav) {
  std::ifstream in(wav, std::ios::binary | std::ios::ate);
  return static_cast<int>((static_cast<long long>(in.tellg()) - 44) / 2 * 1000 / 22050);
}

TEST(PauseScan, FindsTheSentencesOfRealSpeechUnderAnyLevelAndHiss) {
  if (!haveFfmpeg() || !haveEspeak()) GTEST_SKIP() << "ffmpeg or espeak-ng is missing";
  TempDir dir;
  // Parts of speech, trimmed to where the voice starts and stops.
  const char* parts[] = {"Welcome to the listening lesson.", "When you hear a sentence", "write it down.",
                         "The library opens at nine.", "Practice every day."};
  std::vector<std::string> wavs;
  for (int i = 0; i < 5; ++i) {
    const std::string raw = dir.file("raw" + std::to_string(i) + ".wav");
    ASSERT_EQ(std::system(("espeak-ng -v en-us -s 150 -w " + raw + " \"" + parts[i] + "\"").c_str()), 0);
    wavs.push_back(
        makeWithFfmpeg("-i " + raw +
                           " -af silenceremove=start_periods=1:start_threshold=-35dB,areverse,"
                           "silenceremove=start_periods=1:start_threshold=-35dB,areverse -ar 22050 -ac 1 -c:a pcm_s16le",
                       dir.file("part" + std::to_string(i) + ".wav")));
    ASSERT_FALSE(wavs.back().empty());
  }
  // Silences after each part: a sentence pause, a comma pause (parts 1 and 2 are one
  // sentence), then pauses of several lengths.
  const int after[] = {700, 250, 1000, 450, 600};
  std::string inputs, chain;
  std::vector<std::pair<int, int>> expected;
  int at = 600;  // a lead-in of silence
  int sentenceStart = at;
  for (int i = 0; i < 5; ++i) {
    inputs += " -i " + wavs[static_cast<std::size_t>(i)];
    chain += "[" + std::to_string(i) + "]apad=pad_dur=" + std::to_string(after[i] / 1000.0) + "[p" + std::to_string(i) +
             "];";
    at += lengthMs(wavs[static_cast<std::size_t>(i)]);
    if (i != 1) {
      expected.emplace_back(sentenceStart, at);
      sentenceStart = at + after[i];
    }
    at += after[i];
  }
  for (int i = 0; i < 5; ++i) chain += "[p" + std::to_string(i) + "]";
  chain += "concat=n=5:v=0:a=1,adelay=600[speech]";

  for (const double level : {0.05, 1.0}) {
    SCOPED_TRACE(level);
    const std::string mixed = makeWithFfmpeg(
        // A hiss about 45 dB under the speech's peaks, whatever its level.
        inputs + " -f lavfi -i anoisesrc=color=white:amplitude=" + std::to_string(0.004 * level) +
            ":sample_rate=22050 -filter_complex \"" + chain + ";[speech]volume=" + std::to_string(level) +
            "[v];[v][5]amix=inputs=2:duration=first:normalize=0\" -ar 22050 -ac 1 -c:a libmp3lame -q:a 4",
        dir.file("lesson" + std::to_string(level) + ".mp3"));
    ASSERT_FALSE(mixed.empty());
    const std::vector<Sentence> found = SentenceScanner::scan(mixed);
    std::string seen;
    for (const Sentence& s : found) seen += std::to_string(s.startMs) + "-" + std::to_string(s.endMs) + " ";
    std::string wanted;
    for (const auto& [start, end] : expected) wanted += std::to_string(start) + "-" + std::to_string(end) + " ";
    ASSERT_EQ(found.size(), expected.size()) << "found " << seen << "\nwanted " << wanted;
    for (std::size_t i = 0; i < found.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(found[i].startMs, expected[i].first, 100);
      EXPECT_NEAR(found[i].endMs, expected[i].second, 100);
    }
  }
}

}  // namespace
}  // namespace tessaly::test
