// SPDX-License-Identifier: GPL-3.0-or-later
// The seek points of one source and its exact length, found by the length scan
// (audio/LengthScan.h) while the decoder seeks with what is known so far.
//
// Threads: the one piece of a source shared between threads: the scan fills it on its own
// thread while the engine's worker reads it; its own mutex guards it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace tessaly::audio {

// Set from another thread to make an open, a read or a scan give up soon.
using CancelFlag = std::atomic<bool>;

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

}  // namespace tessaly::audio
