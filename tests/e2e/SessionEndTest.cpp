// SPDX-License-Identifier: GPL-3.0-or-later
// However a session ends, what the learner typed is kept: the real program (the typist, a
// process of its own) is ended by SIGTERM, SIGINT and SIGHUP and killed with SIGKILL, and a
// recording that vanishes while it plays neither crashes the program nor loses the text.
#include <QApplication>
#include <QTest>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/AudioTestSupport.h"
#include "e2e/ProgramStart.h"
#include "support/TempFolder.h"
#include "text/Encoding.h"

extern char** environ;

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The typist running in a program folder of its own, its output read line by line.
class Typist {
 public:
  Typist(const fs::path& folder, const std::vector<std::string>& args) {
    const fs::path program = folder / "tessaly-typist";
    if (!fs::exists(program)) fs::copy_file(TESSALY_TYPIST, program);
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                    "SDL_AUDIODRIVER=dummy",
                                    "XDG_DATA_HOME=" + (folder / "data").string(),
                                    "XDG_CONFIG_HOME=" + (folder / "config").string(),
                                    "XDG_RUNTIME_DIR=" + folder.string(),
                                    "HOME=" + folder.string()};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).starts_with("LD_") || std::string(*e).starts_with("ASAN_") ||
          std::string(*e).starts_with("LSAN_") || std::string(*e).starts_with("PATH="))
        env.emplace_back(*e);
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> cargs, cenv;
    for (auto& a : argv) cargs.push_back(a.data());
    for (auto& e : env) cenv.push_back(e.data());
    cargs.push_back(nullptr);
    cenv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, program.c_str(), &actions, nullptr, cargs.data(), cenv.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
  }
  ~Typist() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }

  // The next line it prints that starts with `prefix` (what follows it), or nullopt after 30 s.
  std::optional<std::string> waitFor(const std::string& prefix) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    for (;;) {
      for (auto end = buffer_.find('\n'); end != std::string::npos; end = buffer_.find('\n')) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        lines.push_back(line);
        if (line.starts_with(prefix)) return line.substr(prefix.size());
      }
      const int left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
      pollfd p{out_, POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, left) <= 0) return std::nullopt;
      char chunk[4096];
      const ssize_t got = ::read(out_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  // Sends `signal` and waits for the end; the exit status, and how long the end took.
  std::pair<int, double> end(int signal) {
    const auto sent = Clock::now();
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return {status, std::chrono::duration<double, std::milli>(Clock::now() - sent).count()};
  }

  std::vector<std::string> lines;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

class SessionEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool makes the recording";
    fs::create_directories(folder / "voice");
    lesson = makeWithFfmpeg(sweepInput(20.0, 22050, 1) + " -c:a libmp3lame", (folder / "voice" / "lesson.mp3").string());
    ASSERT_FALSE(lesson.empty());
  }
  std::string dictation() const { return decodeText(readBytes(folder / "voice" / "lesson.txt")).utf8; }
  std::size_t recoveryCopies() const {
    std::error_code error;
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(folder / "data" / "tessaly" / "recovery", error))
      n += entry.is_regular_file() && !entry.path().filename().string().starts_with(".");  // not a write in progress
    return n;
  }

  TempFolder folder;
  std::string lesson;
};

TEST_F(SessionEndTest, TerminationSignalsSaveTheDictationAndEndTheProgram) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    const std::string typed = std::string("信号") + std::to_string(signal) + "之前打的字";
    fs::remove(folder / "voice" / "lesson.txt");  // each run starts from an empty dictation
    Typist typist(folder.path(), {"--open", lesson, "--type", typed});
    ASSERT_TRUE(typist.waitFor("ready"));
    const auto [status, ms] = typist.end(signal);
    std::printf("%s: ended %.0f ms after the signal\n", strsignal(signal), ms);
    EXPECT_TRUE(WIFEXITED(status)) << "left on its own, not killed by the signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(dictation(), typed);
    EXPECT_EQ(recoveryCopies(), 0u) << "saved, so nothing is left to recover";
  }
}

