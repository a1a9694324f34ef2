// SPDX-License-Identifier: GPL-3.0-or-later
#include "shadow/engine/Shadowing.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "audio/Decoder.h"
#include "audio/Output.h"
#include "check/Check.h"
#include "check/SharedCheckTables.h"
#include "pitch/Pitch.h"
#include "shadow/TakeEnd.h"
#include "shadow/TakeJudge.h"
#include "shadow/engine/TakeStore.h"
#include "text/FileIdentity.h"

namespace tessaly {

using audio::Capture;
using audio::CapturedTake;
using audio::CaptureFailure;
using audio::Decoder;
using audio::kTakeRate;
using audio::Output;
using audio::readMono;
using audio::Renderer;

namespace {

// `in` at `from` Hz, at kTakeRate.
std::vector<float> toTakeRate(const std::vector<float>& in, int from) {
  if (from == kTakeRate || in.empty()) return in;
  SwrContext* convert = nullptr;
  AVChannelLayout mono{};
  av_channel_layout_default(&mono, 1);
  swr_alloc_set_opts2(&convert, &mono, AV_SAMPLE_FMT_FLT, kTakeRate, &mono, AV_SAMPLE_FMT_FLT, from, 0, nullptr);
  std::vector<float> out;
  if (convert && swr_init(convert) >= 0) {
    out.resize(static_cast<std::size_t>(swr_get_out_samples(convert, static_cast<int>(in.size()))) + 256);
    const std::uint8_t* src[] = {reinterpret_cast<const std::uint8_t*>(in.data())};
    std::uint8_t* dst[] = {reinterpret_cast<std::uint8_t*>(out.data())};
    int made = swr_convert(convert, dst, static_cast<int>(out.size()), src, static_cast<int>(in.size()));
    made = std::max(made, 0);
    std::uint8_t* rest[] = {reinterpret_cast<std::uint8_t*>(out.data() + made)};
    const int tail = swr_convert(convert, rest, static_cast<int>(out.size()) - made, nullptr, 0);
    out.resize(static_cast<std::size_t>(made + std::max(tail, 0)));
  }
  swr_free(&convert);
  av_channel_layout_uninit(&mono);
  return out;
}

// What the take's tags keep of its comparison.
// Why the microphone gave no whole take, in the learner's words ("" when it did).
std::string inWords(CaptureFailure failure) {
  switch (failure) {
    case CaptureFailure::None: return {};
    case CaptureFailure::NoSoundSystem: return "无法使用声音设备，不能录音。";
    case CaptureFailure::NoMicrophone: return "没有找到麦克风（录音设备），不能跟读录音。";
    case CaptureFailure::CannotConvert: return "无法转换录音的采样率。";
    case CaptureFailure::DeviceStopped: return "录音设备停止工作了，这次跟读只录到一部分。";
  }
  return "录音设备出了问题，不能跟读录音。";
}

std::string tagOf(const TakeRequest& request, const pitch::TakeScore& score) {
  char line[160];
  std::snprintf(line, sizeof line, "tessaly 跟读 %.0f-%.0f ms: %d 分 (length %.2f, shape %.2f, range %.1f st)",
                request.startMs, request.endMs, score.score, score.lengthRatio, score.shape, score.rangeSt);
  std::string tag = line;
  for (const std::string& r : score.reasons) tag += "; " + r;
  return tag;
}

}  // namespace

// The sentence and the take, pass by pass, at kTakeRate mono. Filled before it is attached
// and not again until it is detached; the output's thread only reads it and moves position_.
class Shadowing::Sound final : public Renderer {
 public:
  struct Part {
    Hearing::Part part;
    int pass;
    std::size_t end;  // the frame it ends at
  };

  void set(std::vector<float> samples, std::vector<Part> parts, int passes) {
    samples_ = std::move(samples);
    parts_ = std::move(parts);
    passes_ = passes;
    position_.store(0);
  }
  void render(float* out, int frames, int channels) override {
    std::size_t at = position_.load(std::memory_order_relaxed);
    for (int i = 0; i < frames; ++i, ++at)
      for (int c = 0; c < channels; ++c)
        out[static_cast<std::size_t>(i) * channels + c] = at < samples_.size() ? samples_[at] : 0.0f;
    position_.store(std::min(at, samples_.size()), std::memory_order_relaxed);
  }
  Hearing hearing() const {
    const std::size_t at = position_.load(std::memory_order_relaxed);
    for (const Part& p : parts_)
      if (at < p.end) return {p.part, p.pass, passes_};
    return {};
  }

