// SPDX-License-Identifier: GPL-3.0-or-later
// Test material for the engine's tests: recordings made with the ffmpeg command-line tool in a
// temporary folder, FFmpeg's own decoding of them as the reference, the SDL disk driver's
// output file, and the search that finds which file frames a stretch of output came from.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

bool haveFfmpeg();

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Runs `ffmpeg -v error -y <args> <out>`; the path made, or "" when ffmpeg failed.
std::string makeWithFfmpeg(const std::string& args, const std::string& out);

// Input arguments for a tone that never touches zero and never repeats (a rising sweep over a
// constant offset), so every stretch of its frames can be told apart.
std::string sweepInput(double seconds, int rate, int channels);

// FFmpeg's decoding of `path`: interleaved floats with `channels` channels.
std::vector<float> referenceDecode(const std::string& path, int channels);

// All float samples in a file (the disk driver's output).
std::vector<float> readFloats(const std::string& path);
// `samples` as raw floats (the disk driver's microphone).
void writeFloats(const std::string& path, const std::vector<float>& samples);

// `samples` (mono, -1 to 1) as a 16-bit WAV file at `rate`.
void writeMonoWav(const std::string& path, const std::vector<float>& samples, int rate);
// `samples` with white noise `snrDb` under the power of their sounding part (from a fixed
// seed, so the same call gives the same noise).
std::vector<float> withNoise(std::vector<float> samples, double snrDb, unsigned seed = 3);

// A learner's take from the synthesiser: `pinyin` (numbered tones) said at the sample lesson's
// speed, mono at the take's rate, with 0.3 s of silence before it and 3 s after.
std::vector<float> spokenTake(const std::string& pinyin);

// Frames of `frames` (interleaved, `channels`) that hold any non-zero sample: first and last.
struct Sounding {
  std::int64_t first = -1, last = -1;
};
Sounding findSounding(const std::vector<float>& frames, int channels);

// The frame of `reference` at which the `window` frames of `output` starting at `at` fit
// best, and how well (mean squared difference per sample; 0 for a bit-exact fit).
struct Fit {
  std::int64_t frame = -1;
  double error = 0;
};
Fit locate(const std::vector<float>& reference, const std::vector<float>& output, std::int64_t at, int window,
           int channels);

// Makes the SDL disk driver write to `file` from the next device opened on.
void useDiskOutput(const std::string& file);

// Environment variables set for a test's length, and put back as they were after it (the
// tests after it, in the same process, must find SDL's settings as they left them).
class Environment {
 public:
  void set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    setenv(name, value.c_str(), 1);
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
      else unsetenv(it->first.c_str());
    }
  }

  // SDL's disk driver with `microphone` (raw floats) as its microphone and `output` for its
  // sound, as fast as they can be read and written.
  void useDiskMicrophone(const std::string& microphone, const std::string& output) {
    set("SDL_AUDIODRIVER", "disk");
    set("SDL_DISKAUDIOFILEIN", microphone);
    set("SDL_DISKAUDIOFILE", output);
    set("SDL_DISKAUDIODELAY", "0");
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace tessaly::test
