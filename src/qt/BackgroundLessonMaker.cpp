// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/BackgroundLessonMaker.h"

namespace tessaly::qt {

BackgroundLessonMaker::BackgroundLessonMaker(Make make) : make_(std::move(make)) {}

void BackgroundLessonMaker::make(const std::string& listPath, const std::string& folder,
                                 std::function<void(MadeLesson)> done) {
  done_ = std::move(done);
  serial_ = worker_.start([this, listPath, folder](const std::atomic<bool>&, const auto& publish) {
    MadeLesson made = make_(listPath, folder);
    publish([&](MadeLesson& result) { result = std::move(made); }, true);
    // An older lesson's handing over finds nothing to take: only the newest is given.
    uiThread_.post([this] {
      auto lesson = worker_.take(serial_);
      if (!lesson) return;
      if (auto finished = std::move(done_)) finished(std::move(*lesson));
    });
  });
}

}  // namespace tessaly::qt
