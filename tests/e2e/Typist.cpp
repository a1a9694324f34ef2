// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, as the desktop starts it, with a typist at the keyboard: the end-of-
// session tests start it as a process of its own, send it signals and kill it.
//
//   tessaly-typist [--open FILE] [--type TEXT] [--answer yes|no] [--add-to-list FILE]
//
// It opens FILE as the desktop's "open with" does, answers every message box (printing
// "message: TEXT"), types TEXT into the dictation box through the input method once the
// window has settled ("typed"), then prints "box: TEXT" and "ready", and runs until it is
// told to end. With --add-to-list it also opens the list manager, starts a new list and adds
// FILE through the file dialog ("listed"). Whenever what the list manager shows changes, it
// prints it ("list manager: PATH | ENTRY | ..."). Copy it into a folder of its own: that
// folder becomes the program folder.
#include <QApplication>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <string>

#include "Program.h"
#include "playlist/Form5.h"
#include "qt/ListManagerWindow.h"
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
  QString open, type, answer = QStringLiteral("yes"), listed;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == QStringLiteral("--open")) open = args[i + 1];
    else if (args[i] == QStringLiteral("--type")) type = args[i + 1];
    else if (args[i] == QStringLiteral("--answer")) answer = args[i + 1];
    else if (args[i] == QStringLiteral("--add-to-list")) listed = args[i + 1];
  }

  // Every message box is read out and answered, also those shown inside another's wait.
  QTimer answering;
  QObject::connect(&answering, &QTimer::timeout, [&] {
    if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      // The file's path typed into the name box, as a user may; the dialog closes once it has
      // taken it (its folder may still be loading).
      if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(listed);
      else files->selectFile(listed);
      const QString chosen = files->selectedFiles().value(0);
      say(QStringLiteral("file dialog"), chosen);
      if (chosen == listed) static_cast<QDialog*>(files)->done(QDialog::Accepted);  // public there
      return;
    }
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
    if (!listed.isEmpty()) {
      program.window().form().run(tessaly::Command::ManageLists);
      program.window().listManager()->button(2)->click();  // 新建
      program.window().listManager()->button(4)->click();  // 增加: the dialog, answered above
      std::printf("listed\n");
    }
    say(QStringLiteral("box"), text1->toPlainText());
    std::printf("ready\n");
    std::fflush(stdout);
  });
  QTimer watchingList;  // what the list manager shows, each time it changes
  QString listShown;
  QObject::connect(&watchingList, &QTimer::timeout, [&] {
    tessaly::qt::ListManagerWindow* manager = program.window().listManager();
    if (!manager || !manager->isVisible()) return;
    QString shown = tessaly::qt::toQt(manager->form().listPath());
    for (int i = 0; i < manager->list1()->count(); ++i) shown += QStringLiteral(" | ") + manager->list1()->item(i)->text();
    if (shown != listShown) say(QStringLiteral("list manager"), listShown = shown);
  });
  watchingList.start(100);
  return QApplication::exec();
}
