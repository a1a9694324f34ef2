// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-gaps: holes of silence in what the engine outputs while the machine is busy. Two
// child processes spin on the CPU for the whole run; meanwhile, on both device faces (MCI and
// streaming) and at each speed, the engine plays many short ranged plays from seeded random
// places, half of them with a seek inside, on SDL's disk driver. What the driver writes is
// read back and every play's sounding stretch searched for runs of exact zeros: the
// recording never touches zero, so any such run inside a play is a gap the learner hears.
// Prints one JSON line per face and speed, then a summary line.
//
//   tessaly-gaps [--plays N] [--seed S] [--speeds 0.5,1.0,...] [--faces mci,stream]
//                [--busy K] [--format wav|mp3] [--pacing clock|sdl] [--verbose]
//
// The recording is made with the ffmpeg command-line tool: 20 s of stereo at 44.1 kHz, the
// left channel a sweep over a constant offset, the right a slow ramp from 0.1 to 0.9 whose
// level says where in the file a frame comes from (a seek shows as a step in it, even when
// the engine goes from the old place to the new without a frame of silence between).
//
// The output. The disk driver writes to a named pipe of two pages that the benchmark reads:
// with --pacing clock (the default) at the output's sample rate by the steady clock, as a
// sound card takes its frames, so the engine's audio thread is asked for each buffer when a
// device would ask for it (SDL_DISKAUDIODELAY=0: it waits only on the full pipe). A buffer
// that comes late is counted as the output's own lateness (a device would have played
// silence there; the pipe gets no zeros for it) and the clock starts again from it. With
// --pacing sdl the driver paces itself (it sleeps a buffer's length after each write, which
// on a busy machine runs slower than real time) and the pipe is read as fast as it fills.
//
// Where a command falls in the output: the bytes read from the pipe when it is given. The
// frames the engine renders after it come later than that, by at most the pipe, the
// driver's write buffer and the buffer being rendered.
//
// Threads: the main thread is the devices' user-interface thread; one thread reads the pipe;
// the engine runs its own. The spinning children are forked before any thread starts.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioEngine.h"
#include "audio/Frames.h"
#include "audio/Output.h"

namespace {

using Clock = std::chrono::steady_clock;
using tessaly::audio::msToFrames;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kFrameBytes = kChannels * static_cast<int>(sizeof(float));
constexpr int kLengthMs = 20000;
constexpr std::int64_t kLengthFrames = std::int64_t{kLengthMs} * kRate / 1000;
constexpr int kPipeBytes = 8192;         // two pages: the driver's 4096-byte writes go in while frames remain
constexpr int kWriteBufferBytes = 4096;  // the driver writes through stdio
constexpr int kSilenceMs = 150;          // between two plays, so each is found on its own
constexpr int kMinSeekJumpMs = 2000;     // a seek goes at least this far: a clear step in the ramp
constexpr double kRampStep = 0.02;       // the least step of the ramp taken for a seek (2 s is 0.08)

bool verbose = false;  // --verbose: every part of every play on stderr

double msOf(std::int64_t frames) { return 1000.0 * static_cast<double>(frames) / kRate; }

// ---- the busy machine ----

std::vector<pid_t> startSpinners(int count) {
  std::vector<pid_t> pids;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the benchmark
      volatile std::uint64_t n = 0;
      for (;;) n = n + 1;
    }
    if (pid > 0) pids.push_back(pid);
  }
  return pids;
}

void stopSpinners(const std::vector<pid_t>& pids) {
  for (pid_t pid : pids) kill(pid, SIGKILL);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
}

// ---- the output: the disk driver's pipe, read like a sound card ----

