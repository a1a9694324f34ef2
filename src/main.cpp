// Tessaly: picks the program folder, builds the audio engine and its two devices, and
// shows the main window.
#include <QApplication>
#include <QStandardPaths>

#include <memory>

#include "app/ProgramFolder.h"
#include "audio/AudioEngine.h"
#include "qt/Artwork.h"
#include "qt/MainWindow.h"
#include "qt/QtControls.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessaly"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tessaly 听写"));
  QApplication::setFont(tessaly::qt::chineseFont(9));

  namespace fs = std::filesystem;
  const fs::path executableFolder = tessaly::qt::fromQt(QCoreApplication::applicationDirPath());
  const fs::path userData =
      fs::path(tessaly::qt::fromQt(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))) / "tessaly";
  const fs::path appPath = tessaly::chooseProgramFolder(executableFolder, userData);
  tessaly::prepareProgramFolder(appPath, {executableFolder, executableFolder / ".." / "share" / "tessaly"});

  tessaly::audio::AudioEngine engine;
  auto mci = tessaly::audio::makeMciControl(engine, std::make_unique<tessaly::qt::QtTimer>());
  auto stream = tessaly::audio::makeStreamControl(engine);

  tessaly::qt::MainWindow window({*mci, *stream, appPath.string()});
  window.show();
  return QApplication::exec();
}
