// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveform/engine/PeakScanner.h"

#include <functional>
#include <vector>

#include "audio/Decoder.h"

namespace tessaly {

using audio::Decoder;
using audio::SourceInfo;

namespace {
constexpr std::size_t kProgressBuckets = 2000;  // 10 s of sound between hand-overs
}

std::uint32_t PeakScanner::start(const std::string& location) {
  return scan_.start([location](const std::atomic<bool>& cancel, const auto& publish) {
    std::size_t published = 0;  // buckets already handed over: only the new ones are copied
    const auto handOver = [&](const PeakTable& table, bool finished) {
      publish(
          [&](PeakTable& result) {
            result.bucketMs = table.bucketMs;
            result.buckets.insert(result.buckets.end(), table.buckets.begin() + static_cast<std::ptrdiff_t>(published),
                                  table.buckets.end());
          },
          finished);
      published = table.buckets.size();
    };
    const PeakTable all = scan(location, &cancel, [&](const PeakTable& sofar) { handOver(sofar, false); });
    if (!cancel.load()) handOver(all, true);
  });
}

bool PeakScanner::take(std::uint32_t serial, PeakTable& table) const {
  bool finished = true;  // a scan that is not the newest has nothing more to give
  scan_.read(serial, [&](const PeakTable& result, bool done) {
    table.bucketMs = result.bucketMs;
    if (table.buckets.size() < result.buckets.size())
      table.buckets.insert(table.buckets.end(), result.buckets.begin() + static_cast<std::ptrdiff_t>(table.buckets.size()),
                           result.buckets.end());
    finished = done;
  });
  return finished;
}

PeakTable PeakScanner::scan(const std::string& location, const std::atomic<bool>* cancel,
                            const std::function<void(const PeakTable&)>& progress) {
  PeakTable table;
  auto decoder = Decoder::open(location, cancel, nullptr);
  if (!decoder) return table;
  const SourceInfo info = decoder->info();
  const int frames = peakBucketFrames(info.sampleRate);
  table.bucketMs = frames * 1000.0 / info.sampleRate;
  std::vector<float> block(static_cast<std::size_t>(frames) * static_cast<std::size_t>(info.channels));
  for (;;) {
    if (cancel && cancel->load()) return {};
    // A bucket may come in more than one read at the end of a packet.
    int got = 0;
    while (got < frames) {
      const int n = decoder->read(block.data() + static_cast<std::size_t>(got) * static_cast<std::size_t>(info.channels),
                                  frames - got);
      if (n <= 0) break;
      got += n;
    }
    if (got <= 0) break;
    table.buckets.push_back(peakOf(block.data(), got, info.channels));
    if (progress && table.buckets.size() % kProgressBuckets == 0) progress(table);
    if (got < frames) break;
  }
  return table;
}

}  // namespace tessaly