class Sink {
 public:
  Sink(const std::string& path, bool paced) : paced_(paced) {
    // Opened before the driver opens it (a reader that does not wait), so that its size is
    // set before anything is written.
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd_ >= 0) fcntl(fd_, F_SETPIPE_SZ, kPipeBytes);
    thread_ = std::thread([this] { run(); });
  }
  ~Sink() { finish(); }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  bool ok() const { return fd_ >= 0; }
  // Main thread: the frames read so far.
  std::int64_t frames() const { return bytes_.load() / kFrameBytes; }
  // Main thread, after the driver has closed the pipe: everything read.
  std::vector<float> finish() {
    closed_.store(true);
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    std::vector<float> samples(data_.size() / sizeof(float));
    std::memcpy(samples.data(), data_.data(), samples.size() * sizeof(float));
    return samples;
  }
  int lateCount() const { return lateCount_; }
  double lateMaxMs() const { return lateMaxMs_; }

 private:
  void run() {
    if (fd_ < 0) return;
    std::vector<char> buffer(1 << 16);
    bool started = false;
    Clock::time_point t0{};
    const auto dueAt = [&](std::int64_t bytes) {
      return t0 + std::chrono::nanoseconds(bytes / kFrameBytes * 1'000'000'000 / kRate);
    };
    const std::int64_t periodBytes = std::int64_t{tessaly::audio::Output::bufferFrames(kRate)} * kFrameBytes;
    for (;;) {
      std::int64_t want = static_cast<std::int64_t>(buffer.size());
      const std::int64_t have = static_cast<std::int64_t>(data_.size());
      if (paced_ && started) {
        const auto now = Clock::now();
        const std::int64_t due = std::chrono::duration_cast<std::chrono::nanoseconds>(now - t0).count() * kRate /
                                 1'000'000'000 * kFrameBytes;
        if (have >= due) {
          std::this_thread::sleep_until(dueAt(have + periodBytes));
          continue;
        }
        want = std::min(want, due - have);
      }
      const ssize_t got = read(fd_, buffer.data(), static_cast<std::size_t>(want));
      if (got > 0) {
        if (!started) t0 = Clock::now();
        started = true;
        data_.insert(data_.end(), buffer.data(), buffer.data() + got);
        bytes_.store(static_cast<std::int64_t>(data_.size()));
        continue;
      }
      if (got == 0) {
        if (started || closed_.load()) return;                      // the driver closed the pipe, or never opened it
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // not opened yet
        continue;
      }
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return;
      pollfd p{fd_, POLLIN, 0};
      poll(&p, 1, -1);
      if (paced_ && started) {
        // The driver had nothing when the card wanted it: the output itself was late.
        const double late = std::chrono::duration<double, std::milli>(Clock::now() - dueAt(have)).count();
        if (late > 1.0) {
          ++lateCount_;
          lateMaxMs_ = std::max(lateMaxMs_, late);
          t0 += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(late));
        }
      }
    }
  }

  bool paced_;
  int fd_ = -1;
  std::vector<char> data_;
  std::atomic<std::int64_t> bytes_{0};
  std::atomic<bool> closed_{false};  // the engine is gone: a pipe never opened will not be
  int lateCount_ = 0;
  double lateMaxMs_ = 0;
  std::thread thread_;
};

// ---- what was output ----

// A command given to a device, where it fell in the output, and what its play should render.
struct Mark {
  std::int64_t at = 0;           // frames read from the pipe when the command was given
  std::int64_t inputFrames = 0;  // the play's frames of the file
  int fromMs = 0;                // where in the file it starts
};

// The ramp's level at `ms` into the file.
double rampAt(int ms) { return 0.1 + 0.8 * ms / kLengthMs; }

struct Gap {
  double atMs = 0;  // from the first sound of its play (or of the seek's new place)
  double ms = 0;
  bool afterSeek = false;
};

struct Cell {
  std::string face;
  double speed = 1;
  int plays = 0, seeks = 0, playsWithGap = 0, shortZeroRuns = 0, unfound = 0, measured = 0;
  std::vector<Gap> gaps;
  double longestGapMs = 0, worstLengthErrorMs = 0, worstSoundErrorMs = 0, worstLatencyMs = 0;
  int lateCount = 0;
  double lateMaxMs = 0;
};

bool silent(const std::vector<float>& out, std::int64_t frame) {
  for (int c = 0; c < kChannels; ++c)
    if (out[static_cast<std::size_t>(frame * kChannels + c)] != 0.0f) return false;
  return true;
}

float ramp(const std::vector<float>& out, std::int64_t frame) {
  return out[static_cast<std::size_t>(frame * kChannels + 1)];
}

