// SPDX-License-Identifier: GPL-3.0-or-later
// Form1: the main window's logic. It owns all state of the player and of the dictation:
// the variables below, the two playback back-ends, the dictation store, the appearance
// settings, the web panel, the play list being played (PlayQueue) and the player sentence by
// sentence (SentencePlayer, which sees the player through the Listening face Form1 gives it).
// Every command, tick and notification runs here, on the user-interface thread, one at a
// time. Opening recordings, word lists and play lists is in Form1Files.cpp.
//
// The window's controls come in through Form1Controls (Qt widgets in the program, fakes in
// the tests); the devices through Form1Devices.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/MainWindowLayout.h"
#include "dictation/AppearanceSettings.h"
#include "dictation/DictationStore.h"
#include "playback/MciBackEnd.h"
#include "playback/MciControl.h"
#include "playback/StreamBackEnd.h"
#include "playback/StreamControl.h"
#include "playlist/PlayQueue.h"
#include "practice/LoopOptions.h"
#include "practice/LoopPacer.h"
#include "practice/PracticePlayer.h"
#include "practice/SentencePlayer.h"
#include "recovery/RecoveryKeeper.h"
#include "settings/UserSettings.h"
#include "speed/PlaybackSpeed.h"
#include "text/FileReader.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Timer.h"
#include "ui/WebPage.h"
#include "ui/Window.h"
#include "webpanel/WebPanel.h"
#include "wordlist/WordList.h"

namespace tessaly {

struct Form1Controls {
  ui::Window& window;
  ui::TextBox& text1;   // the dictation box
  ui::Slider& slider1;  // progress, display only
  std::array<ui::Label*, layout::kAllLabelCount>
      labels;                            // Label1 to Label24 (captions, click areas, the speed, the practice window's area)
  std::array<ui::Picture*, 3> pictures;  // Picture1 to Picture3
  std::array<ui::Button*, layout::kAllButtonCount> buttons;  // Command1 to Command38
  ui::Timer& timer1;                                         // MCI repeat loop
  ui::Timer& timer2;                                         // streaming progress
  ui::Timer& timer3;                                         // streaming repeat loop
  ui::Timer& timer6;                                         // web panel
  ui::FileDialog& commonDialog1;
  ui::MessageBox& messages;
  ui::WebPage& webBrowser1;
};

struct Form1Devices {
  MciControl& mmControl1;
  StreamControl& realAudio1;
};

// The back-end a recording plays through: a .wav through the MCI one, everything else
// through the streaming one. Its values are fixed (0, 1, 2); nothing stores them.
enum class EngineKind : std::int16_t { None = 0, Mci = 1, Stream = 2 };

class Form1 final : public PlayListStep, public MainWindowCommands, private Listening {
 public:
  // The status line when a key the scheme's run has turned off is pressed.
  static constexpr std::string_view kKeyOffDuringRun = "复读方案正在进行：先按 Alt+X 结束它，再用这个键（打开文件等）";
  // `openListManager` shows the list manager window (which disables this one meanwhile).
  Form1(const Form1Controls& controls, const Form1Devices& devices, std::string appPath,
        std::function<void()> openListManager);
  ~Form1() override;

  // Window events.
  void load();
  // The program's own moment of becoming active: the first showing, and the return from
  // the list manager. Switching applications is not it.
  void activate();
  // The close box or the exit command is closing the window; false keeps it open.
  bool queryClose();
  // The program must end now (a termination signal, the desktop's logout): leaves as the
  // exit command does, without a question; a dictation that cannot be saved stays in its
  // recovery copy.
  void leaveNow();
  // The desktop session asks the program to save before it may end.
  void saveForSession();

