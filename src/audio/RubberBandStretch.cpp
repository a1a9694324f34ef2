// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/RubberBandStretch.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>

namespace tessaly::audio {

namespace {

using RubberBand::RubberBandStretcher;

// Real time (the speed may change while playing), the R3 engine with its shorter window for a
// quicker answer to a speed change, formants kept so voices keep their timbre, channels
// together so a stereo image stays put; all on the calling thread, so that what is available
// after a feed is all there will be.
constexpr RubberBandStretcher::Options kOptions = RubberBandStretcher::OptionProcessRealTime |
                                                  RubberBandStretcher::OptionEngineFiner |
                                                  RubberBandStretcher::OptionWindowShort |
                                                  RubberBandStretcher::OptionFormantPreserved |
                                                  RubberBandStretcher::OptionChannelsTogether |
                                                  RubberBandStretcher::OptionThreadingNever;

constexpr int kChunk = 1024;  // frames handed to the library at a time

}  // namespace

RubberBandStretch::RubberBandStretch(int sampleRate, int channels)
    : channels_(channels),
      stretcher_(std::make_unique<RubberBandStretcher>(static_cast<std::size_t>(sampleRate),
                                                       static_cast<std::size_t>(channels), kOptions, 1.0, 1.0)),
      planes_(static_cast<std::size_t>(channels), std::vector<float>(kChunk)) {
  stretcher_->setMaxProcessSize(kChunk);
}

RubberBandStretch::~RubberBandStretch() = default;

void RubberBandStretch::restart(double speed) {
  stretcher_->reset();
  speed_ = speed;
  stretcher_->setTimeRatio(1.0 / speed);
  toDrop_ = static_cast<int>(stretcher_->getStartDelay());
  last_ = false;
  due_ = 0;
  given_ = 0;
}

int RubberBandStretch::historyFrames() const { return static_cast<int>(stretcher_->getPreferredStartPad()); }

void RubberBandStretch::prime(const float* in, int frames) {
  std::vector<float> silence(static_cast<std::size_t>(std::max(0, historyFrames() - frames)) * channels_, 0.0f);
  process(silence.data(), static_cast<int>(silence.size()) / channels_, false);
  process(in, frames, false);
}

void RubberBandStretch::setSpeed(double speed) {
  if (speed == speed_) return;
  speed_ = speed;
  stretcher_->setTimeRatio(1.0 / speed);
}

int RubberBandStretch::wanted() const { return std::max<int>(1, static_cast<int>(stretcher_->getSamplesRequired())); }

void RubberBandStretch::feed(const float* in, int frames, bool last) {
  due_ += frames / speed_;
  if (last && frames == 0) {
    // The library flushes its tail only with samples in the final call: one silent frame.
    const std::vector<float> silence(static_cast<std::size_t>(channels_), 0.0f);
    process(silence.data(), 1, true);
  } else {
    process(in, frames, last);
  }
  last_ = last_ || last;
}

void RubberBandStretch::process(const float* in, int frames, bool last) {
  do {
    const int n = std::min(frames, kChunk);
    for (int c = 0; c < channels_; ++c)
      for (int i = 0; i < n; ++i) planes_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = in[i * channels_ + c];
    float* planes[2] = {planes_[0].data(), channels_ > 1 ? planes_[1].data() : nullptr};
    stretcher_->process(planes, static_cast<std::size_t>(n), last && n == frames);
    in += static_cast<std::ptrdiff_t>(n) * channels_;
    frames -= n;
  } while (frames > 0);
}

int RubberBandStretch::available() const {
  const int ready = std::max(0, stretcher_->available());
  return std::max(0, ready - toDrop_);
}

int RubberBandStretch::take(float* out, int maxFrames) {
  // After the last feed the output is made exactly as long as the input at its speeds: the
  // library's own tail is cut, or a shortfall of a few frames made up with silence.
  const long long due = std::llround(due_);
  if (last_) maxFrames = static_cast<int>(std::clamp<long long>(due - given_, 0, maxFrames));
  int done = 0;
  while (done < maxFrames) {
    const int ready = std::max(0, stretcher_->available());
    if (ready == 0) break;
    const int n = std::min({ready, kChunk, toDrop_ > 0 ? toDrop_ : maxFrames - done});
    float* planes[2] = {planes_[0].data(), channels_ > 1 ? planes_[1].data() : nullptr};
    const int got = static_cast<int>(stretcher_->retrieve(planes, static_cast<std::size_t>(n)));
    if (got <= 0) break;
    if (toDrop_ > 0) {  // the start delay: output that stands for the history
      toDrop_ -= got;
      continue;
    }
    for (int i = 0; i < got; ++i)
      for (int c = 0; c < channels_; ++c)
        out[(done + i) * channels_ + c] = planes_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
    done += got;
  }
  if (last_ && done < maxFrames && stretcher_->available() <= 0) {
    std::fill(out + static_cast<std::ptrdiff_t>(done) * channels_, out + static_cast<std::ptrdiff_t>(maxFrames) * channels_,
              0.0f);
    done = maxFrames;
  }
  given_ += done;
  return done;
}

bool RubberBandStretch::finished() const { return last_ && given_ >= std::llround(due_); }

}  // namespace tessaly::audio