// The runs of silence inside [first, last], each as a gap from `first` when it lasts 1 ms or
// more; shorter ones are only counted. Returns the frames of the gaps.
std::int64_t findGaps(const std::vector<float>& out, std::int64_t first, std::int64_t last, bool afterSeek, Cell& cell,
                      bool& any) {
  const std::int64_t least = (kRate + 999) / 1000;
  std::int64_t silence = 0;
  for (std::int64_t i = first; i <= last; ++i) {
    if (!silent(out, i)) continue;
    std::int64_t j = i;
    while (j <= last && silent(out, j)) ++j;
    if (j - i >= least) {
      cell.gaps.push_back({msOf(i - first), msOf(j - i), afterSeek});
      cell.longestGapMs = std::max(cell.longestGapMs, msOf(j - i));
      silence += j - i;
      any = true;
    } else {
      ++cell.shortZeroRuns;
    }
    i = j;
  }
  return silence;
}

// One play: its marks (its start, and a seek if it had one) up to where the next play's
// stretch begins.
void analysePlay(const std::vector<float>& out, const std::vector<Mark>& marks, std::int64_t stretchEnd, Cell& cell) {
  const auto total = static_cast<std::int64_t>(out.size()) / kChannels;
  stretchEnd = std::min(stretchEnd, total);
  // The output can follow a command by the pipe, the driver's buffer and a render.
  const std::int64_t slack = (kPipeBytes + kWriteBufferBytes) / kFrameBytes +
                             2 * std::int64_t{tessaly::audio::Output::bufferFrames(kRate)};
  bool gapped = false;
  std::int64_t start = marks[0].at;
  while (start < stretchEnd && silent(out, start)) ++start;
  if (start >= stretchEnd) {
    ++cell.unfound;
    return;
  }
  cell.worstLatencyMs = std::max(cell.worstLatencyMs, msOf(start - marks[0].at));
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const bool lastPart = k + 1 == marks.size();
    std::int64_t end = 0, next = 0;  // the part's last frame; where the next part starts
    if (lastPart) {
      end = stretchEnd - 1;
      while (end > start && silent(out, end)) --end;
    } else {
      // The seek: the first silence or step of the ramp in its window, whichever comes first
      // (a gap soon after the new place began must not be taken for the seek).
      const std::int64_t from = std::max(start + 1, marks[k + 1].at);
      const std::int64_t to = std::min(stretchEnd - 1, marks[k + 1].at + slack);
      std::int64_t zero = -1, step = -1;
      float biggest = 0;
      for (std::int64_t i = from; i <= to && zero < 0 && step < 0; ++i) {
        if (silent(out, i)) zero = i;
        else if (!silent(out, i - 1) && std::abs(ramp(out, i) - ramp(out, i - 1)) >= kRampStep)
          biggest = std::abs(ramp(out, i) - ramp(out, i - 1)), step = i;
      }
      if (zero >= 0) {
        end = zero - 1;
        next = zero;
        while (next < stretchEnd && silent(out, next)) ++next;
      } else if (step >= 0) {
        end = step - 1;
        next = step;
        if (verbose) std::fprintf(stderr, "  (the seek went on without silence: a step of %.3f)\n", biggest);
      } else {
        ++cell.unfound;  // the seek could not be found in the output: the rest goes unmeasured
        return;
      }
    }
    const std::size_t gapsBefore = cell.gaps.size();
    const std::int64_t silence = findGaps(out, start, end, k > 0, cell, gapped);
    if (verbose) {
      std::fprintf(stderr, "%s %.2f play %d part %zu: command at %lld, sound %lld..%lld (%.2f ms) after %.2f ms",
                   cell.face.c_str(), cell.speed, cell.plays, k, static_cast<long long>(marks[k].at),
                   static_cast<long long>(start), static_cast<long long>(end), msOf(end - start + 1),
                   msOf(start - marks[k].at));
      std::fprintf(stderr, ", ramp %.3f (%d ms: %.3f)", ramp(out, start), marks[k].fromMs, rampAt(marks[k].fromMs));
      if (lastPart) std::fprintf(stderr, ", due %.2f ms", msOf(marks[k].inputFrames) / cell.speed);
      for (std::size_t g = gapsBefore; g < cell.gaps.size(); ++g)
        std::fprintf(stderr, ", gap at %.2f ms of %.2f ms", cell.gaps[g].atMs, cell.gaps[g].ms);
      std::fprintf(stderr, "\n");
    }
    if (lastPart) {
      // From its first sound to its last, gaps and all (what the learner waits through), and
      // without its gaps (what the engine made of the range).
      const double rendered = msOf(end - start + 1);
      const double expected = msOf(marks[k].inputFrames) / cell.speed;
      cell.worstLengthErrorMs = std::max(cell.worstLengthErrorMs, std::abs(rendered - expected));
      cell.worstSoundErrorMs = std::max(cell.worstSoundErrorMs, std::abs(rendered - msOf(silence) - expected));
      ++cell.measured;
    }
    start = next;
  }
  if (gapped) ++cell.playsWithGap;
}

