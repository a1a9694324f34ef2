// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace tessaly::qt {

namespace {

int pipeEnds[2] = {-1, -1};

void writeSignalByte(int signal) {
  const unsigned char byte = static_cast<unsigned char>(signal);
  const int saved = errno;
  (void)!::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
  if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
      if (onSignal_) onSignal_(byte);
  });
  struct sigaction action {};
  action.sa_handler = &writeSignalByte;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace tessaly::qt