  // Keeps recovery copies of the dictation in `folder`, written on `timer` (the window's
  // own), from now on. Without it nothing but the dictation files is written.
  void keepRecoveryCopies(FileFolder& folder, ui::Timer& timer);
  // Keeps the program's own options (the speed, the loop's options) in `settings`; call
  // before load().
  void keepUserSettings(UserSettings& settings) {
    settings_ = &settings;
    player_.useSettings(&settings);
    speed_->useSettings(&settings);
  }
  // Reads the recordings' dictation files and their .lrc and .srt through `reader` (by
  // default on this thread, at once): the box takes no typing until its text has arrived.
  void useFileReader(FileReader& reader) {
    reader_ = &reader;
    player_.useReader(reader);
  }
  // A Ctrl+click on a timestamp in the dictation: a jump there, while a file plays.
  void jumpToTimestamp(double ms);
  // Makes a lesson of a word list (a .txt) opened as a recording is, and opens the lesson.
  void useLessonMaker(LessonMaker& maker) { lessons_ = &maker; }
  // The options window that Alt+O shows.
  void useLoopOptionsDialog(LoopOptionsDialog& dialog) { loopOptionsDialog_ = &dialog; }
  // The practice window that Alt+W and the "逐句练习" area show, and that shows Alt+Y's check.
  void usePracticeWindow(PracticeWindowView& window) { practiceWindow_ = &window; }
  LoopPacer& loopPacer() { return *pacer_; }
  PlaybackSpeed& speed() { return *speed_; }
  // The player sentence by sentence, as the practice and review windows use it.
  SentencePlayer& player() { return player_; }
  const SentencePlayer& player() const { return player_; }
  // A file the program keeps for itself (a recovery copy, the settings) could not be
  // written: the user is told; its folder keeps the text and tries again.
  void tellUnwrittenFile(const std::string& path);
  // After the first showing: offers back the recovery copies a crash or a kill left, one
  // recording at a time; yes opens the recording with its restored text.
  void offerRecoveryCopies();

  // The three ways into a command. Each does nothing while its button or area is disabled.
  void buttonClicked(int number);     // Command1 to Command38
  void clickAreaClicked(int number);  // Label4, Label5, Label8 to Label22, Label24
  // Alt+letter: runs the first enabled button whose caption carries "&letter". Returns
  // whether a button took the key.
  bool accessKey(char letter) override;

  void run(Command command);
  void startCommand();
  void stopCommand();
  void repeatCommand();
  void toEndCommand();
  void pauseCommand();
  void continueCommand();
  void forwardCommand();
  void rewindCommand();
  void openFileCommand();
  // A word list chosen in the dialog (one word a line), made into a lesson and opened.
  void openWordListCommand() override;
  void exitCommand();
  void openPlayList();
  // A recording or a play list named on the command line (the desktop's "open with"):
  // opened as if chosen in the dialog.
  void openFromCommandLine(const std::string& path);

  // PlayListStep
  bool hasNextEntry() const override;
  void advancePlayList() override;

  // State, for the window and the tests.
  bool buttonEnabled(int number) const { return button(number).enabled(); }
  const PlayerVariables& variables() const override { return variables_; }
  EngineKind engineKind() const { return engineKind_; }
  std::int16_t listIndex() const { return queue_.index(); }
  const std::string& listEntry(int slot) const { return queue_.entry(slot); }
  const std::string& appPath() const { return appPath_; }
  const std::string& pathFile() const { return pathFile_; }
  const std::string& settingsFile() const { return settingsFile_; }
  MciBackEnd& mciBackEnd() { return *mci_; }
  StreamBackEnd& streamBackEnd() { return *stream_; }
  DictationStore& dictation() { return *dictation_; }
  AppearanceSettings& appearance() { return *appearance_; }

  static std::string usageText();
  // The MCI back-end plays its kind; every other one plays through the streaming back-end.
  static bool usesMciBackEnd(EngineKind kind) { return kind == EngineKind::Mci; }
  static Command commandOfButton(int number);
  // The command of a click area, or false when the label is no click area.
  static bool commandOfClickArea(int number, Command& command);

