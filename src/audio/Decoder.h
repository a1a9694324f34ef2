// SPDX-License-Identifier: GPL-3.0-or-later
// Frame-exact reading of one audio source: FFmpeg demuxes and decodes, and the frames come
// out as interleaved 32-bit floats at the file's own sample rate, mono or stereo. The
// engine's worker plays through it; the length scanner, the sentence and waveform scans
// (sentences/engine/SentenceScanner, waveform/engine/PeakScanner) and the probe read through it the same way.
//
// Threads: a Decoder belongs to one thread at a time (the engine's worker); the seek index it
// is given (audio/SeekIndex.h) is filled on the length scan's thread meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/SeekIndex.h"
#include "playback/Failure.h"

namespace tessaly::audio {

struct SourceInfo {
  std::string url;     // what FFmpeg opened, after following a .ram
  std::string format;  // the container as FFmpeg names it
  std::string codec;
  int sampleRate = 0;
  int channels = 0;                // of the frames read() gives: 1 or 2
  std::int64_t lengthFrames = -1;  // best known; -1 while unknown
  bool lengthExact = false;
  bool needsScan = false;  // the exact length and seek points come from scanSource()
  bool picture = false;    // a video: its sound is played, its picture not shown
};

class Decoder {
 public:
  // Opens `location` (a local path or a URL; a .ram text is followed to its first entry that
  // opens) and decodes up to the first frame. Blocks on the file or the network; `cancel`
  // makes it give up. Returns null with *error saying why when it cannot be played.
  static std::unique_ptr<Decoder> open(const std::string& location, const CancelFlag* cancel, Failure* error);
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  const SourceInfo& info() const;
  // Once given, the index's exact length caps what read() returns and seeks use its points.
  void setIndex(std::shared_ptr<SeekIndex> index);
  // Up to `maxFrames` frames into `out` (maxFrames * channels floats); 0 at the end.
  int read(float* out, int maxFrames);
  // The file frame the next read() starts with.
  std::int64_t position() const;
  // Makes the next read() start exactly at `frame` (clamped to the length), waiting for the
  // scan where it has not got that far yet. False if the source cannot seek there; position()
  // then says where reading goes on.
  bool seek(std::int64_t frame, const CancelFlag* cancel);
  // True once read() has met the real end of the source (not the length cap).
  bool reachedEnd() const;
  // Why the source can no longer be read (no failure while it can): it vanished, or a reopen
  // for a seek failed. A broken decoder's read() gives nothing and its seek() fails; it
  // never touches the closed source again.
  const Failure& failure() const;

  struct Impl;  // FFmpeg's side, in Decoder.cpp

 private:
  explicit Decoder(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The frames [startMs, endMs) of `decoder`, its channels mixed to mono, at its own rate;
// empty when it cannot seek there.
std::vector<float> readMono(Decoder& decoder, double startMs, double endMs);

}  // namespace tessaly::audio
