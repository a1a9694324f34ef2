// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ExportProgress.h"

#include <QProgressDialog>

#include <utility>

namespace tessaly::qt {

ExportProgress::ExportProgress(Words words, ExportJob::Engine engine, QWidget* parent)
    : words_(std::move(words)), job_(std::move(engine)), parent_(parent) {}

void ExportProgress::start(const std::function<std::uint32_t()>& start) {
  job_.start(start);
  if (!dialog_) {
    dialog_ = new QProgressDialog(words_.label, QStringLiteral("取消"), 0, 100, parent_);
    dialog_->setWindowTitle(words_.title);
    dialog_->setObjectName(words_.objectName);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] {
      job_.cancel();
      dialog_->hide();
    });
  }
  dialog_->setValue(0);
  dialog_->setAccessibleName(words_.progress + QStringLiteral("0%"));
  dialog_->show();
}

bool ExportProgress::frame() {
  const ExportJob::Frame f = job_.frame();
  if (f.moved) showPercent(f.percent);
  if (!f.finished) return false;
  dialog_->hide();
  return true;
}

void ExportProgress::showPercent(int percent) {
  dialog_->setValue(percent);
  dialog_->setAccessibleName(words_.progress + QStringLiteral("%1%").arg(percent));
}

}  // namespace tessaly::qt