 private:
  std::vector<float> samples_;
  std::vector<Part> parts_;
  int passes_ = 0;
  std::atomic<std::size_t> position_{0};
};

Shadowing::Shadowing(Output& output, std::string takesFolder, std::uintmax_t capBytes, std::string readingsPath)
    : output_(output),
      takesFolder_(std::move(takesFolder)),
      readingsPath_(std::move(readingsPath)),
      capBytes_(capBytes),
      sound_(std::make_shared<Sound>()),
      hearer_(std::make_unique<BackgroundWorker<bool>>()) {}

Shadowing::~Shadowing() {
  hearer_.reset();  // an attach under way ends first (at exit only: nothing else waits on it)
  if (attached_) output_.detach(attached_.get());
  capture_.stop();
}

std::string Shadowing::startTake(const TakeRequest& request) {
  if (state() != TakeState::Idle) return "上一遍跟读还没有结束。";
  TakeEndOptions options;
  options.longestMs = request.longestMs > 0 ? request.longestMs : options.longestMs;
  capture_.start(TakeEnd(options, kTakeRate));
  serial_ = worker_.start([this, request](const std::atomic<bool>& cancel, const auto& publish) {
    // The sentence is read while the learner speaks.
    Compared result;
    Failure failure;
    if (auto decoder = Decoder::open(request.recording, nullptr, &failure))
      result.original = toTakeRate(readMono(*decoder, request.startMs, request.endMs), decoder->info().sampleRate);
    // Nothing but the end of the engine cancels this job, and it stops the capture first.
    CapturedTake take = capture_.awaitTake();
    if (cancel.load()) return;
    result.take = std::move(take.samples);
    TakeComparison& c = result.comparison;
    c.failure = takeRefusal(inWords(take.failure), result.original.size(), result.take.size(), kTakeRate);
    if (c.failure.empty()) {
      if (!tablesTried_) {  // read once, on the first comparison
        tablesTried_ = true;
        if (!readingsPath_.empty()) tables_ = sharedCheckTables(readingsPath_);
      }
      c = judgeTake(request, result.original, result.take, kTakeRate,
                    tables_ && tables_->loaded ? &tables_->tables.readings : nullptr);
      if (c.compared) {
        TakeStore::Kept kept = TakeStore(takesFolder_, capBytes_)
                                   .keep(identityOf(request.recording).hash, static_cast<std::int32_t>(request.startMs),
                                         result.take, kTakeRate, tagOf(request, c.score));
        c.takePath = std::move(kept.path);
        c.unkept = std::move(kept.failure);
      }
    }
    publish([&](Compared& published) { published = std::move(result); }, true);
  });
  return {};
}

void Shadowing::stopTake() { capture_.stop(); }

TakeState Shadowing::state() const {
  if (capture_.capturing()) return capture_.recording() ? TakeState::Recording : TakeState::Starting;
  return serial_ != 0 ? TakeState::Comparing : TakeState::Idle;
}

std::optional<TakeComparison> Shadowing::takeComparison() {
  if (serial_ == 0) return std::nullopt;
  std::optional<Compared> done = worker_.take(serial_);
  if (!done) return std::nullopt;
  serial_ = 0;
  // A take that could not be compared changes nothing: the last one is still the one heard.
  if (done->comparison.compared) {
    original_ = std::move(done->original);
    take_ = std::move(done->take);
  }
  return std::move(done->comparison);
}

bool Shadowing::hear(bool original, int passes, int pauseMs) {
  stopHearing();
  if (take_.empty()) return false;
  std::vector<float> samples;
  std::vector<Sound::Part> parts;
  const std::size_t pause = static_cast<std::size_t>(std::max(0, pauseMs)) * kTakeRate / 1000;
  const std::size_t between = original ? kTakeRate / 2 : 0;  // half a second from the speaker to the take
  passes = std::max(1, passes);
  for (int pass = 1; pass <= passes; ++pass) {
    if (original) {
      samples.insert(samples.end(), original_.begin(), original_.end());
      parts.push_back({Hearing::Part::Original, pass, samples.size()});
      samples.resize(samples.size() + between);
      parts.push_back({Hearing::Part::Pause, pass, samples.size()});
    }
    samples.insert(samples.end(), take_.begin(), take_.end());
    parts.push_back({Hearing::Part::Take, pass, samples.size()});
    if (pass < passes && pause > 0) {
      samples.resize(samples.size() + pause);
      parts.push_back({Hearing::Part::Pause, pass, samples.size()});
    }
  }
  auto sound = std::make_shared<Sound>();
  sound->set(std::move(samples), std::move(parts), passes);
  sound_ = sound;
  moveOutputTo(std::move(sound));
  return true;
}

void Shadowing::stopHearing() {
  sound_ = std::make_shared<Sound>();  // nothing heard from now on
  moveOutputTo(nullptr);
}

void Shadowing::moveOutputTo(std::shared_ptr<Sound> next) {
  // A sound is never changed once made: the one on the output stays whole until it is
  // detached, here or by the player taking the output back.
  hearer_->start([this, next = std::move(next)](const std::atomic<bool>&, const BackgroundWorker<bool>::Publish&) {
    if (attached_ && attached_ != next) output_.detach(attached_.get());
    attached_ = next;
    if (next) output_.attach(next.get(), kTakeRate, 1);
  });
}

// Where the sound has got to; once the player has taken the output back it stands still (the
// logic ends the hearing then).
Hearing Shadowing::hearing() const { return sound_->hearing(); }

}  // namespace tessaly
