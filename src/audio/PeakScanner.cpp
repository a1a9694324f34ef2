#include "audio/PeakScanner.h"

#include <functional>
#include <vector>

#include "audio/Decoder.h"

namespace tessaly::audio {

namespace {
constexpr std::size_t kProgressBuckets = 2000;  // 10 s of sound between hand-overs
}

PeakScanner::~PeakScanner() { stop(); }

void PeakScanner::stop() {
  cancel_.store(true);
  if (thread_.joinable()) thread_.join();
  cancel_.store(false);
}

std::uint32_t PeakScanner::start(const std::string& location) {
  stop();
  const std::uint32_t serial = ++serial_;
  {
    std::lock_guard lock(mutex_);
    resultSerial_ = serial;
    result_ = {};
    finished_ = false;
  }
  thread_ = std::thread([this, location, serial] {
    std::size_t published = 0;
    const auto publish = [&](const PeakTable& table, bool finished) {
      std::lock_guard lock(mutex_);
      if (serial != resultSerial_) return;  // a newer scan has begun: this one's news is stale
      result_.bucketMs = table.bucketMs;
      result_.buckets.insert(result_.buckets.end(), table.buckets.begin() + static_cast<std::ptrdiff_t>(published),
                             table.buckets.end());
      published = table.buckets.size();
      finished_ = finished;
    };
    const PeakTable all = scan(location, &cancel_, [&](const PeakTable& sofar) { publish(sofar, false); });
    if (!cancel_.load()) publish(all, true);
  });
  return serial;
}

bool PeakScanner::take(std::uint32_t serial, PeakTable& table) const {
  std::lock_guard lock(mutex_);
  if (serial != resultSerial_) return true;
  table.bucketMs = result_.bucketMs;
  if (table.buckets.size() < result_.buckets.size())
    table.buckets.insert(table.buckets.end(), result_.buckets.begin() + static_cast<std::ptrdiff_t>(table.buckets.size()),
                         result_.buckets.end());
  return finished_;
}

PeakTable PeakScanner::scan(const std::string& location, const std::atomic<bool>* cancel,
                            const std::function<void(const PeakTable&)>& progress) {
  PeakTable table;
  std::string error;
  auto decoder = Decoder::open(location, cancel, &error);
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

}  // namespace tessaly::audio
