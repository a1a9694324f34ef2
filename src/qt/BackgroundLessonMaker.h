// SPDX-License-Identifier: GPL-3.0-or-later
// LessonMaker on the background worker: the engine's speech (given as a function, so this
// adapter needs no engine) makes the lesson on the worker's thread, which then posts its
// handing over to the user-interface thread (ui/UiThread.h), where `done` gets the newest
// lesson asked for.
//
// Threads: make() and `done` on the user-interface thread; the speech on the worker's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "qt/QtUiThread.h"
#include "wordlist/WordList.h"
#include "worker/BackgroundWorker.h"

namespace tessaly::qt {

class BackgroundLessonMaker final : public LessonMaker {
 public:
  using Make = std::function<MadeLesson(const std::string& listPath, const std::string& folder)>;
  explicit BackgroundLessonMaker(Make make);

  void make(const std::string& listPath, const std::string& folder, std::function<void(MadeLesson)> done) override;

 private:
  Make make_;
  std::uint32_t serial_ = 0;
  std::function<void(MadeLesson)> done_;
  QtUiThread uiThread_;                  // outlives the worker, whose jobs post to it
  BackgroundWorker<MadeLesson> worker_;  // last: its job uses make_
};

}  // namespace tessaly::qt
