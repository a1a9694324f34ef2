// SPDX-License-Identifier: GPL-3.0-or-later
#include "webpanel/WebPanel.h"

namespace tessaly {

WebPanel::WebPanel(ui::WebPage& webBrowser1, ui::Timer& timer6) : page_(webBrowser1) {
  timer6.setInterval(1000);
  timer6.setTickHandler([this] { timer6Tick(); });
  timer6.setEnabled(true);
}

void WebPanel::navigate(const std::string& address) { page_.navigate(address); }

void WebPanel::timer6Tick() {
  // No document or no body yet: the next tick tries again.
  try {
    page_.setBodyProperty("Scroll", "no");
  } catch (...) {
  }
}

}  // namespace tessaly
