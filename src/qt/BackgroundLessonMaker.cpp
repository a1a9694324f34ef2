// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/BackgroundLessonMaker.h"

namespace tessaly::qt {

BackgroundLessonMaker::BackgroundLessonMaker(Make make) : make_(std::move(make)) {
  poll_.setInterval(50);
  QObject::connect(&poll_, &QTimer::timeout, [this] {
    auto made = worker_.take(serial_);
    if (!made) return;
    poll_.stop();
    if (auto done = std::move(done_)) done(std::move(*made));
  });
}

void BackgroundLessonMaker::make(const std::string& listPath, const std::string& folder,
                                 std::function<void(MadeLesson)> done) {
  done_ = std::move(done);
  serial_ = worker_.start([this, listPath, folder](const std::atomic<bool>&, const auto& publish) {
    MadeLesson made = make_(listPath, folder);
    publish([&](MadeLesson& result) { result = std::move(made); }, true);
  });
  poll_.start();
}

}  // namespace tessaly::qt
