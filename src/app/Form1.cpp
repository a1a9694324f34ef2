// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"

#include <cctype>
#include <optional>
#include <utility>

#include "app/MainWindowLayout.h"
#include "playback/FailureText.h"
#include "playback/PlayerLayouts.h"
#include "practice/Timestamps.h"

namespace tessaly {

Form1::Form1(const Form1Controls& controls, const Form1Devices& devices, std::string appPath,
             std::function<void()> openListManager)
    : c_(controls),
      d_(devices),
      recording_(label(layout::kRecordingLabel)),
      openListManager_(std::move(openListManager)),
      appPath_(std::move(appPath)),
      // The loops' own ticks, paced by the loop options (which by default change nothing).
      pacer_(std::make_unique<LoopPacer>(variables_, d_.mmControl1, d_.realAudio1, [this] { repeatCommand(); })) {
  std::array<ui::Button*, kPlayerButtonCount> playerButtons{};
  for (std::size_t i = 0; i < playerButtons.size(); ++i) playerButtons[i] = c_.buttons[i];
  playerControls_ = std::make_unique<PlayerControls>(
      PlayerControls{label(layout::kStatusLabel), recording_, label(layout::kElapsedLabel), label(layout::kLengthLabel),
                     c_.slider1, c_.text1, c_.pictures, playerButtons, c_.timer1, c_.timer2, c_.timer3});
  mci_ = std::make_unique<MciBackEnd>(variables_, *playerControls_, d_.mmControl1, *this);
  stream_ = std::make_unique<StreamBackEnd>(variables_, *playerControls_, d_.realAudio1, *this);
  dictation_ = std::make_unique<DictationStore>(c_.text1, recording_, c_.messages);
  speed_ = std::make_unique<PlaybackSpeed>(d_.mmControl1, d_.realAudio1, label(layout::kSpeedLabel), nullptr);

  // The state the window is designed with, before load runs.
  button(kRepeatButton).setEnabled(false);
  button(kContinueButton).setEnabled(false);
  label(layout::kRepeatArea).setEnabled(false);
  label(layout::kContinueArea).setEnabled(false);
  label(layout::kStatusLabel).setCaption(std::string(captions::kWaiting));
  recording_.set({});
  label(layout::kTimeSlashLabel).setCaption("/");
  label(layout::kElapsedLabel).setCaption(std::string(captions::kIdleTime));
  label(layout::kLengthLabel).setCaption(std::string(captions::kIdleTime));
  showPicture(StatusPicture::Waiting, *playerControls_);

  c_.timer1.setInterval(600);
  c_.timer2.setInterval(100);
  c_.timer3.setInterval(20);
  c_.timer1.setTickHandler([this] { pacer_->mciTick([this] { mci_->repeatLoopTick(); }, c_.timer1.interval()); });
  c_.timer2.setTickHandler([this] { stream_->streamTrackTick(); });
  c_.timer3.setTickHandler([this] { pacer_->streamTick([this] { stream_->streamLoopTick(); }, c_.timer3.interval()); });
  c_.timer1.setEnabled(false);
  c_.timer2.setEnabled(false);
  c_.timer3.setEnabled(true);
  webPanel_ = std::make_unique<WebPanel>(c_.webBrowser1, c_.timer6);
  d_.mmControl1.setStatusHandler([this] { mci_->mciStatusUpdate(); });
}

Form1::~Form1() {
  d_.mmControl1.setStatusHandler(nullptr);
  for (ui::Timer* timer : {&c_.timer1, &c_.timer2, &c_.timer3, &c_.timer6}) {
    timer->setEnabled(false);
    timer->setTickHandler(nullptr);
  }
}

// ---- Window events ----

void Form1::load() {
  c_.window.setOuterSize(layout::kOuterWidth, layout::kOuterHeight);
  c_.window.moveUp(250);

  pathFile_ = appPath_ + "/path.ini";
  settingsFile_ = appPath_ + "/900_8.dat";

  variables_.segmentStart = variables_.segmentEnd = 1.0;
  variables_.reopening = 0;
  variables_.repeatState = RepeatState::NothingPlayed;
  queue_.clear();
  engineKind_ = EngineKind::Mci;
  variables_.startStage = 0;

  constexpr int kDisabledAtLoad[] = {
      kForwardButton, kRewindButton, kToEndButton, kPauseButton, kStartButton, kStartButton + kAccessKeyTwin, kStopButton};
  for (int number : kDisabledAtLoad) button(number).setEnabled(false);

  appearance_ = std::make_unique<AppearanceSettings>(c_.text1, settingsFile_, c_.messages);
  appearance_->loadAppearance();
  speed_->load();
  if (settings_) {
    pacer_->setOptions(LoopOptions::load(*settings_));
    useStretch(pacer_->options().stretch);
  }
  pacer_->useRunDisplay(label(layout::kStatusLabel), [this] { return speed_->tenths() / 10.0; });
  webPanel_->navigate(WebPanel::pageAddress(appPath_));
}

void Form1::activate() {
  // Only the first showing sets the window up; the return from the list manager leaves the
  // window where it is and the dictation as the user left it.
  if (shown_) return;
  shown_ = true;
  c_.window.setOuterSize(layout::kOuterWidth, layout::kOuterHeight);
  c_.window.moveUp(230);
  if (!button(kRepeatButton).enabled() && !button(kStartButton).enabled()) {
    button(kOpenFileButton).setFocus();
    showPicture(StatusPicture::Waiting, *playerControls_);
  } else if (!button(kRepeatButton).enabled()) {
    button(kStartButton).setFocus();
    showPicture(StatusPicture::Waiting, *playerControls_);
  } else {
    c_.text1.setFocus();
    showPicture(variables_.repeatState == RepeatState::Listening ? StatusPicture::Playing : StatusPicture::Repeating,
                *playerControls_);
  }
  c_.text1.setText(usageText());
}

bool Form1::queryClose() {
  if (!leaving_) {
    // The close box saves the dictation as the exit command does: nothing typed is lost.
    if (!saveBeforeLeaving()) return false;
    d_.realAudio1.stop();
  }
  d_.mmControl1.sendCommand("close");
  return true;
}

void Form1::leaveNow() {
  if (leaving_) return;
  d_.realAudio1.stop();
  d_.mmControl1.sendCommand("close");
  saveForSession();
  leaving_ = true;
  c_.window.close();
}

void Form1::saveForSession() {
  // Nobody may be there to answer: a failure only keeps the text in its recovery copy.
  (void)dictation_->saveQuietly();
}

void Form1::tellUnwrittenFile(const std::string& path) {
  c_.messages.inform("无法写入文件：\n" + path + "\n要写入的内容先留在内存中，程序会在后台每隔几秒再试一次。");
}

bool Form1::saveBeforeLeaving() {
  if (dictation_->saveDictationText()) return true;
  // The store has told the user why; leaving now would lose the text unless they insist.
  const auto answer = c_.messages.askYesNoCancel("听写内容没有保存。仍要退出吗？");
  return answer == ui::MessageBox::Answer::Yes;
}

// ---- Routing ----

Command Form1::commandOfButton(int number) { return layout::kButtonCommands[static_cast<std::size_t>(number - 1)]; }

bool Form1::commandOfClickArea(int number, Command& command) {
  const layout::ClickArea* area = layout::clickArea(number);
  if (!area) return false;
  command = area->command;
  return true;
}

void Form1::buttonClicked(int number) {
  if (number < 1 || number > layout::kAllButtonCount || !button(number).enabled()) return;
  run(commandOfButton(number));
}

void Form1::clickAreaClicked(int number) {
  Command command{};
  if (number < 1 || number > layout::kAllLabelCount || !commandOfClickArea(number, command)) return;
  if (!label(number).enabled()) return;
  run(command);
}

bool Form1::accessKey(char letter) {
  const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  for (int number = 1; number <= layout::kAllButtonCount; ++number) {
    if (layout::accessKeyOf(button(number).caption()) != key || !button(number).enabled()) continue;
    run(commandOfButton(number));
    return true;
  }
  // A key the scheme's run has turned off (Alt+F, Alt+S…) says what to press instead.
  if (pacer_->running())
    for (int number = 1; number <= layout::kAllButtonCount; ++number)
      if (layout::accessKeyOf(button(number).caption()) == key) {
        label(layout::kStatusLabel).setCaption(std::string(kKeyOffDuringRun));
        return true;
      }
  return false;
}

void Form1::run(Command command) {
  switch (command) {
    case Command::Start:
    case Command::Stop:
    case Command::Repeat:
    case Command::ToEnd:
    case Command::Pause:
    case Command::Continue:
    case Command::Forward:
    case Command::Rewind:
    case Command::OpenFile:
    case Command::OpenPlayList:
    case Command::PreviousSentence:
    case Command::NextSentence:
    case Command::RepeatSentence:
      // A command of the player's ends a pause between passes, and a scheme's run, but for
      // those that act inside a run: Alt+Z, and Alt+N and Alt+P, which move it.
      if (!actsInsideRun(command)) {
        pacer_->endRun();
        pacer_->reset();
      }
      break;
    default: break;
  }
  switch (command) {
    case Command::Start: startCommand(); break;
    case Command::Stop: stopCommand(); break;
    case Command::Repeat: repeatCommand(); break;
    case Command::ToEnd: toEndCommand(); break;
    case Command::Pause: pauseCommand(); break;
    case Command::Continue: continueCommand(); break;
    case Command::Forward: forwardCommand(); break;
    case Command::Rewind: rewindCommand(); break;
    case Command::OpenFile: openFileCommand(); break;
    case Command::Exit: exitCommand(); break;
    case Command::SaveText: dictation_->saveTextCommand(); break;
    case Command::FontBigger: appearance_->fontBiggerCommand(); break;
    case Command::FontSmaller: appearance_->fontSmallerCommand(); break;
    case Command::Bold: appearance_->boldCommand(); break;
    case Command::TextColour: appearance_->textColourCommand(); break;
    case Command::BackColour: appearance_->backColourCommand(); break;
    case Command::OpenPlayList: openPlayList(); break;
    case Command::ManageLists:
      if (openListManager_) openListManager_();
      break;
    case Command::Slower:
      speed_->slower();
      c_.text1.setFocus();
      break;
    case Command::Faster:
      speed_->faster();
      c_.text1.setFocus();
      break;
    case Command::NormalSpeed:
      speed_->normal();
      c_.text1.setFocus();
      break;
    case Command::PreviousSentence: player_.previousSentence(); break;
    case Command::NextSentence: player_.nextSentence(); break;
    case Command::RepeatSentence: player_.repeatHere(); break;
    case Command::LoopOptions: editLoopOptions(); break;
    case Command::Timestamp: insertTimestamp(); break;
    case Command::CheckDictation: checkDictationCommand(); break;
    case Command::PracticeWindow:
      if (practiceWindow_) practiceWindow_->open();
      break;
  }
}

// ---- Player commands ----

PlayerBackEnd& Form1::backEnd() {
  if (usesMciBackEnd(engineKind_)) return *mci_;
  return *stream_;
}

void Form1::startCommand() {
  stopCommand();
  backEnd().start();
  // A video's picture is never shown; the window says so while one is open.
  const bool picture = usesMciBackEnd(engineKind_) ? d_.mmControl1.hasPicture() : d_.realAudio1.hasPicture();
  label(layout::kPictureLabel).setCaption(picture ? std::string(layout::kPictureNote) : std::string());
  player_.mapSentences();
  sayWhyItCannotPlay();
}

bool Form1::playing() const {
  // Playing, normally or in the loop: the pause key is live then, and only then.
  return variables_.repeatState != RepeatState::NothingPlayed && button(kPauseButton + kAccessKeyTwin).enabled();
}

bool Form1::mciPaused() const {
  return usesMciBackEnd(engineKind_) && !d_.mmControl1.isOpen() && variables_.repeatState != RepeatState::NothingPlayed &&
         button(kContinueButton).enabled();
}

double Form1::position() const {
  if (mciPaused()) return variables_.resumePosition;
  return usesMciBackEnd(engineKind_) ? d_.mmControl1.position() : d_.realAudio1.position();
}

double Form1::length() const {
  if (mciPaused()) return mciPausedLengthMs_;
  return usesMciBackEnd(engineKind_) ? d_.mmControl1.length() : d_.realAudio1.length();
}

void Form1::insertTimestamp() {
  if (variables_.repeatState != RepeatState::NothingPlayed) c_.text1.insertAtCursor(timestampText(position()));
  c_.text1.setFocus();
}

void Form1::jumpToTimestamp(double ms) { player_.jumpTo(ms); }

void Form1::useStretch(StretchEngine engine) {
  d_.mmControl1.setStretch(engine);
  d_.realAudio1.setStretch(engine);
}

void Form1::checkDictationCommand() {
  if (practiceWindow_) practiceWindow_->openAndCheck();
}

void Form1::editLoopOptions() {
  if (!loopOptionsDialog_) return;
  LoopOptions options = pacer_->options();
  SchemeChoice& schemes = player_.schemes();
  loopOptionsDialog_->offerSchemes(schemes.all(), schemes.scheme().name);
  if (loopOptionsDialog_->edit(options)) {
    pacer_->setOptions(options);
    useStretch(options.stretch);
    // The options, the learner's schemes and the choice: the settings file written once.
    std::optional<UserSettings::Batch> batch;
    if (settings_) batch.emplace(*settings_);
    if (settings_) options.save(*settings_);
    schemes.keepOwn(loopOptionsDialog_->schemes());
    schemes.choose(loopOptionsDialog_->chosenScheme());
  }
  c_.text1.setFocus();
}

bool Form1::actsInsideRun(Command command) const {
  if (!pacer_->running()) return false;
  return command == Command::Pause || command == Command::Continue || command == Command::PreviousSentence ||
         command == Command::NextSentence;
}

void Form1::sayWhyItCannotPlay() {
  if (!recording_.chosen()) return;
  const std::string why = failureInChinese(usesMciBackEnd(engineKind_) ? d_.mmControl1.failure() : d_.realAudio1.failure());
  if (why.empty()) return;
  c_.messages.inform("无法播放这个语音文件：\n" + recording_.path() + "\n" + why);
}

void Form1::stopCommand() { backEnd().stop(); }

void Form1::repeatCommand() {
  backEnd().toggleRepeat();
  c_.text1.setFocus();
}

void Form1::toEndCommand() { backEnd().toEnd(); }
void Form1::pauseCommand() {
  if (usesMciBackEnd(engineKind_)) mciPausedLengthMs_ = d_.mmControl1.length();
  backEnd().pause();
  pacer_->holdRun(true);
}
void Form1::continueCommand() {
  pacer_->beforeContinue(usesMciBackEnd(engineKind_));
  backEnd().continuePlayback();
  pacer_->holdRun(false);
}
void Form1::forwardCommand() { backEnd().forward(); }
void Form1::rewindCommand() { backEnd().rewind(); }

void Form1::exitCommand() {
  d_.realAudio1.stop();
  d_.mmControl1.sendCommand("close");
  if (!saveBeforeLeaving()) return;
  leaving_ = true;
  c_.window.close();
}

std::string Form1::usageText() {
  std::string text = "\r\n";
  for (std::size_t i = 0; i < layout::kUsageLines.size(); ++i) {
    if (i > 0) text += "\r\n\r\n";
    text += layout::kUsageLines[i];
  }
  return text;
}

}  // namespace tessaly
