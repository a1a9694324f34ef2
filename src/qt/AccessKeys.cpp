// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/AccessKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/MainWindowLayout.h"

namespace tessaly::qt {

namespace {

// The letter of a Qt key code, lower case; 0 for anything else.
char letterOf(int key) { return key >= Qt::Key_A && key <= Qt::Key_Z ? static_cast<char>('a' + (key - Qt::Key_A)) : 0; }

}  // namespace

std::set<char> mainWindowAccessLetters() {
  std::set<char> letters;
  for (int n = 1; n <= layout::kAllButtonCount; ++n) {
    if (const char key = layout::accessKeyOf(layout::buttonCaption(n)); key != 0) letters.insert(key);
  }
  return letters;
}

AccessKeys::AccessKeys(QWidget* window, std::set<char> letters, std::function<void(char)> run)
    : QObject(window), window_(window), letters_(std::move(letters)), run_(std::move(run)) {
  qApp->installEventFilter(this);
}

AccessKeys::~AccessKeys() { qApp->removeEventFilter(this); }

bool AccessKeys::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::KeyRelease: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget || widget->window() != window_) return false;
      auto* key = static_cast<QKeyEvent*>(event);
      if (event->type() == QEvent::KeyRelease) {
        release(key);
        return false;
      }
      const char letter = letterOf(key->key());
      if (!(key->modifiers() & Qt::AltModifier) || !letters_.contains(letter)) return false;
      if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // a key of ours: no widget's own shortcut takes it
        return true;
      }
      return press(key);
    }
    case QEvent::WindowDeactivate:
      // A release while another window has the keyboard never arrives here.
      if (watched == window_) down_.clear();
      return false;
    default: return false;
  }
}

bool AccessKeys::press(QKeyEvent* key) {
  const int code = key->key();
  const auto released = releasedAt_.find(code);
  const bool serverRepeat = released != releasedAt_.end() && released->second == key->timestamp() && key->timestamp() != 0;
  const bool repeat = key->isAutoRepeat() || down_.contains(code) || serverRepeat;
  down_.insert(code);
  if (!repeat) run_(letterOf(code));
  return true;  // taken: a repeat does nothing, and no widget sees the key
}

void AccessKeys::release(QKeyEvent* key) {
  if (key->isAutoRepeat()) return;
  down_.erase(key->key());
  releasedAt_[key->key()] = key->timestamp();
}

}  // namespace tessaly::qt
