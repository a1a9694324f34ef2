// SPDX-License-Identifier: GPL-3.0-or-later
// The two device faces on the engine: MciDevice (MMControl1) and StreamDevice (RealAudio1).
// Each owns one Player and turns the device's commands, kept in whole milliseconds, into the
// player's frame-exact plays. Everything here runs on the user-interface thread; the state of
// a face is its own, the playing itself is the Player's (see Player.h for its threads).
#include <algorithm>
#include <optional>

#include "audio/AudioEngine.h"
#include "audio/Frames.h"
#include "audio/Player.h"

namespace tessaly::audio {

namespace {

constexpr int kStatusPeriodMs = 100;
constexpr int kOpenWaitMs = 3000;      // a local file opens in milliseconds; a URL may not
constexpr int kOpenLengthWaitMs = 15;  // a short file's exact length is found in this time
// A play from or to past a length still being found waits, on the status ticks, this many
// ticks at most (as long as an open may take) for the exact length before it is judged.
constexpr int kPendingPlayTicks = kOpenWaitMs / kStatusPeriodMs;
// The streaming control waits this long, once per source, for a local file's header and
// exact length the first time either is asked for, so the start reads a real length.
constexpr int kLocalHeaderWaitMs = 60;

// Why a player's source cannot be played; no failure while it plays or still opens.
Failure failureOf(const Player::Status& s) {
  if (s.load != Player::LoadState::Failed) return {};
  return s.error.failed() ? s.error : Failure{FailureKind::Unreadable};
}

bool isLocal(const std::string& location) {
  const auto colon = location.find(':');
  const auto slash = location.find('/');
  return colon == std::string::npos || (slash != std::string::npos && slash < colon) || location.starts_with("file:");
}

class MciDevice final : public MciControl {
 public:
  MciDevice(AudioEngine& engine, std::unique_ptr<ui::Timer> timer) : player_(engine.output()), timer_(std::move(timer)) {
    if (timer_) {
      timer_->setEnabled(false);
      timer_->setInterval(kStatusPeriodMs);
      timer_->setTickHandler([this] {
        startPendingPlay();
        if (handler_) handler_();
      });
    }
  }
  ~MciDevice() override {
    if (timer_) timer_->setTickHandler({});
  }

  // The device type and the open flags change nothing in how a file plays here.
  void setDeviceType(const std::string&) override {}
  void setFileName(const std::string& path) override { fileName_ = path; }
  void setNotify(bool) override {}
  void setWait(bool) override {}
  void setShareable(bool) override {}
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  void setStatusHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
  bool isOpen() const override { return open_; }
  Failure failure() const override { return open_ ? failureOf(player_.status()) : failure_; }
  bool hasPicture() const override { return open_ && player_.status().picture; }
  void setSpeed(double speed) override { player_.setSpeed(speed); }
  void setStretch(StretchEngine engine) override { player_.setStretch(engine); }

  void setFrom(std::int32_t ms) override {
    if (open_) from_ = ms;
  }
  void setTo(std::int32_t ms) override {
    if (open_) to_ = ms;
  }

  std::int32_t length() const override {
    if (!open_) return 0;
    const Player::Status s = player_.status();
    return framesToMs(s.lengthFrames, s.sampleRate);
  }

  std::int32_t position() const override {
    if (!open_) return 0;
    if (!played_) return heldMs_;
    const Player::Status s = player_.status();
    if (!s.sounding) return startedMs_;
    if (s.ended) return rangeEndMs_ ? *rangeEndMs_ : length();  // exactly where it stopped
    return framesToMs(s.frame, s.sampleRate);
  }

  void sendCommand(const std::string& command) override {
    if (command == "close") {
      close();
    } else if (command == "Open") {
      open();
    } else if (command == "play") {
      play();
    }
  }

 private:
  void close() {
    if (!open_) return;
    player_.unload();
    open_ = false;
    played_ = false;
    pending_.reset();
    if (timer_) timer_->setEnabled(false);
  }

  void open() {
    if (open_) return;  // a second open of the same device is refused
    player_.load(fileName_);
    const bool settled = player_.waitLoaded(kOpenWaitMs);
    if (!settled || player_.status().load != Player::LoadState::Ready) {
      failure_ = settled ? failureOf(player_.status()) : Failure{FailureKind::OpenTimedOut};
      player_.unload();
      return;
    }
    failure_ = {};
    player_.waitExactLength(kOpenLengthWaitMs);
    open_ = true;
    played_ = false;
    heldMs_ = 0;
    from_.reset();
    to_.reset();
    pending_.reset();
    if (timer_) timer_->setEnabled(true);
  }

  void play() {
    if (!open_) return;
    const std::int32_t from = from_.value_or(position());
    const std::optional<std::int32_t> to = to_;
    from_.reset();
    to_.reset();
    pending_.reset();
    const std::int32_t len = length();
    // A position past a length that is still being found (a file whose header gives none, or
    // too short a one, and a scan slower than the open) is judged against the exact length:
    // the play waits for it on the status ticks, and the window never waits.
    if ((from > len || (to && *to > len)) && !player_.status().lengthExact && timer_) {
      pending_ = PendingPlay{from, to, kPendingPlayTicks};
      return;
    }
    start(from, to, len);
  }

  void startPendingPlay() {
    if (!pending_) return;
    if (!player_.status().lengthExact && --pending_->ticksLeft > 0) return;
    const PendingPlay play = *pending_;
    pending_.reset();
    start(play.from, play.to, length());
  }

