// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-cpu: the CPU the program takes while it plays a recording, beside mpv playing the
// same file in the same run. Both run as processes of their own with no sound device (the
// program on SDL's dummy driver and the offscreen platform, mpv with its null output and no
// video); the CPU time each uses between two moments of steady playing is read from
// /proc/PID/stat and given as a share of one core. Prints one JSON line.
//
//   tessaly-cpu [--speed S] FILE [from_s to_s]     (defaults: 1.0, seconds 10 to 40)
//
// The program is the tessaly beside this benchmark; mpv comes from PATH (Debian's mpv). At a
// speed other than 1.0 both keep the pitch: the program through its own settings file (a
// temporary XDG configuration folder), mpv through its scaletempo2 filter.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// utime + stime of a process, in clock ticks; -1 once it is gone.
long long cpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::atoll(field.c_str());
    if (i == 15) stime = std::atoll(field.c_str());
  }
  return utime + stime;
}

pid_t start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env(extraEnv);
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  double speed = 1.0;
  if (args.size() >= 2 && args[0] == "--speed") {
    speed = std::atof(args[1].c_str());
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 1 && args.size() != 3) {
    std::fprintf(stderr, "usage: %s [--speed S] FILE [from_s to_s]\n", argv[0]);
    return 2;
  }
  const std::string file = args[0];
  const int from = args.size() == 3 ? std::atoi(args[1].c_str()) : 10;
  const int to = args.size() == 3 ? std::atoi(args[2].c_str()) : 40;
  const std::string here = std::string(argv[0]).substr(0, std::string(argv[0]).rfind('/') + 1);

  // The program's speed comes from its per-user settings: a configuration folder of our own.
  char folder[] = "/tmp/tessaly-cpu-XXXXXX";
  const std::string config = mkdtemp(folder) ? std::string(folder) : std::string("/tmp");
  mkdir((config + "/tessaly").c_str(), 0755);
  std::ofstream(config + "/tessaly/settings.ini") << "speed_tenths=" << std::lround(speed * 10) << "\n";
  const pid_t program = start({here + "tessaly", file},
                              {"QT_QPA_PLATFORM=offscreen", "SDL_AUDIODRIVER=dummy", "XDG_CONFIG_HOME=" + config});
  const pid_t mpv = start(
      {"mpv", "--no-config", "--no-video", "--ao=null", "--really-quiet", "--speed=" + std::to_string(speed), file}, {});
  if (program < 0) {
    std::fprintf(stderr, "cannot start %stessaly\n", here.c_str());
    return 1;
  }
  using namespace std::chrono;
  const auto t0 = steady_clock::now();
  std::this_thread::sleep_until(t0 + seconds(from));
  const long long p0 = cpuTicks(program), m0 = mpv > 0 ? cpuTicks(mpv) : -1;
  const auto a = steady_clock::now();
  std::this_thread::sleep_until(t0 + seconds(to));
  const long long p1 = cpuTicks(program), m1 = mpv > 0 ? cpuTicks(mpv) : -1;
  const double wall = duration<double>(steady_clock::now() - a).count();
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  const auto share = [&](long long x0, long long x1) { return x0 < 0 || x1 < 0 ? -1.0 : 100.0 * (x1 - x0) / tick / wall; };

  for (pid_t pid : {program, mpv}) {
    if (pid <= 0) continue;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  std::printf(
      "{\"file\":\"%s\",\"speed\":%.1f,\"from_s\":%d,\"to_s\":%d,\"tessaly_cpu_percent\":%.2f,\"mpv_cpu_percent\":%.2f}\n",
      file.c_str(), speed, from, to, share(p0, p1), share(m0, m1));
  std::remove((config + "/tessaly/settings.ini").c_str());
  rmdir((config + "/tessaly").c_str());
  rmdir(config.c_str());
  return 0;
}
