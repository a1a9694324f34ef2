// SPDX-License-Identifier: GPL-3.0-or-later
// Mono float frames encoded by FFmpeg into a file: MP3 (its LAME encoder, 96 kb/s), WAV
// (16-bit) or FLAC. The drills, the Anki clips and the 跟读 takes are written through it. A
// rate the encoder does not take (MP3 has none above 48 kHz) is refused, or, when asked,
// resampled to the nearest one it takes (libswresample).
//
// Threads: one at a time, the caller's (a background worker's, or a command's).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace tessaly::audio {

class MonoWriter {
 public:
  enum class Format { Mp3, Wav, Flac };
  // Why a file cannot be made; the caller words it for the user.
  enum class OpenFailure {
    None,
    CannotCreate,  // the container or its stream could not be set up
    NoEncoder,     // this FFmpeg has no encoder for the format (MP3 needs libmp3lame)
    RateRefused,   // the encoder does not take this sample rate
    CannotWrite,   // the file could not be opened for writing, or its header not written
  };

  MonoWriter() = default;
  MonoWriter(const MonoWriter&) = delete;
  MonoWriter& operator=(const MonoWriter&) = delete;
  ~MonoWriter();

  // How a rate the encoder does not take is met.
  enum class OtherRate { Refuse, Resample };

  // OpenFailure::None, or why the file cannot be made. `comment` goes into the file's tags.
  OpenFailure open(const std::string& path, Format format, int rate, const std::string& comment = {},
                   OtherRate otherRate = OtherRate::Refuse);
  // The file's own sample rate: the one given, or the one resampled to.
  int fileRate() const;
  // Mono frames, any number; false when a write failed.
  bool write(const float* in, std::size_t n);
  // The rest encoded and the file finished; false when that failed.
  bool finish();

 private:
  bool encode(int n);
  bool drain(AVFrame* frame);

  AVFormatContext* fmt_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwrContext* resampler_ = nullptr;  // only while resampling
  std::vector<float> resampled_;
  int frameSize_ = 0;
  std::int64_t pts_ = 0;
  std::vector<float> pending_;
};

}  // namespace tessaly::audio
