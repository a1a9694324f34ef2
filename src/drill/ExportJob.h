// SPDX-License-Identifier: GPL-3.0-or-later
// ExportJob: a background job a window follows behind a progress dialog (a drill or the
// review's cards exported, a transcript aligned). It is started through the engine, which
// answers with the job's serial, the one under way cancelled first; each frame asks the
// engine how the job stands and says whether the percent shown moves and whether the job has
// finished; the learner's cancel stops it. Once finished or cancelled it is no longer
// followed. The engine's own state stays with the window, which phrases the final words
// (jobEngine below keeps it there).
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace tessaly {

class ExportJob {
 public:
  // What the engine says of a job: done (0 to 1), and whether it has finished.
  struct Progress {
    double share = 0;
    bool finished = false;
  };
  struct Engine {
    // How job `serial` stands; false once it is no longer the newest (nothing to show).
    std::function<bool(std::uint32_t serial, Progress& progress)> state;
    // Stops the job under way.
    std::function<void()> cancel;
  };
  // What a frame found.
  struct Frame {
    bool moved = false;  // the percent shown is now `percent`
    int percent = 0;
    bool finished = false;  // the job has ended: the dialog goes, the window says how it ended
  };

  explicit ExportJob(Engine engine) : engine_(std::move(engine)) {}

  // Starts a job through `start` (it returns the job's serial), the one under way cancelled
  // first; the percent shown is 0.
  void start(const std::function<std::uint32_t()>& start) {
    if (serial_ != 0) engine_.cancel();
    percent_ = 0;
    serial_ = start();
  }
  // The learner cancelled: the engine stops the job, and it is no longer followed.
  void cancel() {
    engine_.cancel();
    serial_ = 0;
  }
  bool underWay() const { return serial_ != 0; }
  int percent() const { return percent_; }

  Frame frame() {
    Frame f;
    Progress progress;
    if (serial_ == 0 || !engine_.state(serial_, progress)) return f;
    const int percent = static_cast<int>(progress.share * 100);
    if (percent != percent_) {
      percent_ = percent;
      f.moved = true;
    }
    f.percent = percent_;
    if (progress.finished) {
      serial_ = 0;
      f.finished = true;
    }
    return f;
  }

 private:
  Engine engine_;
  std::uint32_t serial_ = 0;  // the job followed, 0 when none
  int percent_ = 0;
};

// The Engine of `engine` (a drill's or the review's export, a transcript's alignment: each
// has state(serial, State&) and cancel()), keeping each state it reads in `state` for the
// window's final words.
template <class Background, class State>
ExportJob::Engine jobEngine(Background& engine, State& state) {
  return {[&engine, &state](std::uint32_t serial, ExportJob::Progress& progress) {
            if (!engine.state(serial, state)) return false;
            progress = {state.share, state.finished};
            return true;
          },
          [&engine] { engine.cancel(); }};
}

}  // namespace tessaly
