// SPDX-License-Identifier: GPL-3.0-or-later
// Tessaly: a listening and dictation program. Builds the program and shows its window.
#include <QApplication>
#include <QFileInfo>

#include "qt/QtControls.h"

#include "Program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessaly::Program program;
  program.window().show();
  // "Open with" from the desktop names one recording or play list.
  if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1)
    program.window().form().openFromCommandLine(tessaly::qt::fromQt(QFileInfo(arguments.at(1)).absoluteFilePath()));
  return QApplication::exec();
}