  void start(std::int32_t from, std::optional<std::int32_t> to, std::int32_t len) {
    if (from < 0 || from > len || (to && (*to < from || *to > len))) return;  // bad position
    const int rate = player_.status().sampleRate;
    player_.play(msToFrames(from, rate), to ? msToFrames(*to, rate) : -1);
    played_ = true;
    startedMs_ = from;
    rangeEndMs_ = to;
  }

  mutable Player player_;
  std::unique_ptr<ui::Timer> timer_;
  std::function<void()> handler_;
  std::string fileName_;
  Failure failure_;  // why the last "Open" failed
  bool open_ = false;
  bool enabled_ = true;
  std::optional<std::int32_t> from_, to_;
  bool played_ = false;                     // a play has been started since "Open"
  std::int32_t heldMs_ = 0;                 // position before the first play
  std::int32_t startedMs_ = 0;              // where the current play starts
  std::optional<std::int32_t> rangeEndMs_;  // its end position, when it was given one
  struct PendingPlay {
    std::int32_t from;
    std::optional<std::int32_t> to;
    int ticksLeft;
  };
  std::optional<PendingPlay> pending_;  // a play waiting for the exact length
};

class StreamDevice final : public StreamControl {
 public:
  explicit StreamDevice(AudioEngine& engine) : player_(engine.output()) {}

  void setSource(const std::string& path) override {
    player_.load(path);
    localSource_ = isLocal(path);
    awaited_ = false;
    hasSource_ = true;
    state_ = State::Idle;
    heldMs_ = 0;
  }

  void play() override {
    settle();
    if (!hasSource_ || state_ == State::Playing) return;
    if (state_ == State::Paused && !heldMoved_) {
      player_.resume();
    } else {
      // After a pause with a new position it starts there; after a stop, the end or a new
      // source, at 0.
      startAt(state_ == State::Paused ? heldMs_ : 0);
    }
    state_ = State::Playing;
  }

  void pause() override {
    settle();
    if (state_ != State::Playing) return;
    player_.pause();
    heldMs_ = livePosition();
    heldMoved_ = false;
    state_ = State::Paused;
  }

  void stop() override {
    settle();
    player_.stop();
    if (state_ != State::Idle) state_ = State::Stopped;
    heldMs_ = 0;
  }

  std::int32_t position() const override {
    settle();
    if (state_ == State::Playing) return livePosition();
    return state_ == State::Paused ? heldMs_ : 0;
  }

  // The exact length once known; before that the header's, if it gives one.
  std::int32_t length() const override {
    awaitLocalHeader();
    const Player::Status s = player_.status();
    return s.lengthExact || s.lengthFrames > 0 ? framesToMs(s.lengthFrames, s.sampleRate) : 0;
  }

  Failure failure() const override {
    awaitLocalHeader();
    return hasSource_ ? failureOf(player_.status()) : Failure{};
  }

  bool hasPicture() const override {
    awaitLocalHeader();
    return hasSource_ && player_.status().picture;
  }

  void setPosition(std::int32_t ms) override {
    settle();
    if (state_ != State::Playing && state_ != State::Paused) return;
    const std::int32_t target = std::max<std::int32_t>(0, ms);
    const std::int32_t len = length();  // 0 while unknown: then the decoder finds the end
    if (state_ == State::Paused) {
      heldMs_ = len > 0 ? std::min(target, len) : target;
      heldMoved_ = true;
      return;
    }
    if (len > 0 && target >= len) {
      player_.stop();
      state_ = State::Ended;
      return;
    }
    startAt(target);
  }

  void setSpeed(double speed) override { player_.setSpeed(speed); }
  void setStretch(StretchEngine engine) override { player_.setStretch(engine); }

  void setVolume(std::int16_t volume) override {
    player_.setGain(static_cast<float>(std::clamp<int>(volume, 0, 100)) / 100.0f);
  }

 private:
  enum class State { Idle, Playing, Paused, Stopped, Ended };

  void startAt(std::int32_t ms) {
    player_.play(ms, -1, /*inMs=*/true);
    startedMs_ = ms;
  }

  void awaitLocalHeader() const {
    if (awaited_ || !hasSource_) return;
    awaited_ = true;
    if (localSource_) player_.waitExactLength(kLocalHeaderWaitMs);
  }

  // A play that has output its last frame has ended.
  void settle() const {
    if (state_ == State::Playing && player_.status().ended) state_ = State::Ended;
  }

  std::int32_t livePosition() const {
    const Player::Status s = player_.status();
    if (!s.sounding) return startedMs_;
    if (s.ended) return 0;
    return framesToMs(s.frame, s.sampleRate);
  }

  mutable Player player_;
  bool hasSource_ = false;
  bool localSource_ = false;
  mutable bool awaited_ = false;  // the wait for a local header has been spent on this source
  mutable State state_ = State::Idle;
  std::int32_t heldMs_ = 0;     // the position while paused
  bool heldMoved_ = false;      // set while paused: play goes on from heldMs_
  std::int32_t startedMs_ = 0;  // where the current play starts
};

}  // namespace

std::unique_ptr<MciControl> makeMciControl(AudioEngine& engine, std::unique_ptr<ui::Timer> statusTimer) {
  return std::make_unique<MciDevice>(engine, std::move(statusTimer));
}

std::unique_ptr<StreamControl> makeStreamControl(AudioEngine& engine) { return std::make_unique<StreamDevice>(engine); }

}  // namespace tessaly::audio
