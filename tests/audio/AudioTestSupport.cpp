// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioTestSupport.h"

#include "audio/Capture.h"
#include "audio/Speech.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>

namespace tessaly::test {

bool haveFfmpeg() {
  static const bool have = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
  return have;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-audio-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string makeWithFfmpeg(const std::string& args, const std::string& out) {
  const std::string command = "ffmpeg -nostdin -v error -y " + args + " '" + out + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 ? out : std::string();
}

std::string sweepInput(double seconds, int rate, int channels) {
  std::ostringstream s;
  const std::string one = "0.45+0.3*sin(2*PI*(150+400*t)*t)+0.1*sin(2*PI*1234*t)";
  const std::string two = "0.45+0.3*sin(2*PI*(250+300*t)*t)+0.1*sin(2*PI*777*t)";
  s << "-f lavfi -i \"aevalsrc=" << (channels == 1 ? one : one + "|" + two) << ":s=" << rate << ":d=" << seconds << "\"";
  return s.str();
}

std::vector<float> referenceDecode(const std::string& path, int channels) {
  const std::string command = "ffmpeg -nostdin -v error -i '" + path + "' -f f32le -ac " + std::to_string(channels) +
                              " - 2>/dev/null";
  std::vector<float> samples;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return samples;
  float buffer[4096];
  std::size_t got;
  while ((got = fread(buffer, sizeof(float), 4096, pipe)) > 0) samples.insert(samples.end(), buffer, buffer + got);
  pclose(pipe);
  return samples;
}

std::vector<float> readFloats(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<float> samples(bytes.size() / sizeof(float));
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  return samples;
}

void writeMonoWav(const std::string& path, const std::vector<float>& samples, int rate) {
  std::ofstream out(path, std::ios::binary);
  const auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  put(36 + dataBytes, 4);
  out.write("WAVEfmt ", 8);
  for (std::uint32_t v :
       {16u, 1u | (1u << 16), static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(rate) * 2, 2u | (16u << 16)})
    put(v, 4);
  out.write("data", 4);
  put(dataBytes, 4);
  for (float s : samples)
    put(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767))), 2);
}

std::vector<float> withNoise(std::vector<float> samples, double snrDb, unsigned seed) {
  double power = 0;
  std::size_t loud = 0;
  for (float s : samples)
    if (std::abs(s) > 0.01f) power += s * s, ++loud;
  std::mt19937 random(seed);
  std::normal_distribution<float> noise(
      0.0f, static_cast<float>(
                std::sqrt(power / static_cast<double>(std::max<std::size_t>(loud, 1)) / std::pow(10, snrDb / 10))));
  for (float& s : samples) s += noise(random);
  return samples;
}

Sounding findSounding(const std::vector<float>& frames, int channels) {
  Sounding s;
  const auto count = static_cast<std::int64_t>(frames.size()) / channels;
  for (std::int64_t i = 0; i < count; ++i)
    for (int c = 0; c < channels; ++c)
      if (frames[static_cast<std::size_t>(i * channels + c)] != 0.0f) {
        if (s.first < 0) s.first = i;
        s.last = i;
      }
  return s;
}

Fit locate(const std::vector<float>& reference, const std::vector<float>& output, std::int64_t at, int window,
           int channels) {
  Fit best{-1, std::numeric_limits<double>::max()};
  const auto refFrames = static_cast<std::int64_t>(reference.size()) / channels;
  const std::size_t n = static_cast<std::size_t>(window) * channels;
  if (at < 0 || static_cast<std::size_t>(at * channels) + n > output.size()) return best;
  const float* o = output.data() + at * channels;
  for (std::int64_t j = 0; j + window <= refFrames; ++j) {
    const float* r = reference.data() + j * channels;
    double sum = 0;
    for (std::size_t k = 0; k < n && sum < best.error * static_cast<double>(n); ++k) {
      const double d = static_cast<double>(r[k]) - o[k];
      sum += d * d;
    }
    const double error = sum / static_cast<double>(n);
    if (error < best.error) best = {j, error};
  }
  return best;
}

void useDiskOutput(const std::string& file) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
}

void writeFloats(const std::string& path, const std::vector<float>& samples) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
}

std::vector<float> spokenTake(const std::string& pinyin) {
  std::vector<float> take(audio::kTakeRate * 3 / 10, 0.0f);
  for (short s : audio::speak(pinyin, "cmn-latn-pinyin", 135).samples) take.push_back(static_cast<float>(s) / 32768.0f);
  take.resize(take.size() + 3 * audio::kTakeRate, 0.0f);
  return take;
}

}  // namespace tessaly::test