TEST_F(SessionEndTest, AListNotSavedWhenTheSignalComesIsOfferedBackAtTheNextStart) {
  {
    Typist typist(folder.path(), {"--open", lesson, "--add-to-list", lesson});
    ASSERT_TRUE(typist.waitFor("listed"));
    ASSERT_TRUE(typist.waitFor("ready"));
    const auto [status, ms] = typist.end(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status));
  }
  const fs::path copy = folder / "data" / "tessaly" / "recovery" / "unsaved-play-list.lst";
  ASSERT_TRUE(fs::exists(copy));
  // The next start offers it; yes puts it back in the list manager, unsaved, and the copy goes.
  Typist again(folder.path(), {"--answer", "yes"});
  const auto asked = again.waitFor("message: ");
  ASSERT_TRUE(asked);
  EXPECT_NE(asked->find("没有保存的播放列表"), std::string::npos) << *asked;
  EXPECT_NE(asked->find("1 个文件"), std::string::npos) << *asked;
  std::optional<std::string> shown;
  while ((shown = again.waitFor("list manager: ")) && *shown != "未命名.lst | " + lesson) {
  }
  ASSERT_TRUE(shown) << "the list is not back in the list manager";
  for (int t = 0; t < 100 && fs::exists(copy); ++t) QTest::qWait(20);
  EXPECT_FALSE(fs::exists(copy));
}

TEST_F(SessionEndTest, AfterAKillTheTextComesBackOnTheNextStart) {
  const std::string typed = "被强行结束之前打的字";
  {
    Typist typist(folder.path(), {"--open", lesson, "--type", typed});
    ASSERT_TRUE(typist.waitFor("typed"));
    const auto typedAt = Clock::now();
    for (int t = 0; t < 100 && recoveryCopies() == 0; ++t) QTest::qWait(20);
    std::printf("recovery copy on disk %.0f ms after typing\n",
                std::chrono::duration<double, std::milli>(Clock::now() - typedAt).count());
    ASSERT_EQ(recoveryCopies(), 1u);
    typist.end(SIGKILL);
  }
  EXPECT_EQ(dictation(), "") << "the dictation file itself is written only by a save";

  Typist again(folder.path(), {"--answer", "yes"});
  const auto question = again.waitFor("message: ");
  ASSERT_TRUE(question);
  EXPECT_NE(question->find("lesson.txt"), std::string::npos) << *question;
  EXPECT_EQ(again.waitFor("box: "), typed) << "restored into the box";
  ASSERT_TRUE(again.waitFor("ready"));
  again.end(SIGTERM);
  EXPECT_EQ(dictation(), typed);
  EXPECT_EQ(recoveryCopies(), 0u);
}

// A recording deleted while it plays: every key that jumps, then typing and leaving.
struct VanishingCase {
  const char* file;
  const char* codec;
};

class VanishingRecordingTest : public ::testing::TestWithParam<VanishingCase> {};

TEST_P(VanishingRecordingTest, KeysThatJumpNeitherCrashNorLoseTheText) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool makes the recording";
  TempFolder folder;
  fs::create_directories(folder / "voice");
  const std::string path = makeWithFfmpeg(sweepInput(20.0, 22050, 1) + " " + GetParam().codec,
                                          (folder / "voice" / GetParam().file).string());
  ASSERT_FALSE(path.empty());
  ProgramStart program(folder.path(), folder / "out.f32");
  program.dialog.answer(path);
  program.alt(Qt::Key_F);
  ASSERT_TRUE(waitFor([&] { return program.position() >= 1500; }));
  program.typeChinese(QStringLiteral("录音消失之前"));
  fs::remove(path);

  for (const Qt::Key key : {Qt::Key_X, Qt::Key_X, Qt::Key_A, Qt::Key_D, Qt::Key_X, Qt::Key_C, Qt::Key_S}) {
    program.alt(key);
    QTest::qWait(300);
  }
  program.window().text1()->setFocus();
  program.typeChinese(QStringLiteral("，之后"));
  program.alt(Qt::Key_Q);
  EXPECT_FALSE(program.window().isVisible());
  EXPECT_EQ(decodeText(readBytes(DictationStore::dictationPath(path))).utf8, "录音消失之前，之后");
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, VanishingRecordingTest,
                         ::testing::Values(VanishingCase{"lesson.mp3", "-c:a libmp3lame"},
                                           VanishingCase{"lesson.wav", "-c:a pcm_s16le"}),
                         [](const auto& param) {
                           return std::string(param.param.file[7] == 'm' ? "Mp3OnStream" : "WavOnMci");
                         });

}  // namespace
}  // namespace tessaly::test
