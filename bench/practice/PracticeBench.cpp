// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-practice: what the practice window costs the user-interface thread. It builds the
// whole program (real engine, real waveform scan), opens FILE, opens the practice window and
// measures: the call that opens it, the time until the first and the whole waveform is there,
// then for SECONDS of playing how often the waveform repaints by itself, and for SECONDS more
// each frame's work (taking the player's picture, the sentences, the peaks) and a forced
// repaint of the waveform, and a full redraw after a zoom. Prints one JSON
// line; --shot saves pictures of both windows.
//
// With --scheme NAME it measures a repeat scheme's run instead: the longest event the
// user-interface thread handles over SECONDS of listening, the call of Alt+R that starts the
// scheme, and the longest event over SECONDS of the run (its passes, pauses and moves on).
//
// With --take N it measures 跟读 on sentence N (from 1), the microphone being SDL's disk
// driver reading SDL_DISKAUDIOFILEIN (raw 32-bit float, mono, 22050 Hz) in real time: from
// the take key to the first frame whose meter shows a level, the take's length, and from the
// take's end to the comparison drawn.
//
//   tessaly-practice FILE [SECONDS] [--shot FOLDER]   (QT_QPA_PLATFORM=offscreen, SDL_AUDIODRIVER=dummy)
//   tessaly-practice FILE [SECONDS] --scheme NAME
//   tessaly-practice FILE --take N   (SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILEIN=MIC.raw SDL_DISKAUDIOFILE=/dev/null)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Program.h"
#include "qt/PracticeWindow.h"
#include "qt/TakePanel.h"
#include "qt/TakeView.h"

namespace {

// The user-interface thread's calls: each event it handles, timed.
class TimedApplication final : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    if (depth_++ > 0) {  // an event inside an event: the outer one's time holds it
      const bool done = QApplication::notify(receiver, event);
      --depth_;
      return done;
    }
    QElapsedTimer t;
    t.start();
    const bool done = QApplication::notify(receiver, event);
    longestMs = std::max(longestMs, static_cast<double>(t.nsecsElapsed()) / 1e6);
    ++events;
    --depth_;
    return done;
  }
  double longestMs = 0;
  long events = 0;

 private:
  int depth_ = 0;
};

// Counts the paints the window asks for by itself.
class PaintCounter final : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

