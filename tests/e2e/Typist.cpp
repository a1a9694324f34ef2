// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, as the desktop starts it, with a typist at the keyboard: the end-of-
// session tests start it as a process of its own, send it signals and kill it.
//
//   tessaly-typist [--open FILE] [--type TEXT] [--answer yes|no]
//
// It opens FILE as the desktop's "open with" does, answers every message box (printing
// "message: TEXT"), types TEXT into the dictation box through the input method once the
// window has settled ("typed"), then prints "box: TEXT" and "ready", and runs until it is
// told to end. Copy it into a folder of its own: that folder becomes the program folder.
#include <QApplication>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <string>

#include "Program.h"
#include "qt/QtControls.h"

namespace {

void say(const QString& what, const QString& text) {
  QString line = text;
  line.replace(QChar(u'\n'), QChar(u' '));
  std::printf("%s: %s\n", what.toUtf8().constData(), line.toUtf8().constData());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString open, type, answer = QStringLiteral("yes");
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == QStringLiteral("--open")) open = args[i + 1];
    else if (args[i] == QStringLiteral("--type")) type = args[i + 1];
    else if (args[i] == QStringLiteral("--answer")) answer = args[i + 1];
  }

  // Every message box is read out and answered, also those shown inside another's wait.
  QTimer answering;
  QObject::connect(&answering, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    say(QStringLiteral("message"), box->text());
    QAbstractButton* button = box->button(answer == QStringLiteral("yes") ? QMessageBox::Yes : QMessageBox::No);
    if (!button) button = box->button(QMessageBox::Ok);
    if (button) button->click();
  });
  answering.start(50);

  tessaly::Program program;
  program.window().show();
  if (!open.isEmpty()) program.window().form().openFromCommandLine(tessaly::qt::fromQt(open));

  QTimer::singleShot(500, [&] {
    QPlainTextEdit* text1 = program.window().text1();
    if (!type.isEmpty()) {
      text1->setFocus();
      QInputMethodEvent event;
      event.setCommitString(type);
      QApplication::sendEvent(text1, &event);
      std::printf("typed\n");
    }
    say(QStringLiteral("box"), text1->toPlainText());
    std::printf("ready\n");
    std::fflush(stdout);
  });
  return QApplication::exec();
}
