// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-probe FILE...: what a user of the engine feels, per audio file, as one JSON line:
// lengths the two devices report, open to first output frame, seek to output frame (median of
// ten), decoding speed beside the ffmpeg tool's on the same file, and whether a ranged play
// stops exactly on its end. Unplayable files get a line too, and the exit status stays 0.
//
// tessaly-probe --render ... and --stretch-cost ...: the time-stretch stage (Stretching.cpp).
//
// tessaly-probe --memory SECONDS FILE: plays FILE for SECONDS through the streaming control,
// seeking across the whole file every second, and prints resident memory before and at most
// during that time, and the slowest user-interface call seen.
//
// Output goes to whatever SDL opens (SDL_AUDIODRIVER=disk or dummy headless), or to the
// engine's silent output when there is no sound device; timings include that output.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Json.h"
#include "Stretching.h"
#include "audio/AudioEngine.h"
#include "audio/Decoder.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace tessaly;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

template <typename Pred>
bool waitFor(Pred done, int maxMs) {
  const auto start = Clock::now();
  while (!done()) {
    if (msSince(start) > maxMs) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

std::string number(std::optional<double> v, int decimals = 1) {
  if (!v) return "null";
  std::ostringstream s;
  s.setf(std::ios::fixed);
  s.precision(decimals);
  s << *v;
  return s.str();
}

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Seconds of audio per second of decoding, through the engine's decoder.
std::optional<double> decodeSpeed(const std::string& file, double* seconds) {
  Failure error;
  auto decoder = audio::Decoder::open(file, nullptr, &error);
  if (!decoder) return std::nullopt;
  std::vector<float> buffer(8192 * 2);
  std::int64_t frames = 0;
  const auto start = Clock::now();
  for (int n; (n = decoder->read(buffer.data(), 8192)) > 0;) frames += n;
  const double elapsed = msSince(start) / 1000.0;
  *seconds = static_cast<double>(frames) / decoder->info().sampleRate;
  return elapsed > 0 ? std::optional(*seconds / elapsed) : std::nullopt;
}

std::optional<double> ffmpegSpeed(const std::string& file, double seconds) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0 || seconds <= 0) return std::nullopt;
  const auto start = Clock::now();
  const int rc = std::system(("ffmpeg -nostdin -v quiet -i " + shellQuote(file) + " -f null - 2>/dev/null").c_str());
  if (rc != 0) return std::nullopt;
  return seconds / (msSince(start) / 1000.0);
}

void probe(const std::string& file) {
  Failure error;
  if (!audio::Decoder::open(file, nullptr, &error)) {
    std::printf(
        "{\"file\": %s, \"mci_length_ms\": 0, \"stream_length_ms\": 0, \"open_to_first_frame_ms\": null, "
        "\"seek_to_frame_ms\": null, \"decode_realtime_x\": null, \"ffmpeg_realtime_x\": null, "
        "\"ranged_stop_exact\": false, \"error\": %s}\n",
        bench::jsonString(file).c_str(), bench::jsonString(error.text()).c_str());
    return;
  }
  audio::AudioEngine engine;
  std::int32_t mciLength = 0;
  bool rangedExact = false;
  {
    auto mci = audio::makeMciControl(engine, nullptr);
    mci->setFileName(file);
    mci->sendCommand("Open");
    mciLength = mci->length();
    if (mci->isOpen() && mciLength > 0) {
      const std::int32_t from = mciLength / 2, to = std::min(mciLength, from + 250);
      mci->setFrom(from);
      mci->setTo(to);
      mci->sendCommand("play");
      rangedExact = waitFor([&] { return mci->position() == to; }, 3000);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      rangedExact = rangedExact && mci->position() == to;
    }
    mci->sendCommand("close");
  }
  auto stream = audio::makeStreamControl(engine);
  stream->setVolume(100);
  const auto opened = Clock::now();
  stream->setSource(file);
  stream->play();
  std::optional<double> firstFrame;
  if (waitFor([&] { return stream->position() > 0; }, 5000)) firstFrame = msSince(opened);
  waitFor([&] { return stream->length() > 0; }, 120000);
  const std::int32_t streamLength = stream->length();
  const std::int32_t span = std::max(streamLength, mciLength);
  std::vector<double> seeks;
  std::mt19937 random(2024);
  for (int i = 0; i < 10 && span > 2000; ++i) {
    const auto target = static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(span - 1500));
    const auto start = Clock::now();
    stream->setPosition(target);
    if (waitFor([&] { return stream->position() > target; }, 5000)) seeks.push_back(msSince(start));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  stream->stop();
  std::optional<double> seekMedian;
  if (!seeks.empty()) {
    std::sort(seeks.begin(), seeks.end());
    seekMedian = seeks.size() % 2 ? seeks[seeks.size() / 2] : (seeks[seeks.size() / 2 - 1] + seeks[seeks.size() / 2]) / 2;
  }
  double seconds = 0;
  const auto decodeX = decodeSpeed(file, &seconds);
  const auto ffmpegX = ffmpegSpeed(file, seconds);
  std::printf(
      "{\"file\": %s, \"mci_length_ms\": %d, \"stream_length_ms\": %d, \"open_to_first_frame_ms\": %s, "
      "\"seek_to_frame_ms\": %s, \"decode_realtime_x\": %s, \"ffmpeg_realtime_x\": %s, "
      "\"ranged_stop_exact\": %s, \"error\": null}\n",
      bench::jsonString(file).c_str(), mciLength, streamLength, number(firstFrame).c_str(), number(seekMedian).c_str(),
      number(decodeX, 0).c_str(), number(ffmpegX, 0).c_str(), rangedExact ? "true" : "false");
  std::fflush(stdout);
}

long residentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

int memory(int seconds, const std::string& file) {
  audio::AudioEngine engine;
  auto stream = audio::makeStreamControl(engine);
  double slowestCall = 0;
  auto timed = [&](auto&& call) {
    const auto start = Clock::now();
    call();
    slowestCall = std::max(slowestCall, msSince(start));
  };
  const long before = residentKb();
  timed([&] { stream->setSource(file); });
  timed([&] { stream->play(); });
  long peak = before;
  std::mt19937 random(7);
  for (int s = 0; s < seconds * 10; ++s) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::int32_t length = 0, position = 0;
    timed([&] { length = stream->length(); });
    timed([&] { position = stream->position(); });
    (void)position;
    if (s % 10 == 9 && length > 2000)
      timed([&] { stream->setPosition(static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(length - 1000))); });
    peak = std::max(peak, residentKb());
  }
  timed([&] { stream->stop(); });
  std::printf(
      "{\"file\": %s, \"seconds\": %d, \"rss_before_kb\": %ld, \"rss_peak_kb\": %ld, \"rss_growth_kb\": %ld, "
      "\"slowest_ui_call_ms\": %.2f}\n",
      bench::jsonString(file).c_str(), seconds, before, peak, peak - before, slowestCall);
  return 0;
}

// The engine --stretch names: the settings' names, and "period" for the program's own
// pitch-period stretch, which only the benchmark plays.
tessaly::StretchEngine stretchEngineOf(std::string_view name) {
  if (name == tessaly::stretchEngineName(tessaly::StretchEngine::Period)) return tessaly::StretchEngine::Period;
  return tessaly::stretchEngineNamed(name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--memory") return memory(std::atoi(argv[2]), argv[3]);
  if (argc >= 3 && std::string(argv[1]) == "--sentences") return bench::sentences(argc - 2, argv + 2);
  if (argc == 4 && std::string(argv[1]) == "--check") {
    // The table the build makes beside the program.
    const std::string table = (std::filesystem::path(argv[0]).parent_path() / ".." / "src" / "pinyin.txt").string();
    return bench::check(table, argv[2], argv[3]);
  }
  if (argc == 3 && std::string(argv[1]) == "--pitch") return bench::pitchLine(argv[2]);
  if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--align") return bench::align(argv[2], argc == 4 ? argv[3] : "");
  if (argc >= 4 && std::string(argv[1]) == "--stretch-cost") {
    // --stretch E anywhere after the speed; an unknown engine is the default one.
    tessaly::StretchEngine engine = tessaly::kDefaultStretchEngine;
    std::string file;
    for (int i = 3; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--stretch" && i + 1 < argc) engine = stretchEngineOf(argv[++i]);
      else file = arg;
    }
    if (!file.empty()) return bench::stretchCost(std::atof(argv[2]), file, engine);
  }
  if (argc >= 3 && std::string(argv[1]) == "--render") {
    double speed = 1.0;
    int from = 0, to = -1;
    tessaly::StretchEngine engine = tessaly::kDefaultStretchEngine;
    std::string file;
    for (int i = 3; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--speed" && i + 1 < argc) speed = std::atof(argv[++i]);
      else if (arg == "--from" && i + 1 < argc) from = std::atoi(argv[++i]);
      else if (arg == "--to" && i + 1 < argc) to = std::atoi(argv[++i]);
      else if (arg == "--stretch" && i + 1 < argc) engine = stretchEngineOf(argv[++i]);
      else file = arg;
    }
    if (!file.empty()) return bench::render(argv[2], speed, from, to, file, engine);
  }
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: tessaly-probe FILE...\n       tessaly-probe --memory SECONDS FILE\n"
                 "       tessaly-probe --render OUT.wav --speed S [--from MS] [--to MS] [--stretch E] FILE\n"
                 "       tessaly-probe --stretch-cost S FILE [--stretch E]\n"
                 "       tessaly-probe --sentences FILE...\n"
                 "       tessaly-probe --check DICTATION REFERENCE\n"
                 "       tessaly-probe --align RECORDING [REFERENCE]\n"
                 "       tessaly-probe --pitch FILE\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) probe(argv[i]);
  return 0;
}
