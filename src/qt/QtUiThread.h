// SPDX-License-Identifier: GPL-3.0-or-later
// ui::UiThread on Qt's event loop: each call is queued to a context object of the
// user-interface thread, and the calls still queued when this goes are dropped with it.
//
// Threads: made and destroyed on the user-interface thread; post() on any thread while it
// exists (its owner sees to that); the calls on the user-interface thread.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <utility>

#include "ui/UiThread.h"

namespace tessaly::qt {

class QtUiThread final : public ui::UiThread {
 public:
  void post(std::function<void()> call) override {
    QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
  }

 private:
  QObject context_;
};

}  // namespace tessaly::qt
