// SPDX-License-Identifier: GPL-3.0-or-later
// The program's FileReader: the files are read on a thread of its own, one request after
// another, and each answer is handed to the user-interface thread through Qt's event loop,
// so a slow folder never holds up the window (see text/FileReader.h).
//
// Threads: read() and the answers on the user-interface thread; the reads on the reader's
// thread. mutex_ guards the queue. Answers still on their way when the reader goes are
// dropped with its context object.
#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "text/FileReader.h"

namespace tessaly::qt {

class BackgroundFileReader final : public FileReader {
 public:
  BackgroundFileReader();
  ~BackgroundFileReader() override;  // waits for the read under way, if any
  BackgroundFileReader(const BackgroundFileReader&) = delete;
  BackgroundFileReader& operator=(const BackgroundFileReader&) = delete;

  void read(std::vector<std::string> paths, Done done) override;

 private:
  struct Request {
    std::vector<std::string> paths;
    Done done;
  };
  void run();

  QObject context_;  // the answers are delivered in its thread, the user-interface thread
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Request> queue_;
  bool stopping_ = false;
  std::thread thread_;  // last: started once the rest is made
};

}  // namespace tessaly::qt
