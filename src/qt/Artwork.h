// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own pictures, drawn in code: the 803 x 555 background with the captions of
// the buttons that lie on it, and the three 32 x 32 status icons.
#pragma once

#include <QFont>
#include <QPixmap>

namespace tessaly::qt {

QPixmap drawBackground();
// 1 waiting, 2 playing, 3 repeating.
QPixmap drawStatusIcon(int number);
// A font that has the Chinese glyphs, at `points`.
QFont chineseFont(int points);

}  // namespace tessaly::qt
