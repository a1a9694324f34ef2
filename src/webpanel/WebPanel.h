// SPDX-License-Identifier: GPL-3.0-or-later
// The web panel of the main window: navigated once at load, and kept free of scroll bars
// by Timer6 (1000 ms), which sets the body's "Scroll" to "no" on every tick.
// Runs on the user-interface thread; every failure is silent.
#pragma once

#include <string>

#include "ui/Timer.h"
#include "ui/WebPage.h"

namespace tessaly {

class WebPanel {
 public:
  // Wires the tick handler of `timer6` (interval 1000 ms, enabled from the start).
  WebPanel(ui::WebPage& webBrowser1, ui::Timer& timer6);

  // The last step of the main window's load: asks the page to show `address`.
  void navigate(const std::string& address);
  void timer6Tick();

  // The program's own page in its folder.
  static std::string pageAddress(const std::string& appPath) { return appPath + "/0091.htm"; }

 private:
  ui::WebPage& page_;
};

}  // namespace tessaly
