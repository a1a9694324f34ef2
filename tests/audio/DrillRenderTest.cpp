// SPDX-License-Identifier: GPL-3.0-or-later
// Drills rendered to files, measured from outside: sound and silence where the plan puts them
// (within 20 ms), each pass as long as its speed makes it (within 1 %), in WAV and MP3; the
// .lrc beside the file; the recording never written over; tessaly-drill on good and bad files.
#include "audio/AnkiExporter.h"
#include "audio/DrillRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "AudioTestSupport.h"

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;

// Stretches of sound and silence in mono frames, by 10 ms loudness: [start, end) in ms.
std::vector<std::pair<double, double>> soundStretches(const std::vector<float>& frames) {
  std::vector<std::pair<double, double>> found;
  const std::size_t window = kRate / 100;
  bool in = false;
  for (std::size_t at = 0; at + window <= frames.size(); at += window) {
    double energy = 0;
    for (std::size_t i = at; i < at + window; ++i) energy += frames[i] * frames[i];
    const bool loud = std::sqrt(energy / window) > 0.05;
    const double ms = at * 1000.0 / kRate;
    if (loud && !in) found.push_back({ms, ms});
    if (loud) found.back().second = ms + 10;
    in = loud;
  }
  return found;
}

// A recording of 6 s: a tone from 1 to 3 s and from 4 to 5.5 s, silence elsewhere.
std::string makeRecording(const TempDir& dir) {
  return makeWithFfmpeg("-f lavfi -i \"aevalsrc=if(between(t\\,1\\,3)+between(t\\,4\\,5.5)\\,0.5*sin(2*PI*440*t)\\,0):s=" +
                            std::to_string(kRate) + ":d=6\"",
                        dir.file("lesson.wav"));
}

TEST(DrillRender, SoundAndSilenceLieWhereThePlanPutsThem) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  ASSERT_FALSE(recording.empty());
  const std::vector<DrillStep> plan = {
      {1000, 3000, 0, 1, 2, 100, 1500}, {1000, 3000, 0, 2, 2, 70, 1000}, {4000, 5500, 1, 1, 1, 125, 500}};
  // Sound 0-2000, silence to 3500, sound to 3500 + 2000/0.7, silence 1 s, sound 1500/1.25, 0.5 s.
  const double expected[][2] = {{0, 2000}, {3500, 3500 + 2000 / 0.7}, {3500 + 2000 / 0.7 + 1000, 3500 + 2000 / 0.7 + 2200}};
  const double total = 3500 + 2000 / 0.7 + 2200 + 500;
  for (const char* name : {"drill.wav", "drill.mp3"}) {
    SCOPED_TRACE(name);
    std::vector<double> shares;
    const audio::RenderedDrill done = audio::renderDrill(recording, plan, dir.file(name),
                                                         [&](double s) { shares.push_back(s); });
    ASSERT_EQ(done.error, "");
    EXPECT_NEAR(done.frames * 1000.0 / kRate, total, 2);
    ASSERT_FALSE(shares.empty());
    EXPECT_DOUBLE_EQ(shares.back(), 1.0);
    const std::vector<float> heard = referenceDecode(dir.file(name), 1);
    EXPECT_NEAR(heard.size() * 1000.0 / kRate, total, std::string(name).ends_with("mp3") ? 60 : 1);
    const auto stretches = soundStretches(heard);
    ASSERT_EQ(stretches.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(stretches[i].first, expected[i][0], 20) << "pass " << i + 1 << " starts";
      EXPECT_NEAR(stretches[i].second, expected[i][1], 20) << "pass " << i + 1 << " ends";
      const double length = expected[i][1] - expected[i][0];
      EXPECT_NEAR(stretches[i].second - stretches[i].first, length, std::max(20.0, length / 100)) << "pass " << i + 1;
    }
    std::ifstream lrc(audio::drillLrcPath(dir.file(name)));
    std::stringstream text;
    text << lrc.rdbuf();
    EXPECT_NE(text.str().find("[00:03.50]第 1 句\u3000第 2 遍（共 2 遍）\u30000.7×"), std::string::npos) << text.str();
  }
}

