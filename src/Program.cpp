// SPDX-License-Identifier: GPL-3.0-or-later
#include "Program.h"

#include <QApplication>
#include <QSessionManager>

#include <cstdio>

#include "app/ProgramFolder.h"
#include "practice/LoopOptions.h"
#include "qt/Artwork.h"
#include "qt/ChineseTranslations.h"
#include "qt/QtControls.h"
#include "shadow/engine/TakeStore.h"
#include "text/UserFolders.h"
#include "wordlist/engine/WordListLesson.h"

namespace tessaly {

namespace fs = std::filesystem;

Program::Program() {
  QApplication::setApplicationName(QStringLiteral("tessaly"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tessaly 听写"));
  QApplication::setFont(qt::chineseFont(9));
  qt::installChineseTranslations(*qApp);

  const fs::path executableFolder = qt::fromQt(QCoreApplication::applicationDirPath());
  const UserFolders folders = userFolders();
  const fs::path userData = folders.data / "tessaly";
  appPath_ = chooseProgramFolder(executableFolder, userData);
  prepareProgramFolder(appPath_, {executableFolder, executableFolder / ".." / "share" / "tessaly"});

  mci_ = audio::makeMciControl(engine_, std::make_unique<qt::QtTimer>());
  stream_ = audio::makeStreamControl(engine_);
  recovery_ = std::make_unique<DiskFolder>(userData / "recovery");
  config_ = std::make_unique<DiskFolder>(folders.config / "tessaly");
  settings_ = std::make_unique<UserSettings>(*config_);
  drills_.useStretch([this] { return LoopOptions::stretchIn(*settings_); });
  // The check's readings: beside the program (a build) or in its installed data.
  std::string readings;
  for (const fs::path& table :
       {executableFolder / "pinyin.txt", executableFolder / ".." / "share" / "tessaly" / "pinyin.txt"})
    if (std::error_code error; fs::exists(table, error)) {
      readings = table.string();
      break;
    }
  // The learner's record: every check, the review schedule, the charts. What it cannot take
  // by the quit is kept beside it, or in the configuration or the temporary folder when the
  // data folder takes no file.
  RecordKeeper::Options recordOptions;
  recordOptions.spareFolders.push_back(config_->folder().string());
  std::error_code noTemporary;
  if (const fs::path temporary = fs::temp_directory_path(noTemporary); !noTemporary)
    recordOptions.spareFolders.push_back(temporary.string());
  record_ = std::make_unique<RecordKeeper>((userData / "practice.sqlite3").string(), recordOptions);
  qt::MainWindowServices services{*mci_,           *stream_,  appPath_.string(), nullptr,  nullptr,  recovery_.get(),
                                  settings_.get(), &scanner_, &peaks_,           readings, &reader_, &drills_};
  services.subtitleScan = &subtitles_;
  services.record = record_.get();
  services.ankiExport = &anki_;
  services.unitScan = &units_;
  // 跟读 takes, kept in the data folder under a cap (settings.ini's takes_cap_mb): a value that
  // cannot be read keeps the default, and is told once the window is up.
  const TakeStore::Cap cap = TakeStore::capOf(settings_->get("takes_cap_mb"));
  shadowing_ = std::make_unique<Shadowing>(engine_.output(), (userData / "takes").string(), cap.bytes, readings);
  services.shadowing = shadowing_.get();
  services.transcriptAlign = &transcripts_;
  window_ = std::make_unique<qt::MainWindow>(services);
  if (!cap.fault.empty()) window_->tellWhenShown(cap.fault);
  // Word lists (a .txt opened as a recording is) spoken into lessons by libespeak-ng.
  lessons_ = std::make_unique<qt::BackgroundLessonMaker>(&makeWordListLesson);
  window_->form().useLessonMaker(*lessons_);
  window_->tellWriteFailuresOf(*recovery_);
  window_->tellWriteFailuresOf(*config_);

  // A kill, Ctrl+C, a logout: leave as the exit command does, and make sure the program ends
  // even if the window could not close.
  signals_ = std::make_unique<qt::TerminationSignals>([this](int) {
    leftBySignal_ = true;
    window_->leaveNow();
    QCoreApplication::quit();
  });
  // Media keys and the desktop's player controls, through the session bus when there is one.
  mpris_ = qt::Mpris::connect(window_->form(), *window_);
  // The desktop session asks every program to save before it logs out.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, window_.get(),
                   [this](QSessionManager&) { window_->saveForSession(); });
}

Program::~Program() {
  lessons_.reset();
  mpris_.reset();
  signals_.reset();
  window_.reset();
  // What is queued is written first; what the record cannot take is kept in a file, and the
  // learner told what and where (on the terminal when a signal ended the program: a logout
  // does not wait on a message box).
  if (const std::string kept = record_->finish(); !kept.empty()) {
    if (leftBySignal_) std::fprintf(stderr, "%s\n", kept.c_str());
    else qt::QtMessageBox(nullptr).inform(kept);
  }
  record_.reset();
  settings_.reset();
  config_.reset();
  recovery_.reset();
  stream_.reset();
  mci_.reset();
}

}  // namespace tessaly
