// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/SpeechStretch.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace tessaly::audio {

static_assert(std::is_same_v<soundtouch::SAMPLETYPE, float>, "the speech engine is fed float samples");

SpeechStretch::SpeechStretch(int sampleRate, int channels, SpeechTuning tuning)
    : channels_(channels), touch_(std::make_unique<soundtouch::SoundTouch>()) {
  touch_->setSampleRate(static_cast<unsigned>(sampleRate));
  touch_->setChannels(static_cast<unsigned>(channels));
  // Fixed sequences rather than the library's tempo-dependent ones: what suits speech at
  // every speed, and an alignment that does not move with the speed. The full search (not
  // the quick one) finds the pitch period's match; the anti-alias filter only serves a rate
  // change, which is never made here.
  touch_->setSetting(SETTING_SEQUENCE_MS, tuning.sequenceMs);
  touch_->setSetting(SETTING_SEEKWINDOW_MS, tuning.seekWindowMs);
  touch_->setSetting(SETTING_OVERLAP_MS, tuning.overlapMs);
  touch_->setSetting(SETTING_USE_QUICKSEEK, 0);
  touch_->setSetting(SETTING_USE_AA_FILTER, 0);
  touch_->setPitch(1.0);
  touch_->setRate(1.0);
  touch_->setTempo(1.0);
  // One sequence and its search window before the start: the first sequence that stands for
  // the start frame is then laid over real sound, as every later one is.
  history_ = static_cast<int>(std::lround((tuning.sequenceMs + tuning.seekWindowMs) * sampleRate / 1000.0));
  sequence_ = tuning.sequenceMs * sampleRate / 1000.0;
}

SpeechStretch::~SpeechStretch() = default;

void SpeechStretch::restart(double speed) {
  touch_->clear();
  speed_ = speed;
  touch_->setTempo(speed);
  // The library's output begins where its input began (it skips its own first overlap), so
  // the output that stands for the history is the history's length at the speed. Within a
  // sequence, though, the input runs at 1.0: output j frames into a sequence stands for j
  // input frames on from the sequence's place, not j × speed. Slowed, the sound comes on
  // average sequence × (1 − speed) / 2 input frames early (20 ms of output at 0.5): that much
  // less is dropped, so the sound is centred on its promised time, and the surplus at the end
  // is cut. Sped up it comes as much late (10 ms at 2.0); that is left, since dropping more
  // would end the stretch on silence.
  early_ = speed < 1.0 ? sequence_ * (1.0 - speed) / 2.0 / speed : 0.0;
  toDrop_ = static_cast<int>(std::lround(history_ / speed - early_));
  last_ = false;
  due_ = 0;
  given_ = 0;
}

int SpeechStretch::historyFrames() const { return history_; }

void SpeechStretch::prime(const float* in, int frames) {
  frames = std::clamp(frames, 0, history_);
  // Near the file's start there is less history than a sequence and its window. No silence
  // is put before it: within a sequence the input runs at 1.0, so output meant for the
  // start frame would be made of that silence (a dropout at every speed but 1.0). The
  // stretch then begins on what there is, and only its output is dropped.
  if (frames < history_) toDrop_ = static_cast<int>(std::max(0L, std::lround(frames / speed_ - early_)));
  if (frames > 0) touch_->putSamples(in, static_cast<unsigned>(frames));
}

void SpeechStretch::setSpeed(double speed) {
  if (speed == speed_) return;
  speed_ = speed;
  touch_->setTempo(speed);
}

int SpeechStretch::wanted() const {
  // One processing step's input, less what already waits in the pipeline.
  const int step = touch_->getSetting(SETTING_NOMINAL_INPUT_SEQUENCE);
  return std::max(1, step - static_cast<int>(touch_->numUnprocessedSamples()));
}

void SpeechStretch::feed(const float* in, int frames, bool last) {
  due_ += frames / speed_;
  if (frames > 0) touch_->putSamples(in, static_cast<unsigned>(frames));
  // The library's flush pads its input with silence until its last samples are out; take()
  // cuts what it gives beyond the frames due.
  if (last && !last_) touch_->flush();
  last_ = last_ || last;
}

int SpeechStretch::available() const {
  // Never more than the input stands for: after a speed change the library stretches what it
  // still holds at the new speed, and the output must not run ahead of the count.
  const long long ready = std::min<long long>(static_cast<long long>(touch_->numSamples()) - toDrop_,
                                              std::llround(due_) - given_);
  return static_cast<int>(std::max<long long>(0, ready));
}

int SpeechStretch::take(float* out, int maxFrames) {
  // The output that stands for the history goes first, unheard.
  std::vector<float> dropped;
  while (toDrop_ > 0 && touch_->numSamples() > 0) {
    dropped.resize(static_cast<std::size_t>(std::min(toDrop_, 4096)) * channels_);
    toDrop_ -= static_cast<int>(touch_->receiveSamples(dropped.data(), static_cast<unsigned>(dropped.size() / channels_)));
  }
  if (toDrop_ > 0 && !last_) return 0;
  // After the last feed the output is made exactly as long as the input at its speeds: the
  // library's tail is cut, or a shortfall of a few frames made up with silence.
  // Before it, never more than the input so far stands for (see available()).
  maxFrames = static_cast<int>(std::clamp<long long>(std::llround(due_) - given_, 0, maxFrames));
  int done = toDrop_ > 0 ? 0 : static_cast<int>(touch_->receiveSamples(out, static_cast<unsigned>(std::max(0, maxFrames))));
  if (last_ && done < maxFrames) {
    std::fill(out + static_cast<std::ptrdiff_t>(done) * channels_, out + static_cast<std::ptrdiff_t>(maxFrames) * channels_,
              0.0f);
    done = maxFrames;
  }
  given_ += done;
  return done;
}

bool SpeechStretch::finished() const { return last_ && given_ >= std::llround(due_); }

}  // namespace tessaly::audio
