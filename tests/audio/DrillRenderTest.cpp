// SPDX-License-Identifier: GPL-3.0-or-later
// Drills rendered to files, measured from outside: sound and silence where the plan puts them
// (within 20 ms), each pass as long as its speed makes it (within 1 %), in WAV and MP3; the
// .lrc beside the file; the recording never written over, nor another recording's map, and no
// recording left without its .lrc on a full disk; tessaly-drill on good and bad files, bad
// ranges, a recording cut short, and a run that is killed.
#include "drill/engine/DrillRenderer.h"
#include "review/engine/AnkiExporter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "AudioTestSupport.h"
#include "support/Tmpfs.h"

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
    const RenderedDrill done = renderDrill(recording, plan, dir.file(name), [&](double s) { shares.push_back(s); });
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
    std::ifstream lrc(drillLrcPath(dir.file(name)));
    std::stringstream text;
    text << lrc.rdbuf();
    EXPECT_NE(text.str().find("[00:03.50]第 1 句\u3000第 2 遍（共 2 遍）\u30000.7×"), std::string::npos) << text.str();
  }
}

TEST(DrillRender, ARecordingAt96kHzBecomesAnMp3At48kHzOfTheSameLength) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeWithFfmpeg("-f lavfi -i \"sine=frequency=440:sample_rate=96000:duration=3\"",
                                               dir.file("hi.wav"));
  ASSERT_FALSE(recording.empty());
  const std::vector<DrillStep> plan = {{500, 2500, 0, 1, 1, 100, 1000}};  // 2 s of sound, 1 s of silence
  const RenderedDrill done = renderDrill(recording, plan, dir.file("drill.mp3"), [](double) {});
  ASSERT_EQ(done.error, "");
  EXPECT_NEAR(referenceDecode(dir.file("drill.mp3"), 1).size() / 48.0, 3000, 2 * 1152 / 48.0);
}

