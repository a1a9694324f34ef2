// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/PeriodStretch.h"

#include <algorithm>
#include <cmath>

namespace tessaly::audio {

namespace {

int framesOf(double ms, int rate) { return std::max(1, static_cast<int>(std::lround(ms * rate / 1000.0))); }

}  // namespace

PeriodStretch::PeriodStretch(int sampleRate, int channels, PeriodTuning tuning)
    : rate_(sampleRate),
      channels_(channels),
      tuning_(tuning),
      // The searches run first on the mix at about 11 kHz, then on the mix itself a few
      // coarse samples either side of what they found.
      coarse_(std::max(1, static_cast<int>(std::lround(sampleRate / 11025.0)))),
      match_(framesOf(tuning.matchMs, sampleRate)),
      shortestPeriod_(std::max(2, static_cast<int>(sampleRate / tuning.highestHz))),
      longestPeriod_(static_cast<int>(std::ceil(sampleRate / tuning.lowestHz))),
      longestHop_(
          std::max(framesOf(tuning.voicedHopMs, sampleRate) + longestPeriod_, framesOf(tuning.unvoicedHopMs, sampleRate))),
      widestSeek_(std::max(static_cast<int>(std::lround(tuning.voicedSeekPeriods * longestPeriod_)) + 1,
                           static_cast<int>(std::lround(tuning.unvoicedSeekMs * sampleRate / 1000.0)))),
      // A step and its search before the start: the first step, laid about the start frame,
      // then finds its sound among real file frames.
      history_(longestHop_ + widestSeek_ + 2 * coarse_) {
  restart(1.0);
}

void PeriodStretch::restart(double speed) {
  speed_ = speed;
  spans_.assign(1, Span{0, 0.0, speed});
  base_ = 0;
  in_.clear();
  mix_.clear();
  rough_.clear();
  fed_ = next_ = made_ = 0;
  out_.clear();
  outAt_ = 0;
  last_ = false;
  due_ = 0;
  given_ = 0;
}

void PeriodStretch::prime(const float* in, int frames) {
  // Near the file's start there is less history; the stretch then begins on what there is,
  // with no silence put before it.
  const int kept = std::clamp(frames, 0, history_);
  if (kept > 0) append(in + static_cast<std::ptrdiff_t>(frames - kept) * channels_, kept);
  next_ = fed_;
  spans_.assign(1, Span{fed_, 0.0, speed_});
}

void PeriodStretch::append(const float* in, int frames) {
  const std::size_t at = in_.size();
  if (in) in_.insert(in_.end(), in, in + static_cast<std::ptrdiff_t>(frames) * channels_);
  else in_.resize(at + static_cast<std::size_t>(frames) * channels_, 0.0f);
  for (int i = 0; i < frames; ++i) {
    float sum = 0;
    for (int c = 0; c < channels_; ++c) sum += in_[at + static_cast<std::size_t>(i * channels_ + c)];
    mix_.push_back(sum / static_cast<float>(channels_));
  }
  fed_ += frames;
  // Each coarse sample the mean of two coarse frames' worth: less of what lies above the
  // coarse rate folds back into it.
  while (static_cast<long long>(rough_.size() + 2) * coarse_ <= static_cast<long long>(mix_.size())) {
    const std::size_t from = rough_.size() * static_cast<std::size_t>(coarse_);
    float sum = 0;
    for (int i = 0; i < 2 * coarse_; ++i) sum += mix_[from + static_cast<std::size_t>(i)];
    rough_.push_back(sum / static_cast<float>(2 * coarse_));
  }
}

double PeriodStretch::placeOf(double out, double* speed) const {
  auto span = spans_.end() - 1;
  while (span != spans_.begin() && span->out > out) --span;
  if (speed) *speed = span->speed;
  return static_cast<double>(span->in) + (out - span->out) * span->speed;
}

long long PeriodStretch::reach() const {
  // The period sought from where the last step left off, the step's sound sought and laid
  // down near where it is due; and the coarse mix, two coarse frames behind the mix, beyond.
  const double place = placeOf(static_cast<double>(made_), nullptr);
  return std::max(next_ + longestPeriod_, static_cast<long long>(std::ceil(place)) + widestSeek_ + longestHop_) + match_ +
         5 * coarse_;
}

int PeriodStretch::wanted() const { return static_cast<int>(std::max<long long>(1, reach() - fed_)); }

void PeriodStretch::feed(const float* in, int frames, bool last) {
  if (speed_ != spans_.back().speed) {
    if (spans_.back().in == fed_) spans_.pop_back();
    spans_.push_back(Span{fed_, due_, speed_});
  }
  due_ += frames / speed_;
  if (frames > 0 && !last_) append(in, frames);
  if (last && !last_) {
    // After the last frame the steps run on into silence until the output is complete.
    last_ = true;
    append(nullptr, static_cast<int>(reach() - fed_) + longestHop_);
  }
  run();
}

void PeriodStretch::run() {
  while ((!last_ || made_ < std::llround(due_)) && step()) {
  }
  forget();
}

bool PeriodStretch::step() {
  if (reach() > fed_) {
    if (!last_) return false;
    append(nullptr, static_cast<int>(reach() - fed_) + longestHop_);
  }
  const long long from = next_;
  const auto at = [&](long long frame) { return static_cast<std::size_t>(frame - base_); };

  // How the sound repeats where the last step left off: coarsely, then to the frame.
  const Period coarse = findPeriod(rough_.data() + at(from) / coarse_, match_ / coarse_,
                                   std::max(1, shortestPeriod_ / coarse_), longestPeriod_ / coarse_ + 1, 0.9);
  Period period;
  if (coarse.lag > 0) {
    const int lo = std::max(shortestPeriod_, (coarse.lag - 2) * coarse_);
    const int hi = std::min(longestPeriod_ + coarse_, (coarse.lag + 2) * coarse_);
    period = findPeriod(mix_.data() + at(from), match_, lo, hi, 1.0);
  }
  Step next = stepFor(period, rate_, tuning_);

  // Centred on its promised place: the step's middle stands where the speed puts it.
  double speed = 1.0;
  const double place = placeOf(static_cast<double>(made_), &speed);
  // Over its crossfade a step still sounds partly where the last one left off: on average a
  // share `behind` of the step. It is laid the further the other way, so that what it sounds
  // like stands, on average, where it is due.
  const double behind = next.overlap / (2.0 * next.hop);
  const double due = (place + (speed - 1.0) * next.hop / 2.0 - behind * static_cast<double>(from)) / (1.0 - behind);
  const long long lo = std::max<long long>(base_, static_cast<long long>(std::floor(due)) - next.seek);
  const long long hi = std::max(lo, static_cast<long long>(std::ceil(due)) + next.seek);
  const long long prefer = std::clamp(std::llround(due), lo, hi);
  // Sped up, a step that fell behind is laid further on than reach() allowed for.
  const long long needs = std::max(hi + match_, hi + next.hop) + 5 * coarse_;
  if (needs > fed_) {
    if (!last_) return false;
    append(nullptr, static_cast<int>(needs - fed_));
  }
  long long to = prefer;
  if (hi - lo > 2 * coarse_) {
    // The coarse mix is compared from the coarse frame holding `from`, `shift` frames before
    // it: a coarse match at c stands for the frame c × coarse + shift.
    const long long roughBase = base_ / coarse_, shift = from % coarse_;
    const long long coarseLo = std::max(roughBase, (lo - shift + coarse_ - 1 + coarse_) / coarse_ - 1);
    const long long coarseHi = std::max(coarseLo, (hi - shift + coarse_) / coarse_ - 1);
    const float* rough = rough_.data() - roughBase;  // indexed by coarse frame
    const long long found = coarseLo + bestMatch(rough + from / coarse_, rough + coarseLo, 0,
                                                 static_cast<int>(coarseHi - coarseLo), match_ / coarse_,
                                                 static_cast<int>((prefer - shift) / coarse_ - coarseLo));
    const long long centre = found * coarse_ + shift;
    const long long fineLo = std::clamp(centre - 3 * coarse_, lo, hi), fineHi = std::clamp(centre + 3 * coarse_, lo, hi);
    to = fineLo + bestMatch(mix_.data() + at(from), mix_.data() + at(fineLo), 0, static_cast<int>(fineHi - fineLo), match_,
                            static_cast<int>(std::clamp(prefer, fineLo, fineHi) - fineLo));
  } else if (hi > lo) {
    to = lo + bestMatch(mix_.data() + at(from), mix_.data() + at(lo), 0, static_cast<int>(hi - lo), match_,
                        static_cast<int>(prefer - lo));
  }

  // The crossfade from the sound the last step ran on into the step's own, then the rest.
  const std::size_t outFrom = out_.size();
  out_.resize(outFrom + static_cast<std::size_t>(next.hop) * channels_);
  float* out = out_.data() + outFrom;
  const float* old = in_.data() + at(from) * channels_;
  const float* now = in_.data() + at(to) * channels_;
  const int fade = to == from ? 0 : next.overlap;
  const double alike = fade > 0 ? likeness(mix_.data() + at(from), mix_.data() + at(to), fade) : 1.0;
  for (int i = 0; i < fade; ++i) {
    const float w = fadeIn(i, fade);
    const float gain = crossfadeGain(w, alike);
    for (int c = 0; c < channels_; ++c) {
      const std::size_t k = static_cast<std::size_t>(i * channels_ + c);
      out[k] = gain * (old[k] + w * (now[k] - old[k]));
    }
  }
  std::copy(now + static_cast<std::ptrdiff_t>(fade) * channels_, now + static_cast<std::ptrdiff_t>(next.hop) * channels_,
            out + static_cast<std::ptrdiff_t>(fade) * channels_);
  next_ = to + next.hop;
  made_ += next.hop;
  return true;
}

void PeriodStretch::forget() {
  // File frames no step will read again: before both the last step's end and the earliest
  // place the next search may look.
  const double place = placeOf(static_cast<double>(made_), nullptr);
  long long keep = std::min(next_, static_cast<long long>(std::floor(place)) - 2 * (longestHop_ + widestSeek_)) -
                   2 * coarse_;
  keep = keep / coarse_ * coarse_;
  if (keep - base_ >= rate_) {
    const auto drop = static_cast<std::size_t>(keep - base_);
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(drop) * channels_);
    mix_.erase(mix_.begin(), mix_.begin() + static_cast<std::ptrdiff_t>(drop));
    rough_.erase(rough_.begin(), rough_.begin() + static_cast<std::ptrdiff_t>(drop / coarse_));
    base_ = keep;
  }
  while (spans_.size() > 1 && spans_[1].out <= static_cast<double>(made_)) spans_.erase(spans_.begin());
  if (outAt_ > 65536) {
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(outAt_));
    outAt_ = 0;
  }
}

int PeriodStretch::available() const {
  const long long ready = static_cast<long long>((out_.size() - outAt_) / channels_);
  return static_cast<int>(std::clamp<long long>(std::llround(due_) - given_, 0, ready));
}

int PeriodStretch::take(float* out, int maxFrames) {
  const int n = std::min(std::max(0, maxFrames), available());
  std::copy(out_.begin() + static_cast<std::ptrdiff_t>(outAt_),
            out_.begin() + static_cast<std::ptrdiff_t>(outAt_ + static_cast<std::size_t>(n) * channels_), out);
  outAt_ += static_cast<std::size_t>(n) * channels_;
  given_ += n;
  return n;
}

bool PeriodStretch::finished() const { return last_ && given_ >= std::llround(due_); }

}  // namespace tessaly::audio
