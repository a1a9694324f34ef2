// SPDX-License-Identifier: GPL-3.0-or-later
// A repeating timer whose tick handler runs on the user-interface thread, between other
// handlers and never during one. Implemented by QTimer (src/qt) and by the manual clock
// of the tests.
#pragma once

#include <functional>

namespace tessaly::ui {

class Timer {
 public:
  virtual ~Timer() = default;
  // Enabling a disabled timer starts a new period; enabling an enabled one changes nothing.
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  virtual void setTickHandler(std::function<void()> handler) = 0;
};

}  // namespace tessaly::ui
