// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program, put together: the program folder, the audio engine with its two
// devices, and the main window. main() and the start-up benchmark build it the same way.
// Made and used on the user-interface thread, after the QApplication.
#pragma once

#include <filesystem>
#include <memory>

#include "align/engine/TranscriptAlignJob.h"
#include "align/engine/UnitAligner.h"
#include "align/engine/UnitScanner.h"
#include "audio/AudioEngine.h"
#include "drill/engine/DrillExporter.h"
#include "qt/BackgroundFileReader.h"
#include "qt/BackgroundLessonMaker.h"
#include "qt/MainWindow.h"
#include "qt/Mpris.h"
#include "qt/TerminationSignals.h"
#include "review/engine/AnkiExporter.h"
#include "sentences/engine/SentenceScanner.h"
#include "sentences/engine/SubtitleScanner.h"
#include "settings/UserSettings.h"
#include "shadow/engine/Shadowing.h"
#include "store/RecordKeeper.h"
#include "text/DiskFolder.h"
#include "waveform/engine/PeakScanner.h"

namespace tessaly {

class Program {
 public:
  Program();
  ~Program();
  qt::MainWindow& window() { return *window_; }
  const std::filesystem::path& appPath() const { return appPath_; }
  const std::filesystem::path& recoveryFolder() const { return recovery_->folder(); }

 private:
  std::filesystem::path appPath_;
  // Declared in the order they are built; the devices go before the engine.
  audio::AudioEngine engine_;
  std::unique_ptr<MciControl> mci_;
  std::unique_ptr<StreamControl> stream_;
  std::unique_ptr<DiskFolder> recovery_;  // outlives the window: its last writes finish
  std::unique_ptr<DiskFolder> config_;    // $XDG_CONFIG_HOME/tessaly: the per-user options
  std::unique_ptr<UserSettings> settings_;
  std::unique_ptr<Shadowing> shadowing_;                   // 跟读 takes; outlives the window
  std::unique_ptr<RecordKeeper> record_;                   // $XDG_DATA_HOME/tessaly/practice.sqlite3; outlives the window
  SentenceScanner scanner_;                                // outlives the window, which cancels its scan
  subtitles::SubtitleScanner subtitles_;                   // the subtitles inside videos; outlives the window
  PeakScanner peaks_;                                      // outlives the practice window
  DrillExporter drills_;                                   // the practice window's drill export; outlives the window
  align::UnitScanner units_{align::defaultCacheFolder()};  // where each character and word is spoken
  AnkiExporter anki_;                                      // the review window's Anki export; outlives the window
  align::TranscriptAlignJob transcripts_{align::defaultCacheFolder()};  // the practice window's 按文本分句
  qt::BackgroundFileReader reader_;  // reads the dictation files and their .lrc/.srt; outlives the window
  std::unique_ptr<qt::MainWindow> window_;
  std::unique_ptr<qt::TerminationSignals> signals_;
  std::unique_ptr<qt::Mpris> mpris_;                    // null without a session bus
  std::unique_ptr<qt::BackgroundLessonMaker> lessons_;  // word lists spoken into lessons; goes before the window
  bool leftBySignal_ = false;                           // a kill, Ctrl+C or a logout: nothing asks the learner then
};

}  // namespace tessaly
