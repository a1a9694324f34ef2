#include "Program.h"

#include <QApplication>
#include <QStandardPaths>

#include "app/ProgramFolder.h"
#include "qt/Artwork.h"
#include "qt/QtControls.h"

namespace tessaly {

namespace fs = std::filesystem;

Program::Program() {
  QApplication::setApplicationName(QStringLiteral("tessaly"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tessaly 听写"));
  QApplication::setFont(qt::chineseFont(9));

  const fs::path executableFolder = qt::fromQt(QCoreApplication::applicationDirPath());
  const fs::path userData =
      fs::path(qt::fromQt(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))) / "tessaly";
  appPath_ = chooseProgramFolder(executableFolder, userData);
  prepareProgramFolder(appPath_, {executableFolder, executableFolder / ".." / "share" / "tessaly"});

  mci_ = audio::makeMciControl(engine_, std::make_unique<qt::QtTimer>());
  stream_ = audio::makeStreamControl(engine_);
  window_ = std::make_unique<qt::MainWindow>(qt::MainWindowServices{*mci_, *stream_, appPath_.string()});
}

Program::~Program() {
  window_.reset();
  stream_.reset();
  mci_.reset();
}

}  // namespace tessaly
