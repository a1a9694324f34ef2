// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/LoopOptionsWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tessaly::qt {

namespace {

QLabel* explanation(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(80, 80, 80));
  label->setPalette(palette);
  return label;
}

QDoubleSpinBox* seconds(double most, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(0.0, most);
  box->setSingleStep(0.5);
  box->setDecimals(1);
  box->setSuffix(QStringLiteral(" 秒"));
  return box;
}

}  // namespace

LoopOptionsWindow::LoopOptionsWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("复读选项"));
  setObjectName(QStringLiteral("LoopOptionsWindow"));
  passes_ = new QSpinBox(this);
  passes_->setRange(0, LoopOptions::kMostPasses);
  passes_->setSpecialValueText(QStringLiteral("不限"));
  passes_->setSuffix(QStringLiteral(" 遍"));
  pause_ = seconds(LoopOptions::kLongestPauseMs / 1000.0, this);
  stepBack_ = seconds(LoopOptions::kLongestStepBackMs / 1000.0, this);
  passes_->setAccessibleName(QStringLiteral("复读遍数"));
  pause_->setAccessibleName(QStringLiteral("每遍之间停顿"));
  stepBack_->setAccessibleName(QStringLiteral("继续时倒回"));

  scheme_ = new QComboBox(this);
  scheme_->setAccessibleName(QStringLiteral("复读方案"));
  schemeText_ = explanation({}, this);
  schemeText_->setMinimumHeight(3 * schemeText_->fontMetrics().lineSpacing());  // room for the longest scheme's text
  schemeText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  connect(scheme_, &QComboBox::currentIndexChanged, this, [this] { describeScheme(); });

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("复读方案(&S)："), scheme_);
  form->addRow(schemeText_);
  form->addRow(QStringLiteral("复读遍数(&P)："), passes_);
  form->addRow(explanation(
      QStringLiteral("复读（Alt+X、Alt+R）放完这么多遍后自动接着往下播放；“不限”则一直复读，直到再按 Alt+X。"), this));
  form->addRow(QStringLiteral("每遍之间停顿(&D)："), pause_);
  form->addRow(explanation(QStringLiteral("每遍放完后先静音这么久再放下一遍，留出写字的时间；0 秒则立刻重放。"), this));
  form->addRow(QStringLiteral("继续时倒回(&B)："), stepBack_);
  form->addRow(
      explanation(QStringLiteral("暂停后按“继续”（Alt+Z）时，从暂停处往前这么多秒开始播放，接上刚才没听清的地方。"), this));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(460, sizeHint().height());
}

void LoopOptionsWindow::offerSchemes(const std::vector<RepeatScheme>& schemes, const std::string& chosen) {
  schemes_ = schemes;
  scheme_->clear();
  for (const RepeatScheme& s : schemes_) scheme_->addItem(QString::fromStdString(s.name));
  scheme_->setCurrentIndex(std::max(0, scheme_->findText(QString::fromStdString(chosen))));
  describeScheme();
}

std::string LoopOptionsWindow::chosenScheme() const { return scheme_->currentText().toStdString(); }

void LoopOptionsWindow::describeScheme() {
  const int at = scheme_->currentIndex();
  const QString text = at >= 0 && at < static_cast<int>(schemes_.size())
                           ? QString::fromStdString(schemeDescription(schemes_[static_cast<std::size_t>(at)]))
                           : QString();
  schemeText_->setText(text);
  scheme_->setAccessibleDescription(text);
}

bool LoopOptionsWindow::edit(LoopOptions& options) {
  passes_->setValue(options.passes);
  pause_->setValue(options.pauseMs / 1000.0);
  stepBack_->setValue(options.stepBackMs / 1000.0);
  passes_->setFocus();
  if (exec() != QDialog::Accepted) return false;
  options.passes = passes_->value();
  options.pauseMs = static_cast<int>(std::lround(pause_->value() * 1000));
  options.stepBackMs = static_cast<int>(std::lround(stepBack_->value() * 1000));
  return true;
}

}  // namespace tessaly::qt
