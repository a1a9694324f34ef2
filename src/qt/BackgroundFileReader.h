// SPDX-License-Identifier: GPL-3.0-or-later
// The program's FileReader: each request is read on a thread of its own, and its answer is
// posted to the user-interface thread (ui/UiThread.h), so a slow folder never holds up the
// window (see text/FileReader.h), and one request that cannot finish holds up no other: the
// requests are not queued behind one another, since a read that hangs would hold up every
// later one. A read that goes `stall` without a byte (a share or a disk that hangs) is given
// up by a timer of the user-interface thread: the asker hears of that file, and of the rest of
// its request, as Stalled, and the stuck thread is left to finish, or not, on its own: nothing
// waits for it, the exit neither.
//
// Threads: read(), the answers and the stall timer on the user-interface thread; each
// request's reads on its own thread. A request's own mutex guards the files read so far;
// Shared::mutex guards the door the request threads post to, closed when the reader goes, so
// one that finishes after the reader is gone touches nothing of it.
#pragma once

#include <QTimer>

#include <chrono>
#include <list>
#include <memory>

#include "qt/QtUiThread.h"
#include "text/FileReader.h"

namespace tessaly::qt {

class BackgroundFileReader final : public FileReader {
 public:
  explicit BackgroundFileReader(std::chrono::milliseconds stall = std::chrono::seconds(10));
  ~BackgroundFileReader() override;  // waits for no read
  BackgroundFileReader(const BackgroundFileReader&) = delete;
  BackgroundFileReader& operator=(const BackgroundFileReader&) = delete;

  void read(std::vector<std::string> paths, Done done) override;

  struct Request;  // in BackgroundFileReader.cpp
  struct Shared;

 private:
  // The requests finished, or stalled, answered; the timer set for the next one to stall.
  void answer();

  const std::chrono::milliseconds stall_;
  QtUiThread uiThread_;  // the answers; those still on their way when the reader goes are dropped
  std::shared_ptr<Shared> shared_;
  std::list<std::shared_ptr<Request>> inFlight_;  // not answered yet
  QTimer stallTimer_;
};

}  // namespace tessaly::qt
