// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ChineseTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tessaly::qt {

bool installChineseTranslations(QCoreApplication& app) {
  const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
  QLocale::setDefault(chinese);
  auto* translator = new QTranslator(&app);
  // "qt_zh_CN" gathers the Qt modules' catalogues (qtbase: dialogs and buttons).
  if (!translator->load(chinese, QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace tessaly::qt