double msOf(QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs the event loop for `ms`, as the window's 30 ms timer leaves it between frames.
void waitMs(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Listening, then the scheme's run, each for `seconds`; the longest event of each.
int measureScheme(TimedApplication& app, tessaly::qt::MainWindow& window, const std::string& file,
                  const std::string& scheme, double seconds) {
  auto& form = window.form();
  form.player().chooseScheme(scheme);
  waitMs(1000);  // the sentences are found, the sound has started
  app.longestMs = 0;
  app.events = 0;
  waitMs(static_cast<int>(seconds * 1000));
  const double listeningMs = app.longestMs;
  const long listeningEvents = app.events;
  QElapsedTimer call;
  call.start();
  form.run(tessaly::Command::RepeatSentence);
  const double startMs = msOf(call);
  const bool running = form.loopPacer().running();
  app.longestMs = 0;
  app.events = 0;
  waitMs(static_cast<int>(seconds * 1000));
  std::printf(
      "{\"file\":\"%s\",\"scheme\":\"%s\",\"running\":%s,\"status\":\"%s\",\"listening_longest_event_ms\":%.3f,"
      "\"listening_events\":%ld,\"start_call_ms\":%.3f,\"run_longest_event_ms\":%.3f,\"run_events\":%ld}\n",
      file.c_str(), scheme.c_str(), running ? "true" : "false", form.player().runCaption().c_str(), listeningMs,
      listeningEvents, startMs, app.longestMs, app.events);
  form.leaveNow();
  return 0;
}

// A take of sentence `number` through the practice window's take key, as the learner makes it.
int measureTake(tessaly::qt::MainWindow& window, const std::string& file, int number) {
  auto& form = window.form();
  form.run(tessaly::Command::PracticeWindow);
  auto& practice = *window.practiceWindow();
  tessaly::qt::TakePanel* panel = practice.takePanel();
  waitMs(1000);  // the sentences are found, the sound has started
  const auto& sentences = form.player().sentenceMap().sentences;
  if (!panel || number < 1 || number > static_cast<int>(sentences.size())) {
    std::fprintf(stderr, "tessaly-practice: no 跟读, or no sentence %d\n", number);
    return 1;
  }
  form.player().repeatSentence(sentences[static_cast<std::size_t>(number - 1)]);
  waitMs(300);
  auto* meter = practice.findChild<QProgressBar*>(QStringLiteral("TakeMeter"));
  auto* view = practice.findChild<tessaly::qt::TakeView*>(QStringLiteral("TakeView"));
  tessaly::ShadowForm& shadow = panel->logic();
  QElapsedTimer clock;
  clock.start();
  panel->toggleTake();               // the F5 key's work
  const double keyMs = msOf(clock);  // how long the key held the user-interface thread
  double meterMs = -1;
  while (meterMs < 0 && clock.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    if (meter->value() > 0) meterMs = msOf(clock);
  }
  while ((shadow.state() == tessaly::TakeState::Starting || shadow.state() == tessaly::TakeState::Recording) &&
         clock.elapsed() < 60000)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
  QElapsedTimer after;
  after.start();
  while (!view->shown() && after.elapsed() < 10000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
  view->repaint();  // the paint the window's next frame asks for, done now
  const double drawnMs = msOf(after);
  const auto& c = view->shown();
  std::printf(
      "{\"file\":\"%s\",\"sentence\":%d,\"key_ms\":%.2f,\"first_meter_frame_ms\":%.1f,\"take_ms\":%.0f,"
      "\"comparison_drawn_ms\":%.1f,\"score\":%d,\"caption\":\"%s\"}\n",
      file.c_str(), number, keyMs, meterMs, c ? c->takeMs : 0.0, drawnMs, c ? c->score.score : 0, shadow.caption().c_str());
  form.leaveNow();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TimedApplication app(argc, argv);
  std::string file, shots, scheme;
  double seconds = 10;
  int take = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--shot") == 0 && i + 1 < argc) shots = argv[++i];
    else if (std::strcmp(argv[i], "--scheme") == 0 && i + 1 < argc) scheme = argv[++i];
    else if (std::strcmp(argv[i], "--take") == 0 && i + 1 < argc) take = std::atoi(argv[++i]);
    else if (file.empty()) file = argv[i];
    else seconds = std::atof(argv[i]);
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: tessaly-practice FILE [SECONDS] [--shot FOLDER | --scheme NAME | --take N]\n");
    return 2;
  }
  tessaly::Program program;
  auto& window = program.window();
  window.show();
  QApplication::processEvents();
  window.form().openFromCommandLine(file);
  QApplication::processEvents();
  if (!scheme.empty()) return measureScheme(app, window, file, scheme, seconds);
  if (take > 0) return measureTake(window, file, take);

  QElapsedTimer clock;
  clock.start();
  QElapsedTimer call;
  call.start();
  window.form().run(tessaly::Command::PracticeWindow);
  const double openMs = msOf(call);
  auto& practice = *window.practiceWindow();
  QWidget* wave = practice.findChild<QWidget*>(QStringLiteral("Waveform"));
  // The waveform's arrival, the window's frames running as its timer runs them.
  double firstPeaksMs = -1, allPeaksMs = -1;
  while (msOf(clock) < 60000) {
    practice.frame();
    const auto& logic = practice.logic();
    if (firstPeaksMs < 0 && !logic.peaks().buckets.empty()) firstPeaksMs = msOf(clock);
    if (logic.peaksFinished()) {
      allPeaksMs = msOf(clock);
      break;
    }
    waitMs(30);
  }
  // Playing, the window shown: first the paints the window asks for by itself, then each
  // frame's work with a forced repaint of the waveform.
  PaintCounter counter;
  wave->installEventFilter(&counter);
  QElapsedTimer playing;
  playing.start();
  while (msOf(playing) < seconds * 1000) {
    practice.frame();
    waitMs(30);
  }
  const double paintsPerSecond = counter.paints / seconds;
  wave->removeEventFilter(&counter);
  std::vector<double> frames, paints;
  playing.restart();
  while (msOf(playing) < seconds * 1000) {
    call.restart();
    practice.frame();
    frames.push_back(msOf(call));
    call.restart();
    wave->repaint();
    paints.push_back(msOf(call));
    waitMs(30);
  }
  // A zoom redraws the peaks: the whole recording, then a 2-second stretch.
  std::vector<double> redraws;
  for (int i = 0; i < 12; ++i) {
    practice.logic().view().zoomIn(practice.logic().picture().positionMs);
    call.restart();
    wave->repaint();
    redraws.push_back(msOf(call));
  }
  if (!shots.empty()) {
    practice.logic().view().showWhole();
    practice.frame();
    practice.grab().save(QString::fromStdString(shots + "/practice-window.png"));
    window.grab().save(QString::fromStdString(shots + "/main-window.png"));
  }
  std::printf(
      "{\"file\":\"%s\",\"open_call_ms\":%.2f,\"first_peaks_ms\":%.1f,\"all_peaks_ms\":%.1f,\"buckets\":%zu,"
      "\"frames\":%zu,\"frame_median_ms\":%.3f,\"frame_max_ms\":%.3f,\"paint_median_ms\":%.3f,\"paint_max_ms\":%.3f,"
      "\"zoom_redraw_max_ms\":%.3f,\"paints_per_second_alone\":%.1f}\n",
      file.c_str(), openMs, firstPeaksMs, allPeaksMs, practice.logic().peaks().buckets.size(), frames.size(),
      median(frames), frames.empty() ? 0 : *std::max_element(frames.begin(), frames.end()), median(paints),
      paints.empty() ? 0 : *std::max_element(paints.begin(), paints.end()),
      *std::max_element(redraws.begin(), redraws.end()), paintsPerSecond);
  window.form().leaveNow();
  return 0;
}
