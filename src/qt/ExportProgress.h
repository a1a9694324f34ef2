// SPDX-License-Identifier: GPL-3.0-or-later
// ExportProgress: the progress dialog of a background job (a drill exported, the review's
// cards exported, a transcript aligned), with its cancel button, following an ExportJob.
// The dialog is made at the first start, shown at 0% on each start, its percent and its
// accessible name ("…的进度：42%") moved as the job moves, hidden when it finishes or is
// cancelled.
//
// User-interface thread; frame() is called by the owning window's timer.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

#include "drill/ExportJob.h"

class QProgressDialog;
class QWidget;

namespace tessaly::qt {

class ExportProgress {
 public:
  struct Words {
    QString title;       // the dialog's title
    QString label;       // the line above its bar
    QString objectName;  // the dialog's name, for the tests
    QString progress;    // its accessible name before the percent ("导出复读录音的进度：")
  };
  ExportProgress(Words words, ExportJob::Engine engine, QWidget* parent);

  // Starts a job through `start` (the one under way cancelled first) and shows the dialog at 0%.
  void start(const std::function<std::uint32_t()>& start);
  // The dialog follows the job; true when it has just finished (the dialog is hidden then).
  bool frame();
  bool underWay() const { return job_.underWay(); }

 private:
  void showPercent(int percent);

  Words words_;
  ExportJob job_;
  QWidget* parent_;
  QProgressDialog* dialog_ = nullptr;
};

}  // namespace tessaly::qt
