// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-startup: the time from process start to the main window shown with the dictation
// box ready for typing, and the resident memory once idle.
//
// The benchmark starts itself again as a child process for every run (so dynamic loading
// and Qt's start-up are counted) and times it from just before the fork to the child's
// report that its window is exposed. Prints one JSON line with the median of the runs.
//
//   tessaly-startup [runs]      (QT_QPA_PLATFORM=offscreen, or a DISPLAY for X11)
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QWindow>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Program.h"

namespace {

long long nowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// The child: build and show the program, report when ready, idle, report memory.
int child(int argc, char** argv, int reportFd) {
  QApplication app(argc, argv);
  tessaly::Program program;
  auto& window = program.window();
  window.show();
  while (!window.windowHandle() || !window.windowHandle()->isExposed() || !window.text1()->isVisible())
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  QApplication::processEvents();
  const long long ready = nowMicros();
  QElapsedTimer idle;
  idle.start();
  while (idle.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  const std::string report = std::to_string(ready) + " " + std::to_string(residentKb()) + "\n";
  if (write(reportFd, report.data(), report.size()) < 0) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return child(argc, argv, std::atoi(argv[2]));
  const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<double> startMs;
  std::vector<long> rssKb;
  for (int run = 0; run < runs; ++run) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return 1;
    const long long before = nowMicros();
    const pid_t pid = fork();
    if (pid == 0) {
      close(pipeFds[0]);
      const std::string fd = std::to_string(pipeFds[1]);
      execl("/proc/self/exe", argv[0], "--child", fd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(pipeFds[1]);
    char buffer[128] = {};
    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long ready = 0;
    long rss = 0;
    if (got <= 0 || std::sscanf(buffer, "%lld %ld", &ready, &rss) != 2) {
      std::fprintf(stderr, "tessaly-startup: the child did not report\n");
      return 1;
    }
    startMs.push_back(static_cast<double>(ready - before) / 1000.0);
    rssKb.push_back(rss);
  }
  std::sort(startMs.begin(), startMs.end());
  std::sort(rssKb.begin(), rssKb.end());
  std::printf(
      "{\"runs\": %d, \"start_to_ready_ms_median\": %.1f, \"start_to_ready_ms_min\": %.1f, "
      "\"start_to_ready_ms_max\": %.1f, \"idle_rss_mb_median\": %.1f, \"platform\": \"%s\"}\n",
      runs, startMs[startMs.size() / 2], startMs.front(), startMs.back(),
      static_cast<double>(rssKb[rssKb.size() / 2]) / 1024.0,
      std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "default");
  return 0;
}
