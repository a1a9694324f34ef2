// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears of a caption label: its meaning and what it shows, as one name
// that follows every change of caption ("播放状态：正在复读　按 Alt + X 停止复读并继续朗读",
// "已播放时间：00:12.3"). A label is made one by makeCaptionAccessible(); the status line
// is a status bar, the others static text. announceCaption() tells the accessibility bus
// that the name changed (the status line, the file, the speed); the time labels are never
// announced — their name is read when asked, so a screen reader is not flooded ten times a
// second.
//
// A window's buttons that only carry an access key, off screen (their commands are named on
// the visible controls), are left out of what a screen reader walks: keepKeyOnlyButtonsHidden()
// on the window, markKeyOnly() on each; such a button takes no Tab focus either.
//
// User-interface thread only.
#pragma once

class QLabel;
class QString;
class QWidget;

namespace tessaly::qt {

// Installs the interfaces' factory; call once, after the QApplication is made (factories
// are asked newest first, and the application installs the stock one).
void installCaptionAccessibility();

enum class CaptionRole { Status, Text };

// Before the label's first text: a text sets up its accessible interface.
void makeCaptionAccessible(QLabel& label, const QString& meaning, CaptionRole role, bool announced);

// The window leaves its key-only children out of its accessible children.
void keepKeyOnlyButtonsHidden(QWidget& window);
// A child of such a window that only carries an access key.
void markKeyOnly(QWidget& button);

// After the label's text changed: a NameChanged event, when the label is announced.
void announceCaption(QLabel& label);

}  // namespace tessaly::qt
