// SPDX-License-Identifier: GPL-3.0-or-later
// What the logic does with a whole window: its outer size, moving it, enabling it, closing.
#pragma once

namespace tessaly::ui {

class Window {
 public:
  virtual ~Window() = default;
  // Outer size in twips (15 twips = 1 pixel).
  virtual void setOuterSize(int widthTwips, int heightTwips) = 0;
  // Moves the window up; the adapter never pushes the title bar off the screen and does
  // nothing where the platform does not let programs place their windows.
  virtual void moveUp(int twips) = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  // Closes the window (the close handler of its logic runs).
  virtual void close() = 0;
};

}  // namespace tessaly::ui