// ---- the plays ----

struct Options {
  int plays = 16;
  unsigned seed = 1;
  std::vector<double> speeds{0.5, 0.7, 0.85, 1.0, 1.25, 2.0};
  std::vector<std::string> faces{"mci", "stream"};
  int busy = 2;
  std::string format = "wav";
  bool paced = true;
};

void waitUntil(const std::function<bool()>& done, int maxMs) {
  const auto giveUp = Clock::now() + std::chrono::milliseconds(maxMs);
  while (!done() && Clock::now() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The marks of one cell's plays, in order; each play's first mark is its start.
using Plays = std::vector<std::vector<Mark>>;

// MCI: each play a ranged play of 1-3 s from a random place; every second play is sought,
// a while after it started, to another ranged play at least 2 s away.
Plays playMci(tessaly::MciControl& mci, const Sink& sink, const Options& o, double speed, std::mt19937& random) {
  Plays plays;
  std::uniform_int_distribution<int> rangeMs(1000, 3000), waitMs(250, 600);
  const auto ranged = [&](int from, int ms) {
    Mark mark{sink.frames(), msToFrames(from + ms, kRate) - msToFrames(from, kRate), from};
    mci.setFrom(from);
    mci.setTo(from + ms);
    mci.sendCommand("play");
    return mark;
  };
  for (int i = 0; i < o.plays; ++i) {
    std::vector<Mark> marks;
    int ms = rangeMs(random);
    int from = std::uniform_int_distribution<int>(0, kLengthMs - ms)(random);
    marks.push_back(ranged(from, ms));
    if (i % 2 == 1) {
      const int wait = waitMs(random);
      sleepMs(wait);
      const int now = from + static_cast<int>(wait * speed);
      ms = rangeMs(random);
      do from = std::uniform_int_distribution<int>(0, kLengthMs - ms)(random);
      while (std::abs(from - now) < kMinSeekJumpMs);
      marks.push_back(ranged(from, ms));
    }
    const int to = from + ms;
    waitUntil([&] { return mci.position() == to; }, static_cast<int>(3 * ms / speed) + 3000);
    sleepMs(kSilenceMs);
    plays.push_back(std::move(marks));
  }
  return plays;
}

// Streaming: a play always runs to the end of the file, so each play's measured part is its
// last 1-3 s. Every second play starts somewhere else first and is sought there a while
// later; the others start there at once: a play, a pause and a position before the play, so
// it is heard from there and not from 0, with the volume at 0 until the pause (the machine
// may hold this thread between the play and the pause long enough for the play from 0 to
// be heard).
Plays playStream(tessaly::StreamControl& stream, const Sink& sink, const Options& o, double speed, std::mt19937& random) {
  Plays plays;
  std::uniform_int_distribution<int> rangeMs(1000, 3000), waitMs(250, 600);
  const auto startAt = [&](int from) {
    Mark mark{sink.frames(), kLengthFrames - msToFrames(from, kRate), from};
    stream.setVolume(0);
    stream.play();
    stream.pause();
    stream.setPosition(from);
    stream.setVolume(100);
    stream.play();
    return mark;
  };
  for (int i = 0; i < o.plays; ++i) {
    std::vector<Mark> marks;
    const int from = kLengthMs - rangeMs(random);
    if (i % 2 == 1) {
      const int wait = waitMs(random);
      const int first = std::uniform_int_distribution<int>(0,
                                                           from - kMinSeekJumpMs - static_cast<int>(wait * speed))(random);
      marks.push_back(startAt(first));
      sleepMs(wait);
      marks.push_back({sink.frames(), kLengthFrames - msToFrames(from, kRate), from});
      stream.setPosition(from);
    } else {
      marks.push_back(startAt(from));
    }
    const int ms = kLengthMs - from;
    waitUntil([&] { return stream.position() == 0; }, static_cast<int>(3 * ms / speed) + 3000);
    sleepMs(kSilenceMs);
    plays.push_back(std::move(marks));
  }
  return plays;
}

Cell runCell(const std::string& face, double speed, const std::string& material, const std::string& folder,
             const Options& o, std::mt19937& random) {
  Cell cell;
  cell.face = face;
  cell.speed = speed;
  const std::string pipe = folder + "/out-" + face + "-" + std::to_string(std::lround(speed * 100)) + ".pipe";
  mkfifo(pipe.c_str(), 0600);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", pipe.c_str(), 1);
  if (o.paced) setenv("SDL_DISKAUDIODELAY", "0", 1);
  else unsetenv("SDL_DISKAUDIODELAY");
  Sink sink(pipe, o.paced);
  Plays plays;
  if (sink.ok()) {
    tessaly::audio::AudioEngine engine;
    if (face == "mci") {
      auto mci = tessaly::audio::makeMciControl(engine, nullptr);
      mci->setFileName(material);
      mci->sendCommand("Open");
      if (mci->isOpen()) {
        mci->setSpeed(speed);
        plays = playMci(*mci, sink, o, speed, random);
      }
    } else {
      auto stream = tessaly::audio::makeStreamControl(engine);
      stream->setSource(material);
      stream->setSpeed(speed);
      if (stream->length() > 0) plays = playStream(*stream, sink, o, speed, random);
    }
  }  // the engine closes the driver's pipe
  const std::vector<float> out = sink.finish();
  std::filesystem::remove(pipe);
  for (std::size_t p = 0; p < plays.size(); ++p) {
    ++cell.plays;
    cell.seeks += static_cast<int>(plays[p].size()) - 1;
    const std::int64_t end = p + 1 < plays.size() ? plays[p + 1][0].at : INT64_MAX;
    if (!out.empty()) analysePlay(out, plays[p], end, cell);
  }
  cell.lateCount = sink.lateCount();
  cell.lateMaxMs = sink.lateMaxMs();
  return cell;
}

std::string json(const Cell& c) {
  std::ostringstream s;
  s.setf(std::ios::fixed);
  s.precision(2);
  s << "{\"face\":\"" << c.face << "\",\"speed\":" << c.speed << ",\"plays\":" << c.plays << ",\"seeks\":" << c.seeks
    << ",\"plays_with_gap\":" << c.playsWithGap << ",\"gaps\":" << c.gaps.size() << ",\"longest_gap_ms\":" << c.longestGapMs
    << ",\"worst_length_error_ms\":" << c.worstLengthErrorMs
    << ",\"worst_length_error_without_gaps_ms\":" << c.worstSoundErrorMs << ",\"lengths_measured\":" << c.measured
    << ",\"not_found\":" << c.unfound << ",\"zero_runs_under_1ms\":" << c.shortZeroRuns
    << ",\"worst_start_latency_ms\":" << c.worstLatencyMs << ",\"output_late\":" << c.lateCount
    << ",\"output_late_max_ms\":" << c.lateMaxMs << ",\"gap_list\":[";
  for (std::size_t i = 0; i < c.gaps.size() && i < 12; ++i)
    s << (i ? "," : "") << "{\"at_ms\":" << c.gaps[i].atMs << ",\"ms\":" << c.gaps[i].ms << ",\"after\":\""
      << (c.gaps[i].afterSeek ? "seek" : "start") << "\"}";
  s << "]}";
  return s.str();
}

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream s(text);
  for (std::string part; std::getline(s, part, ',');)
    if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--plays" && hasValue) o.plays = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--seed" && hasValue) o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    else if (arg == "--verbose") verbose = true;
    else if (arg == "--busy" && hasValue) o.busy = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--format" && hasValue) o.format = argv[++i];
    else if (arg == "--pacing" && hasValue) o.paced = std::string(argv[++i]) != "sdl";
    else if (arg == "--faces" && hasValue) o.faces = split(argv[++i]);
    else if (arg == "--speeds" && hasValue) {
      o.speeds.clear();
      for (const std::string& s : split(argv[++i])) o.speeds.push_back(std::clamp(std::atof(s.c_str()), 0.5, 2.0));
    } else {
      std::fprintf(stderr,
                   "usage: %s [--plays N] [--seed S] [--speeds 0.5,1.0,...] [--faces mci,stream] [--busy K] "
                   "[--format wav|mp3] [--pacing clock|sdl] [--verbose]\n",
                   argv[0]);
      return 2;
    }
  }
  if (o.format != "wav" && o.format != "mp3") {
    std::fprintf(stderr, "--format is wav or mp3\n");
    return 2;
  }

  char pattern[] = "/tmp/tessaly-gaps-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = pattern;
  const std::string material = folder + "/sweep." + o.format;
  std::ostringstream make;
  make << "ffmpeg -nostdin -v error -y -f lavfi -i \"aevalsrc=0.45+0.3*sin(2*PI*(150+20*t)*t)+0.1*sin(2*PI*1234*t)|"
       << "0.1+0.8*t/" << kLengthMs / 1000 << ":s=" << kRate << ":d=" << kLengthMs / 1000 << "\" "
       << (o.format == "wav" ? "-c:a pcm_s16le" : "-c:a libmp3lame -b:a 192k") << " '" << material << "' 2>/dev/null";
  if (std::system(make.str().c_str()) != 0) {
    std::fprintf(stderr, "the ffmpeg command-line tool could not make the recording\n");
    std::filesystem::remove_all(folder);
    return 1;
  }

  const auto began = Clock::now();
  const std::vector<pid_t> spinners = startSpinners(o.busy);
  std::mt19937 random(o.seed);
  std::vector<Cell> cells;
  for (const std::string& face : o.faces) {
    if (face != "mci" && face != "stream") continue;
    for (double speed : o.speeds) {
      cells.push_back(runCell(face, speed, material, folder, o, random));
      std::printf("%s\n", json(cells.back()).c_str());
      std::fflush(stdout);
    }
  }
  stopSpinners(spinners);
  std::filesystem::remove_all(folder);

  Cell all;
  for (const Cell& c : cells) {
    all.plays += c.plays;
    all.seeks += c.seeks;
    all.playsWithGap += c.playsWithGap;
    all.unfound += c.unfound;
    all.measured += c.measured;
    all.shortZeroRuns += c.shortZeroRuns;
    all.lateCount += c.lateCount;
    all.gaps.insert(all.gaps.end(), c.gaps.begin(), c.gaps.end());
    all.longestGapMs = std::max(all.longestGapMs, c.longestGapMs);
    all.worstLengthErrorMs = std::max(all.worstLengthErrorMs, c.worstLengthErrorMs);
    all.worstSoundErrorMs = std::max(all.worstSoundErrorMs, c.worstSoundErrorMs);
    all.worstLatencyMs = std::max(all.worstLatencyMs, c.worstLatencyMs);
    all.lateMaxMs = std::max(all.lateMaxMs, c.lateMaxMs);
  }
  std::printf(
      "{\"summary\":true,\"format\":\"%s\",\"pacing\":\"%s\",\"busy\":%d,\"seed\":%u,\"plays\":%d,\"seeks\":%d,"
      "\"plays_with_gap\":%d,\"gaps\":%zu,\"longest_gap_ms\":%.2f,\"worst_length_error_ms\":%.2f,"
      "\"worst_length_error_without_gaps_ms\":%.2f,\"lengths_measured\":%d,\"not_found\":%d,\"zero_runs_under_1ms\":%d,\"worst_start_latency_ms\":%.2f,"
      "\"output_late\":%d,\"output_late_max_ms\":%.2f,\"seconds\":%.1f}\n",
      o.format.c_str(), o.paced ? "clock" : "sdl", o.busy, o.seed, all.plays, all.seeks, all.playsWithGap, all.gaps.size(),
      all.longestGapMs, all.worstLengthErrorMs, all.worstSoundErrorMs, all.measured, all.unfound, all.shortZeroRuns,
      all.worstLatencyMs, all.lateCount, all.lateMaxMs, std::chrono::duration<double>(Clock::now() - began).count());
  return 0;
}
