// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SimulatedDevices.h"

#include <algorithm>

namespace tessaly::test {

namespace {
std::string flag(const char* name, bool on) { return std::string(name) + (on ? " 1" : " 0"); }
}  // namespace

// ---- SimulatedMci ----

SimulatedMci::SimulatedMci(ManualClock& clock) : clock_(clock), notifyTimer_(clock.makeTimer(kNotifyPeriodMs)) {}

void SimulatedMci::setDeviceType(const std::string& type) { log_.push_back("deviceType " + type); }
void SimulatedMci::setFileName(const std::string& path) {
  log_.push_back("fileName " + path);
  fileName_ = path;
}
void SimulatedMci::setNotify(bool on) { log_.push_back(flag("notify", on)); }
void SimulatedMci::setWait(bool on) { log_.push_back(flag("wait", on)); }
void SimulatedMci::setShareable(bool on) { log_.push_back(flag("shareable", on)); }
void SimulatedMci::setEnabled(bool enabled) {
  log_.push_back(flag("enabled", enabled));
  enabled_ = enabled;
}
void SimulatedMci::setStatusHandler(std::function<void()> handler) { notifyTimer_->setTickHandler(std::move(handler)); }

void SimulatedMci::setFrom(std::int32_t ms) {
  log_.push_back("from " + std::to_string(ms));
  if (open_) from_ = ms;
}

void SimulatedMci::setTo(std::int32_t ms) {
  log_.push_back("to " + std::to_string(ms));
  if (open_) to_ = ms;
}

void SimulatedMci::settle() const {
  if (playing_ && time_.elapsed(clock_.now()) >= playEnd_ - playFrom_) {
    playing_ = false;
    stoppedAt_ = playEnd_;
    played_.push_back({playFrom_, playEnd_});
  }
}

std::int32_t SimulatedMci::livePosition() const {
  settle();
  if (!playing_) return stoppedAt_;
  return playFrom_ + time_.elapsed(clock_.now());
}

std::int32_t SimulatedMci::position() const { return open_ ? livePosition() : 0; }
std::int32_t SimulatedMci::length() const { return open_ ? length_ : 0; }

bool SimulatedMci::playing() const {
  settle();
  return playing_;
}

std::vector<PlayedRange> SimulatedMci::played() const {
  settle();
  auto ranges = played_;
  if (playing_) ranges.push_back({playFrom_, livePosition()});
  return ranges;
}

void SimulatedMci::sendCommand(const std::string& command) {
  log_.push_back(command);
  if (command == "close") {
    if (!open_) return;
    const std::int32_t at = livePosition();
    if (playing_) played_.push_back({playFrom_, at});
    playing_ = false;
    open_ = false;
    notifyTimer_->setEnabled(false);
  } else if (command == "Open") {
    if (open_) return;  // a real device refuses a second open of the same alias
    const auto file = files_.find(fileName_);
    failure_ = file == files_.end() ? Failure{FailureKind::Missing} : Failure{};
    if (file == files_.end()) return;
    open_ = true;
    length_ = file->second;
    stoppedAt_ = 0;
    from_.reset();
    to_.reset();
    notifyTimer_->setEnabled(true);
  } else if (command == "play") {
    if (!open_) return;
    const std::int32_t current = livePosition();
    const std::int32_t from = from_.value_or(current);
    const std::int32_t to = to_.value_or(length_);
    from_.reset();
    to_.reset();
    if (from < 0 || from > length_ || to < from || to > length_) return;  // bad position
    if (playing_) played_.push_back({playFrom_, current});
    playFrom_ = from;
    playEnd_ = to;
    time_.start(clock_.now());
    stoppedAt_ = from;
    playing_ = true;
    settle();  // an empty range ends at once
  }
}

void SimulatedMci::setSpeed(double speed) {
  log_.push_back("speed " + std::to_string(speed).substr(0, 3));
  settle();
  time_.setSpeed(speed, clock_.now());
}

// ---- SimulatedStream ----

void SimulatedStream::setSpeed(double speed) {
  log_.push_back("speed " + std::to_string(speed).substr(0, 3));
  settle();
  time_.setSpeed(speed, clock_.now());
}

void SimulatedStream::settle() const {
  if (state_ != State::Playing) return;
  const std::int32_t at = playFrom_ + time_.elapsed(clock_.now());
  if (at >= file_->length) {
    played_.push_back({playFrom_, file_->length});
    state_ = State::Ended;
    heldAt_ = 0;
  }
}

void SimulatedStream::closeRange(std::int32_t at) const {
  if (state_ == State::Playing) played_.push_back({playFrom_, at});
}

void SimulatedStream::startFrom(std::int32_t ms) {
  playFrom_ = ms;
  time_.start(clock_.now());
  state_ = State::Playing;
  settle();
}

std::int32_t SimulatedStream::position() const {
  settle();
  if (state_ != State::Playing) return heldAt_;
  return playFrom_ + time_.elapsed(clock_.now());
}

std::int32_t SimulatedStream::length() const {
  if (!file_) return 0;
  return clock_.now() - sourceSetAt_ >= file_->knownAfter ? file_->length : 0;
}

void SimulatedStream::setSource(const std::string& path) {
  log_.push_back("setSource " + path);
  closeRange(position());
  const auto it = files_.find(path);
  file_ = it == files_.end() ? std::nullopt : std::optional<File>(it->second);
  source_ = path;
  hasSource_ = true;
  sourceSetAt_ = clock_.now();
  state_ = State::Idle;
  heldAt_ = 0;
}

void SimulatedStream::play() {
  log_.push_back("play");
  settle();
  if (!file_ || state_ == State::Playing) return;
  // After a pause play resumes; after a stop, the end or a new source it starts at 0.
  startFrom(state_ == State::Paused ? heldAt_ : 0);
}

void SimulatedStream::pause() {
  log_.push_back("pause");
  settle();
  if (state_ != State::Playing) return;
  heldAt_ = position();
  closeRange(heldAt_);
  state_ = State::Paused;
}

void SimulatedStream::stop() {
  log_.push_back("stop");
  settle();
  closeRange(position());
  if (state_ != State::Idle) state_ = State::Stopped;
  heldAt_ = 0;
}

void SimulatedStream::setPosition(std::int32_t ms) {
  log_.push_back("setPosition " + std::to_string(ms));
  settle();
  if (!file_ || state_ == State::Idle || state_ == State::Stopped || state_ == State::Ended) return;
  const std::int32_t target = std::max<std::int32_t>(0, ms);
  if (state_ == State::Paused) {
    heldAt_ = std::min(target, file_->length);
    return;
  }
  closeRange(position());
  if (target >= file_->length) {
    state_ = State::Ended;
    heldAt_ = 0;
    return;
  }
  startFrom(target);
}

void SimulatedStream::setVolume(std::int16_t volume) {
  log_.push_back("setVolume " + std::to_string(volume));
  volume_ = volume;
}

bool SimulatedStream::playing() const {
  settle();
  return state_ == State::Playing;
}

std::vector<PlayedRange> SimulatedStream::played() const {
  settle();
  auto ranges = played_;
  if (state_ == State::Playing) ranges.push_back({playFrom_, position()});
  return ranges;
}

}  // namespace tessaly::test