TEST(DrillRender, TheRecordingAndItsLrcAreNeverWrittenOver) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  std::ofstream(dir.file("lesson.lrc")) << "[00:01.00]一\n";
  const std::vector<DrillStep> plan = {{1000, 3000, 0, 1, 1, 100, 0}};
  for (const std::string& out : {recording, dir.file("lesson.mp3"), dir.file("drill.ogg")}) {
    EXPECT_NE(audio::renderDrill(recording, plan, out).error, "") << out;
  }
  std::ifstream lrc(dir.file("lesson.lrc"));
  std::string line;
  std::getline(lrc, line);
  EXPECT_EQ(line, "[00:01.00]一");
  EXPECT_NE(audio::renderDrill(dir.file("missing.wav"), plan, dir.file("x.wav")).error.find("文件不存在"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav.part")));
}

TEST(DrillCommand, ExportsAGoodFileAndRefusesBadOnes) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  std::ofstream(dir.file("lesson.lrc")) << "[00:01.00]One.\n[00:03.00]\n[00:04.00]Two.\n[00:05.50]\n";
  const auto run = [&](const std::string& args) {
    const int status = std::system((std::string(TESSALY_DRILL) + " " + args + " 2>" + dir.file("err.txt")).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("--scheme 逐句听写 '" + recording + "' '" + dir.file("out.wav") + "'"), 0);
  const std::vector<float> heard = referenceDecode(dir.file("out.wav"), 1);
  // Two sentences, three passes each, each followed by 1.5 times its length: 2 s and 1.5 s.
  EXPECT_NEAR(heard.size() * 1000.0 / kRate, 3 * (2000 + 3000) + 3 * (1500 + 2250), 2);
  EXPECT_EQ(soundStretches(heard).size(), 6u);
  EXPECT_EQ(run("--scheme 逐句听写 --sentences 2 '" + recording + "' '" + dir.file("two.wav") + "'"), 0);
  EXPECT_NEAR(referenceDecode(dir.file("two.wav"), 1).size() * 1000.0 / kRate, 3 * (1500 + 2250), 2);
  EXPECT_EQ(run("--scheme 逐句听写 '" + dir.file("missing.mp3") + "' '" + dir.file("x.wav") + "'"), 2);
  EXPECT_EQ(run("--scheme 没有这个 '" + recording + "' '" + dir.file("x.wav") + "'"), 2);
  EXPECT_EQ(run("--scheme 逐句听写 --sentences 3-4 '" + recording + "' '" + dir.file("x.wav") + "'"), 2);
  EXPECT_EQ(run("'" + recording + "'"), 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav")));
}

TEST(AnkiExport, EachSentenceGetsItsOwnSoundAndALineTheImportTakes) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  ASSERT_FALSE(recording.empty());
  const std::vector<AnkiNote> notes = {
      {recording, "00000000000000aa", 1000, 3000, "第一句。", "第一", "漏写：句"},
      {recording, "00000000000000aa", 4000, 5500, "Second one.", "second", "漏写：one"},
      {dir.file("gone.mp3"), "00000000000000bb", 0, 1000, "没了。", "", ""},
  };
  std::filesystem::create_directories(dir.file("anki"));
  const std::string text = dir.file("anki/tessaly-anki.txt");
  const std::string said = audio::exportForAnki(notes, text);
  EXPECT_NE(said.find(dir.file("gone.mp3")), std::string::npos) << "a recording that cannot be read is named: " << said;
  std::ifstream in(text, std::ios::binary);
  const std::string lines((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(lines,
            "#separator:tab\n#html:false\n#columns:录音\t句子\t我写的\t错误\n"
            "[sound:tessaly-00000000000000aa-1000-3000.mp3]\t第一句。\t第一\t漏写：句\n"
            "[sound:tessaly-00000000000000aa-4000-5500.mp3]\tSecond one.\tsecond\t漏写：one\n");
  // Each sound is its sentence: the tone, as long as the stretch (MP3's padding aside).
  for (const auto& [name, ms] : {std::pair{"tessaly-00000000000000aa-1000-3000.mp3", 2000.0},
                                 std::pair{"tessaly-00000000000000aa-4000-5500.mp3", 1500.0}}) {
    const std::vector<float> frames = referenceDecode(dir.file(std::string("anki/") + name), 1);
    ASSERT_FALSE(frames.empty()) << name;
    const auto sound = soundStretches(frames);
    ASSERT_EQ(sound.size(), 1u) << name;
    EXPECT_NEAR(sound[0].second - sound[0].first, ms, 20) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("anki/tessaly-00000000000000bb-0-1000.mp3")));
}

}  // namespace
}  // namespace tessaly::test
