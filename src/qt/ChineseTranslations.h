// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (the file dialog's "Look in:", the message boxes' Yes and No) in Simplified
// Chinese, whatever language the desktop speaks: the program's own texts are Chinese, and
// its dialogs must not mix in English. Debian's qt6-translations-l10n ships them.
#pragma once

class QCoreApplication;

namespace tessaly::qt {

// User-interface thread, after the application exists; once. False when the translation
// files are missing (Qt then speaks English, and nothing else changes).
bool installChineseTranslations(QCoreApplication& app);

}  // namespace tessaly::qt
