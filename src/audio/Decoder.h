// SPDX-License-Identifier: GPL-3.0-or-later
// Frame-exact reading of one audio source: FFmpeg demuxes and decodes, and the frames come
// out as interleaved 32-bit floats at the file's own sample rate, mono or stereo. The
// engine's worker plays through it; the length scanner, the sentence and waveform scans
// (audio/SentenceScanner, audio/PeakScanner) and the probe read through it the same way.
//
// Threads: a Decoder belongs to one thread at a time (the engine's worker). SeekIndex is the
// one piece shared between threads: scanSource() fills it on the scanner thread while the
// worker's seeks read it; its own mutex guards it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio/Failure.h"

namespace tessaly::audio {

// Set from another thread to make an open, a read or a scan give up soon.
using CancelFlag = std::atomic<bool>;

struct SourceInfo {
  std::string url;         // what FFmpeg opened, after following a .ram
  std::string format;      // the container as FFmpeg names it
  std::string codec;
  int sampleRate = 0;
  int channels = 0;        // of the frames read() gives: 1 or 2
  std::int64_t lengthFrames = -1;  // best known; -1 while unknown
  bool lengthExact = false;
  bool needsScan = false;  // the exact length and seek points come from scanSource()
};

// Where the packets of a source start (byte position) and the number of the first frame each
// decodes to, found by reading the whole source once (scanSource). Its last word is the exact
// length. Any thread; the methods take the index's own lock and never wait on anything else.
class SeekIndex {
 public:
  struct Point {
    std::int64_t pos;
    std::int64_t frame;
  };

  // Scanner thread: points in increasing order, and how many frames are counted so far.
  void append(const std::vector<Point>& points, std::int64_t framesCounted);
  void finish(std::int64_t totalFrames);
  void fail();

  bool complete() const;
  bool failed() const;
  std::int64_t totalFrames() const;  // -1 until complete
  // The frame the packet starting at byte `pos` decodes to, if it is a known packet start.
  std::optional<std::int64_t> frameAt(std::int64_t pos) const;
  // The last point at or before `frame` that is not the source's first packet.
  std::optional<Point> pointBefore(std::int64_t frame) const;
  // Blocks until the index reaches `frame`, is complete or failed, `cancel` is set or
  // `timeoutMs` passes; true when `frame` is covered or the index is complete.
  bool waitFor(std::int64_t frame, const CancelFlag* cancel, int timeoutMs) const;
  std::size_t size() const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Point> points_;
  std::int64_t counted_ = 0;
  std::int64_t total_ = -1;
  bool failed_ = false;
};

class Decoder {
 public:
  // Opens `location` (a local path or a URL; a .ram text is followed to its first entry that
  // opens) and decodes up to the first frame. Blocks on the file or the network; `cancel`
  // makes it give up. Returns null with *error saying why when it cannot be played.
  static std::unique_ptr<Decoder> open(const std::string& location, const CancelFlag* cancel,
                                       Failure* error);
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

// Reads `url` (a SourceInfo::url) once from start to end without decoding where the codec
// allows, and fills `index` with seek points and finally the exact length. Runs on its own
// thread; returns soon after `cancel` is set (the index is then failed).
void scanSource(const std::string& url, SeekIndex& index, const CancelFlag& cancel);

}  // namespace tessaly::audio
