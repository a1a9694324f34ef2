// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C, a logout or a shutdown) become a call on the
// user-interface thread, so the program can leave as its exit command does: the dictation
// saved, the devices closed. The signal handler only writes a byte into a pipe; a socket
// notifier reads it in the event loop.
//
// Made once, on the user-interface thread, after the QApplication; the handlers stay
// installed for the rest of the process (a second signal while leaving changes nothing).
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace tessaly::qt {

class TerminationSignals final : public QObject {
 public:
  explicit TerminationSignals(std::function<void(int signal)> onSignal);
  ~TerminationSignals() override;

 private:
  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tessaly::qt
