// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/SeekIndex.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace tessaly::audio {

using Clock = std::chrono::steady_clock;

void SeekIndex::append(const std::vector<Point>& points, std::int64_t framesCounted) {
  {
    std::lock_guard lock(mutex_);
    points_.insert(points_.end(), points.begin(), points.end());
    counted_ = framesCounted;
  }
  changed_.notify_all();
}

void SeekIndex::finish(std::int64_t totalFrames) {
  {
    std::lock_guard lock(mutex_);
    counted_ = total_ = totalFrames;
  }
  changed_.notify_all();
}

void SeekIndex::fail() {
  {
    std::lock_guard lock(mutex_);
    failed_ = true;
  }
  changed_.notify_all();
}

bool SeekIndex::complete() const {
  std::lock_guard lock(mutex_);
  return total_ >= 0;
}

bool SeekIndex::failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

std::int64_t SeekIndex::totalFrames() const {
  std::lock_guard lock(mutex_);
  return total_;
}

std::size_t SeekIndex::size() const {
  std::lock_guard lock(mutex_);
  return points_.size();
}

std::optional<std::int64_t> SeekIndex::frameAt(std::int64_t pos) const {
  std::lock_guard lock(mutex_);
  const auto it = std::lower_bound(points_.begin(), points_.end(), pos,
                                   [](const Point& p, std::int64_t v) { return p.pos < v; });
  if (it == points_.end() || it->pos != pos) return std::nullopt;
  return it->frame;
}

std::optional<SeekIndex::Point> SeekIndex::pointBefore(std::int64_t frame) const {
  std::lock_guard lock(mutex_);
  const auto it = std::upper_bound(points_.begin(), points_.end(), frame,
                                   [](std::int64_t v, const Point& p) { return v < p.frame; });
  if (it == points_.begin()) return std::nullopt;
  return *std::prev(it);
}

bool SeekIndex::waitFor(std::int64_t frame, const CancelFlag* cancel, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (total_ >= 0 || counted_ > frame) return true;
    if (failed_ || (cancel && cancel->load())) return false;
    if (changed_.wait_until(lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(20))) ==
            std::cv_status::timeout &&
        Clock::now() >= deadline)
      return total_ >= 0 || counted_ > frame;
  }
}

}  // namespace tessaly::audio
