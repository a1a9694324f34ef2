// SPDX-License-Identifier: GPL-3.0-or-later
// The one door from another thread to the user-interface thread: post() hands over a call
// that runs there on a later turn of its loop, between other handlers and never during one.
// Everything a background thread gives the window itself (a file's bytes, a made lesson, a
// file that could not be written) comes through it. What a job keeps for its asker by serial
// number (worker/BackgroundWorker.h, worker/SerialQueue.h) is not handed over at all: the
// user-interface thread takes it on its own ticks. Implemented once, by qt/QtUiThread.h.
//
// Threads: post() on any thread; the call on the user-interface thread.
#pragma once

#include <functional>

namespace tessaly::ui {

class UiThread {
 public:
  virtual ~UiThread() = default;
  virtual void post(std::function<void()> call) = 0;
};

}  // namespace tessaly::ui