TEST(DrillRender, TheRecordingAndItsLrcAreNeverWrittenOver) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  std::ofstream(dir.file("lesson.lrc")) << "[00:01.00]一\n";
  const std::vector<DrillStep> plan = {{1000, 3000, 0, 1, 1, 100, 0}};
  for (const std::string& out : {recording, dir.file("lesson.mp3"), dir.file("drill.ogg")}) {
    EXPECT_NE(renderDrill(recording, plan, out).error, "") << out;
  }
  std::ifstream lrc(dir.file("lesson.lrc"));
  std::string line;
  std::getline(lrc, line);
  EXPECT_EQ(line, "[00:01.00]一");
  EXPECT_NE(renderDrill(dir.file("missing.wav"), plan, dir.file("x.wav")).error.find("文件不存在"), std::string::npos);
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

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// tessaly-drill with `args` (quoted by the caller); its exit status, its standard error in *said.
int runDrill(const TempDir& dir, const std::string& args, std::string* said = nullptr) {
  const int status = std::system((std::string(TESSALY_DRILL) + " " + args + " 2>'" + dir.file("err.txt") + "'").c_str());
  if (said) *said = contents(dir.file("err.txt"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

TEST(DrillCommand, ARangeIsDigitsOrRefusedAndLeavesOutTheWholeRecording) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  std::ofstream(dir.file("lesson.lrc")) << "[00:01.00]One.\n[00:03.00]\n[00:04.00]Two.\n[00:05.50]\n";
  for (const char* range : {"abc", "", "2-3x", "2 - 5", "2-", "2,4", "-1", "0", "3", "1-3"}) {
    SCOPED_TRACE(std::string("--sentences \"") + range + "\"");
    std::string said;
    EXPECT_EQ(runDrill(dir,
                       "--scheme 逐句听写 --sentences '" + std::string(range) + "' " + quoted(recording) + " " +
                           quoted(dir.file("x.wav")),
                       &said),
              2);
    EXPECT_NE(said.find("句子的范围"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav")));
  }
  std::string said;
  ASSERT_EQ(
      runDrill(dir, "--scheme 逐句听写 --sentences 'x' " + quoted(recording) + " " + quoted(dir.file("x.wav")), &said), 2);
  EXPECT_NE(said.find("起-止"), std::string::npos) << "the accepted form, in words: " << said;

  // The exam plays the whole recording before and after its sentences; with --sentences
  // naming them all, it does not: two passes of each, each followed by 15 s.
  ASSERT_EQ(runDrill(dir, "--scheme 听写考试 --sentences 1-2 " + quoted(recording) + " " + quoted(dir.file("both.wav"))),
            0);
  EXPECT_NEAR(referenceDecode(dir.file("both.wav"), 1).size() * 1000.0 / kRate, 2 * (2000 + 15000) + 2 * (1500 + 15000), 2);
  EXPECT_EQ(contents(dir.file("both.lrc")).find("全文"), std::string::npos) << contents(dir.file("both.lrc"));
  ASSERT_EQ(runDrill(dir, "--scheme 听写考试 " + quoted(recording) + " " + quoted(dir.file("all.wav"))), 0);
  EXPECT_NE(contents(dir.file("all.lrc")).find("全文"), std::string::npos) << "without --sentences, the whole passes";
}

TEST(DrillCommand, AVideosOwnSubtitlesAreItsSentences) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  // Cues that are not the pauses' sentences (1-3 s and 4-5.5 s), so the two can be told apart.
  std::ofstream(dir.file("made.srt")) << "1\n00:00:01,200 --> 00:00:02,600\n第一句。\n\n"
                                         "2\n00:00:04,100 --> 00:00:05,300\n第二句。\n";
  const std::string mkv = makeWithFfmpeg("-i " + quoted(recording) + " -i " + quoted(dir.file("made.srt")) +
                                             " -map 0:a -map 1:s -c:a flac -c:s srt -metadata:s:s:0 language=chi",
                                         dir.file("lesson.mkv"));
  ASSERT_FALSE(mkv.empty());
  std::string said;
  ASSERT_EQ(runDrill(dir, "--scheme 听写考试 --sentences 1-2 " + quoted(mkv) + " " + quoted(dir.file("cues.wav")), &said),
            0)
      << said;
  // Two passes of each cue, each followed by 15 s.
  EXPECT_NEAR(referenceDecode(dir.file("cues.wav"), 1).size() * 1000.0 / kRate, 2 * (1400 + 15000) + 2 * (1200 + 15000), 2);
}

TEST(DrillCommand, AnotherRecordingsMapAndTheLearnersFilesAreNeverWrittenOver) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string english = makeWithFfmpeg("-f lavfi -i \"aevalsrc=0.5*sin(2*PI*440*t)*between(t\\,1\\,3):s=22050:d=4\"",
                                             dir.file("english.wav"));
  ASSERT_FALSE(english.empty());
  std::ofstream(dir.file("english.lrc")) << "[00:01.00]One.\n[00:03.00]\n";
  const struct {
    const char* name;
    std::vector<std::pair<const char*, const char*>> files;  // the learner's, in the folder before
    const char* out;
  } cases[] = {
      {"lesson.mp3's hand-made map", {{"lesson.mp3", "ID3"}, {"lesson.lrc", "[00:01.00]我做的\n"}}, "lesson.wav"},
      {"lesson.mp3's dictation", {{"lesson.mp3", "ID3"}, {"lesson.txt", "我写的"}}, "lesson.wav"},
      {"a map made before its recording", {{"later.lrc", "[00:01.00]我做的\n"}}, "later.mp3"},
      {"a word list", {{"生字.txt", "长\t长大\n"}}, "生字.mp3"},
      {"the learner's own recording", {{"mine.wav", "RIFF-mine"}}, "mine.wav"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [name, text] : c.files) std::ofstream(dir.file(name), std::ios::binary) << text;
    std::string said;
    EXPECT_EQ(runDrill(dir, "--scheme 逐句听写 " + quoted(english) + " " + quoted(dir.file(c.out)), &said), 2);
    for (const auto& [name, text] : c.files) {
      EXPECT_EQ(contents(dir.file(name)), text) << name;
      if (!std::string(name).ends_with(".mp3")) {
        EXPECT_NE(said.find(dir.file(name)), std::string::npos) << "the file is named: " << said;
      }
    }
    if (c.files.back().first != std::string(c.out)) {
      EXPECT_FALSE(std::filesystem::exists(dir.file(c.out)));
    }
    for (const auto& [name, text] : c.files) std::filesystem::remove(dir.file(name));
  }
  // An earlier export of the same drill is the drill's own: made again in its place.
  ASSERT_EQ(runDrill(dir, "--scheme 逐句听写 " + quoted(english) + " " + quoted(dir.file("drill.mp3"))), 0);
  std::ofstream(dir.file("drill.txt")) << "我听写的";
  EXPECT_EQ(runDrill(dir, "--scheme 由慢到快 " + quoted(english) + " " + quoted(dir.file("drill.mp3"))), 0);
  EXPECT_NE(contents(dir.file("drill.lrc")).find("0.7×"), std::string::npos);
  EXPECT_EQ(contents(dir.file("drill.txt")), "我听写的");
  // The same drill as WAV beside it shares its .lrc; another drill under that name does not.
  std::filesystem::remove(dir.file("drill.txt"));
  EXPECT_EQ(runDrill(dir, "--scheme 逐句听写 " + quoted(english) + " " + quoted(dir.file("drill.wav"))), 2);
  EXPECT_NE(contents(dir.file("drill.lrc")).find("0.7×"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("drill.wav")));
  EXPECT_EQ(runDrill(dir, "--scheme 由慢到快 " + quoted(english) + " " + quoted(dir.file("drill.wav"))), 0);
  EXPECT_NE(contents(dir.file("drill.lrc")).find("0.7×"), std::string::npos);
}

TEST(DrillRender, ADiskWithRoomForTheSoundButNotItsLrcKeepsNeither) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string recording = makeRecording(dir);
  const std::vector<DrillStep> plan = {{1000, 3000, 0, 1, 2, 100, 1500}, {4000, 5500, 1, 1, 1, 100, 500}};
  ASSERT_EQ(renderDrill(recording, plan, dir.file("sized.mp3")).error, "");
  const auto pages = static_cast<int>((std::filesystem::file_size(dir.file("sized.mp3")) + 4095) / 4096);
  // The disk: 64 pages held by another file, and exactly the pages the sound takes.
  Tmpfs disk(dir.path() / "disk", 4 * (64 + pages));
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::ofstream(dir.file("disk/other")) << std::string(64 * 4096, 'x');
  const std::string out = dir.file("disk/drill.mp3");
  const RenderedDrill done = renderDrill(recording, plan, out);
  EXPECT_NE(done.error, "");
  EXPECT_FALSE(std::filesystem::exists(out)) << "no recording without its .lrc";
  EXPECT_FALSE(std::filesystem::exists(drillLrcPath(out)));
  EXPECT_FALSE(std::filesystem::exists(out + ".part"));
  EXPECT_FALSE(std::filesystem::exists(drillLrcPath(out) + ".part"));
}

TEST(DrillCommand, ARecordingCutShortIsToldAndNotPassedOffAsWhole) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const std::string whole = makeRecording(dir);
  const std::string cut = makeWithFfmpeg("-i " + quoted(whole) + " -c:a libmp3lame -b:a 64k", dir.file("cut.mp3"));
  ASSERT_FALSE(cut.empty());
  std::ofstream(dir.file("cut.lrc")) << "[00:01.00]One.\n[00:03.00]\n[00:04.00]Two.\n[00:05.50]\n";
  // Its header still says 6 s; two fifths of its bytes are left: about 2.4 s.
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 2 / 5);
  std::string said;
  EXPECT_EQ(runDrill(dir, "--scheme 逐句听写 " + quoted(cut) + " " + quoted(dir.file("drill.wav")), &said), 3);
  EXPECT_NE(said.find("只能读出前 0:02"), std::string::npos) << said;
  EXPECT_NE(said.find("0:06.0"), std::string::npos) << "what its header said: " << said;
  EXPECT_NE(said.find("6 段缺了声音"), std::string::npos) << said;
  // The whole recording is no cut one.
  EXPECT_EQ(runDrill(dir, "--scheme 逐句听写 " + quoted(whole) + " " + quoted(dir.file("whole.wav")), &said), 0) << said;
  EXPECT_EQ(said.find("警告"), std::string::npos) << said;
}

