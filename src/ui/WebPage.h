// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded web page of the main window.
#pragma once

#include <string>

namespace tessaly::ui {

class WebPage {
 public:
  virtual ~WebPage() = default;
  // Asks the page to show `address`; returns at once, the page loads in the background.
  virtual void navigate(const std::string& address) = 0;
  // Sets a property of the current document's "body" element. Returns false when there is
  // no document or no body yet; never throws.
  virtual bool setBodyProperty(const std::string& name, const std::string& value) = 0;
};

}  // namespace tessaly::ui
