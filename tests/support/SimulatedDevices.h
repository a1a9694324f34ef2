// SPDX-License-Identifier: GPL-3.0-or-later
// Simulated playback devices on the manual clock: they keep every promise of MciControl.h
// and StreamControl.h, are told each file's length by the test, and log every call and
// every range they play. Switches let a test make them misbehave as real devices can
// (a file that fails to open, a length that is known only late).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "playback/MciControl.h"
#include "playback/StreamControl.h"
#include "support/ManualClock.h"

namespace tessaly::test {

// File time played since a play started, at a speed that may change on the way (0.5 plays a
// second of the file in two seconds of the clock).
struct FileTime {
  void start(std::int64_t now) {
    startedAt = now;
    before = 0;
  }
  void setSpeed(double newSpeed, std::int64_t now) {
    before = elapsed(now);
    startedAt = now;
    speed = newSpeed;
  }
  std::int32_t elapsed(std::int64_t now) const {
    return before + static_cast<std::int32_t>(static_cast<double>(now - startedAt) * speed);
  }
  std::int64_t startedAt = 0;
  std::int32_t before = 0;
  double speed = 1.0;
};

// A stretch of a file that was played without a jump: [from, to) in ms.
struct PlayedRange {
  std::int32_t from;
  std::int32_t to;
  friend bool operator==(const PlayedRange&, const PlayedRange&) = default;
};

class SimulatedMci final : public MciControl {
 public:
  static constexpr int kNotifyPeriodMs = 100;

  explicit SimulatedMci(ManualClock& clock);

  void addFile(const std::string& path, std::int32_t lengthMs) { files_[path] = lengthMs; }
  // A file added that is a video (its picture not shown).
  void markVideo(const std::string& path) { videos_.insert(path); }

  void setDeviceType(const std::string& type) override;
  void setFileName(const std::string& path) override;
  void setNotify(bool on) override;
  void setWait(bool on) override;
  void setShareable(bool on) override;
  void sendCommand(const std::string& command) override;
  void setFrom(std::int32_t ms) override;
  void setTo(std::int32_t ms) override;
  std::int32_t length() const override;
  std::int32_t position() const override;
  void setEnabled(bool enabled) override;
  bool isOpen() const override { return open_; }
  void setStatusHandler(std::function<void()> handler) override;
  Failure failure() const override { return failure_; }
  bool hasPicture() const override { return open_ && videos_.count(fileName_) > 0; }
  void setSpeed(double speed) override;
  // Kept, not logged: it changes nothing of the simulated timing.
  void setStretch(StretchEngine engine) override { stretch_ = engine; }
  StretchEngine stretch() const { return stretch_; }

  // Every call, in order: "close", "Open", "play", "from 1", "to 12000", "fileName a.wav",
  // "deviceType WaveAudio", "notify 1", "wait 0", "shareable 0", "enabled 1".
  const std::vector<std::string>& log() const { return log_; }
  void clearLog() { log_.clear(); }
  // The ranges actually played, closed off by a stop, a close or the end of the range.
  std::vector<PlayedRange> played() const;
  bool playing() const;
  bool enabled() const { return enabled_; }
  double speed() const { return time_.speed; }

 private:
  void settle() const;  // ends a play whose end has been reached
  std::int32_t livePosition() const;

  ManualClock& clock_;
  std::unique_ptr<ManualTimer> notifyTimer_;
  std::map<std::string, std::int32_t> files_;
  std::set<std::string> videos_;
  std::vector<std::string> log_;
  std::string fileName_;
  bool open_ = false;
  bool enabled_ = true;
  Failure failure_;
  std::int32_t length_ = 0;
  std::optional<std::int32_t> from_, to_;
  // Playback: while playing_, position = playFrom_ + the file time played (time_), capped at playEnd_.
  mutable bool playing_ = false;
  mutable std::int32_t stoppedAt_ = 0;
  std::int32_t playFrom_ = 0;
  std::int32_t playEnd_ = 0;
  FileTime time_;
  StretchEngine stretch_ = kDefaultStretchEngine;
  mutable std::vector<PlayedRange> played_;
};

class SimulatedStream final : public StreamControl {
 public:
  explicit SimulatedStream(ManualClock& clock) : clock_(clock) {}

  // A file the control can play; its length reads 0 until `lengthKnownAfterMs` of playing
  // time have passed since setSource.
  void addFile(const std::string& path, std::int32_t lengthMs, std::int32_t lengthKnownAfterMs = 0) {
    files_[path] = {lengthMs, lengthKnownAfterMs};
  }
  // A file added that is a video (its picture not shown).
  void markVideo(const std::string& path) { videos_.insert(path); }

  void setSource(const std::string& path) override;
  void play() override;
  void pause() override;
  void stop() override;
  std::int32_t position() const override;
  std::int32_t length() const override;
  void setPosition(std::int32_t ms) override;
  void setVolume(std::int16_t volume) override;
  Failure failure() const override { return hasSource_ && !file_ ? Failure{FailureKind::Missing} : Failure{}; }
  bool hasPicture() const override { return hasSource_ && file_ && videos_.count(source_) > 0; }
  void setSpeed(double speed) override;
  double speed() const { return time_.speed; }
  void setStretch(StretchEngine engine) override { stretch_ = engine; }
  StretchEngine stretch() const { return stretch_; }

  const std::vector<std::string>& log() const { return log_; }
  void clearLog() { log_.clear(); }
  std::vector<PlayedRange> played() const;
  bool playing() const;
  int volume() const { return volume_; }

 private:
  enum class State { Idle, Playing, Paused, Stopped, Ended };
  struct File {
    std::int32_t length;
    std::int32_t knownAfter;
  };
  void settle() const;
  void closeRange(std::int32_t at) const;
  void startFrom(std::int32_t ms);

  ManualClock& clock_;
  std::map<std::string, File> files_;
  std::set<std::string> videos_;
  std::vector<std::string> log_;
  std::optional<File> file_;
  std::string source_;
  bool hasSource_ = false;
  std::int64_t sourceSetAt_ = 0;
  mutable State state_ = State::Idle;
  mutable std::int32_t heldAt_ = 0;  // position while not playing
  std::int32_t playFrom_ = 0;
  FileTime time_;
  StretchEngine stretch_ = kDefaultStretchEngine;
  int volume_ = 0;
  mutable std::vector<PlayedRange> played_;
};

}  // namespace tessaly::test