 private:
  ui::Button& button(int number) const { return *c_.buttons.at(static_cast<std::size_t>(number - 1)); }
  ui::Label& label(int number) const { return *c_.labels.at(static_cast<std::size_t>(number - 1)); }
  void focusAfterCancelledDialog();
  // The dialogs' initial folder: path.ini's first line as read ("" when missing).
  std::string lastFolderLine() const;
  void rememberFolderOf(const std::string& chosenPath);
  // Selects the back-end for `path` by the "wav" rule and quiets the other one.
  void selectBackEndFor(const std::string& path);
  // The open command's steps with the dialog showing `filter`'s files.
  void openThroughDialog(std::string_view filter);
  // A word list opened: its lesson made in the background, then opened; the status line
  // says so meanwhile.
  void openWordList(const std::string& path);
  // The steps after the dialog has returned a file or a list.
  void openChosenFile(const std::string& path);
  void openChosenList(const std::string& path);
  // Saves the dictation before the program ends; false keeps the window open.
  bool saveBeforeLeaving();
  // Tells the user, once per start, why the file just started cannot be played.
  void sayWhyItCannotPlay();
  // A player command that acts inside a scheme's run rather than ending it.
  bool actsInsideRun(Command command) const;
  // Alt+O: the loop options, edited in their window and kept.
  void editLoopOptions();
  // The stretch engine of the loop options, told to both devices.
  void useStretch(StretchEngine engine);
  // Alt+T: the playing position as "[mm:ss.t]" at the cursor.
  void insertTimestamp();
  // Alt+Y: the dictation checked in the practice window (which runs the check off this
  // thread and shows it).
  void checkDictationCommand();
  // Listening. The position and the length, while the MCI back-end is paused (its device
  // closed): where it paused and the length it had.
  bool playing() const override;
  double position() const override;
  double length() const override;
  PlayerBackEnd& backEnd() override;
  bool streaming() const override { return !usesMciBackEnd(engineKind_); }
  const std::string& recording() const override { return recording_.path(); }
  int speedTenths() const override { return speed_->tenths(); }
  std::string dictationText() const override { return c_.text1.text(); }
  void pause() override { run(Command::Pause); }
  void open(const std::string& recording) override { openFromCommandLine(recording); }
  bool mciPaused() const;

  Form1Controls c_;
  Form1Devices d_;
  CurrentRecording recording_;
  std::function<void()> openListManager_;
  std::string appPath_;
  std::string pathFile_;
  std::string settingsFile_;

  PlayerVariables variables_;
  EngineKind engineKind_ = EngineKind::None;
  PlayQueue queue_;
  bool shown_ = false;            // the window has been shown once
  bool leaving_ = false;          // the exit command has saved and is closing the window
  double mciPausedLengthMs_ = 0;  // the length the MCI device had when its pause closed it

  std::unique_ptr<PlayerControls> playerControls_;
  std::unique_ptr<MciBackEnd> mci_;
  std::unique_ptr<StreamBackEnd> stream_;
  std::unique_ptr<DictationStore> dictation_;
  std::unique_ptr<AppearanceSettings> appearance_;
  std::unique_ptr<WebPanel> webPanel_;
  std::unique_ptr<RecoveryKeeper> recovery_;
  std::unique_ptr<PlaybackSpeed> speed_;
  std::unique_ptr<LoopPacer> pacer_;
  SentencePlayer player_{*this, *pacer_};
  UserSettings* settings_ = nullptr;
  LoopOptionsDialog* loopOptionsDialog_ = nullptr;
  PracticeWindowView* practiceWindow_ = nullptr;
  LessonMaker* lessons_ = nullptr;
  std::uint32_t lessonMade_ = 0;  // the newest word list being made; older answers are dropped
  InlineFileReader inlineReader_;
  FileReader* reader_ = &inlineReader_;
  std::uint32_t dictationRead_ = 0;  // the newest read of a dictation file; older answers are dropped
};

}  // namespace tessaly