TEST(DrillCommand, AKilledExportLeavesNoPartBehindForLong) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  // Half an hour: an export that runs for a while.
  const std::string recording = makeWithFfmpeg("-f lavfi -i \"sine=f=440:r=22050:d=1800\"", dir.file("long.wav"));
  ASSERT_FALSE(recording.empty());
  std::ofstream(dir.file("long.lrc")) << "[00:01.00]One.\n[10:00.00]Two.\n[29:00.00]\n";
  const std::string out = dir.file("long-drill.mp3");
  const struct {
    int signal;
    bool partAfterExit;  // a signal the export hears leaves nothing; SIGKILL, until the next run
  } cases[] = {{SIGTERM, false}, {SIGINT, false}, {SIGKILL, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal);
    const pid_t child = ::fork();
    if (child == 0) {
      const int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 2);
      ::execl(TESSALY_DRILL, TESSALY_DRILL, "--scheme", "听写考试", recording.c_str(), out.c_str(), nullptr);
      ::_exit(127);
    }
    for (int i = 0; i < 3000 && !(std::filesystem::exists(out + ".part") && std::filesystem::file_size(out + ".part") > 0);
         ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(out + ".part")) << "the export under way";
    ::kill(child, c.signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a stopped export is no success";
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(std::filesystem::exists(out + ".part"), c.partAfterExit);
    // The next run of the same output removes it, even one that exports nothing.
    EXPECT_EQ(runDrill(dir, "--scheme 听写考试 --sentences 9 " + quoted(recording) + " " + quoted(out)), 2);
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));
    EXPECT_FALSE(std::filesystem::exists(drillLrcPath(out) + ".part"));
  }
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
  const std::string said = exportForAnki(notes, text);
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
