// SPDX-License-Identifier: GPL-3.0-or-later
// The program's FileReader: each request is read on a thread of its own, and its answer is
// handed to the user-interface thread through Qt's event loop, so a slow folder never holds
// up the window (see text/FileReader.h), and one request that cannot finish holds up no other.
// A read that goes `stall` without a byte (a share or a disk that hangs) is given up: the
// asker hears of that file, and of the rest of its request, as Stalled, and the stuck thread
// is left to finish, or not, on its own: nothing waits for it, the exit neither.
//
// Threads: read() and the answers on the user-interface thread; each request's reads on its
// own thread; the watcher's thread hands the answers over and gives up on stalled reads.
// Shared::mutex guards the requests in flight; the request threads hold the shared part, so
// one that finishes after the reader is gone touches nothing of it. Answers still on their
// way when the reader goes are dropped with its context object.
#pragma once

#include <QObject>

#include <chrono>
#include <memory>
#include <thread>

#include "text/FileReader.h"

namespace tessaly::qt {

class BackgroundFileReader final : public FileReader {
 public:
  explicit BackgroundFileReader(std::chrono::milliseconds stall = std::chrono::seconds(10));
  ~BackgroundFileReader() override;  // waits for no read
  BackgroundFileReader(const BackgroundFileReader&) = delete;
  BackgroundFileReader& operator=(const BackgroundFileReader&) = delete;

  void read(std::vector<std::string> paths, Done done) override;

  struct Shared;  // in BackgroundFileReader.cpp

 private:
  void watch();

  const std::chrono::milliseconds stall_;
  QObject context_;  // the answers are delivered in its thread, the user-interface thread
  std::shared_ptr<Shared> shared_;
  std::thread watcher_;  // last: started once the rest is made
};

}  // namespace tessaly::qt
