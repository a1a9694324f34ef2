// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MediaKeys.h"

#include <filesystem>

#include "app/Form1.h"

namespace tessaly {

const char* statusName(MediaStatus status) {
  switch (status) {
    case MediaStatus::Playing: return "Playing";
    case MediaStatus::Paused: return "Paused";
    case MediaStatus::Stopped: break;
  }
  return "Stopped";
}

MediaState MediaKeys::state() const {
  MediaState s;
  const PlayerPicture picture = form_.player().picture();
  s.recording = picture.recording;
  s.canControl = !picture.recording.empty();
  s.lengthMs = picture.lengthMs;
  s.status = picture.playing                        ? MediaStatus::Playing
             : form_.buttonEnabled(kContinueButton) ? MediaStatus::Paused
                                                    : MediaStatus::Stopped;
  s.title = form_.player().sentenceMap().title;
  if (s.title.empty() && s.canControl) s.title = std::filesystem::path(picture.recording).stem().string();
  return s;
}

double MediaKeys::positionMs() const { return form_.player().picture().positionMs; }

void MediaKeys::play() {
  const MediaStatus status = state().status;
  if (status == MediaStatus::Paused) form_.buttonClicked(kContinueButton);
  else if (status == MediaStatus::Stopped && state().canControl) form_.buttonClicked(kStartButton);
}

void MediaKeys::pause() {
  if (state().status == MediaStatus::Playing) form_.buttonClicked(kPauseButton);
}

void MediaKeys::playPause() {
  if (state().status == MediaStatus::Playing) pause();
  else play();
}

void MediaKeys::stop() { form_.buttonClicked(kStopButton); }

void MediaKeys::next() {
  const bool sentences = !form_.player().sentenceMap().sentences.empty();
  form_.buttonClicked(sentences ? layout::kNextSentenceKey : kForwardButton);
}

void MediaKeys::previous() {
  const bool sentences = !form_.player().sentenceMap().sentences.empty();
  form_.buttonClicked(sentences ? layout::kPreviousSentenceKey : kRewindButton);
}

void MediaKeys::seekBy(double offsetMs) { setPosition(positionMs() + offsetMs); }

void MediaKeys::setPosition(double ms) {
  const PlayerPicture picture = form_.player().picture();
  if (ms < 0) ms = 0;
  if (ms > picture.lengthMs) return;  // past the end: nothing, as the MPRIS way has it
  form_.jumpToTimestamp(ms);
}

}  // namespace tessaly
