// Tessaly: a listening and dictation program. Builds the program and shows its window.
#include <QApplication>

#include "Program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessaly::Program program;
  program.window().show();
  return QApplication::exec();
}
