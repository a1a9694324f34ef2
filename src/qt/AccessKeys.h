// SPDX-License-Identifier: GPL-3.0-or-later
// The window's Alt+letter access keys, acting at once on the key's press. A key held down
// acts once: the key's own press and release are followed (a press while it is down is a
// repeat, whatever Qt's auto-repeat flag says; a release and a press with one timestamp are
// the X server's repeat), so holding Alt+X does not toggle the loop on and off. Accessibility
// buses that forward keys asynchronously break Qt's repeat detection; this does not rely on it.
//
// Lives on the user-interface thread as an event filter of the application, for one window.
#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <set>

class QKeyEvent;
class QWidget;

namespace tessaly::qt {

// The letters of the main window's access keys (the "&x" of its buttons' captions).
std::set<char> mainWindowAccessLetters();

class AccessKeys final : public QObject {
 public:
  // `letters`: the lower-case letters that are access keys; `run` is called with one of them.
  AccessKeys(QWidget* window, std::set<char> letters, std::function<void(char)> run);
  ~AccessKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool press(QKeyEvent* key);
  void release(QKeyEvent* key);

  QWidget* window_;
  std::set<char> letters_;
  std::function<void(char)> run_;
  std::set<int> down_;                       // Qt key codes held now
  std::map<int, unsigned long> releasedAt_;  // the last release of each key: its timestamp
};

}  // namespace tessaly::qt
