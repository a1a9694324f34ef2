// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/SchemeEditorWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace tessaly::qt {

namespace {

QDoubleSpinBox* spin(double least, double most, double step, int decimals, const QString& suffix,
                     const QString& accessibleName, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(least, most);
  box->setSingleStep(step);
  box->setDecimals(decimals);
  box->setSuffix(suffix);
  box->setAccessibleName(accessibleName);
  return box;
}

QSpinBox* wholePasses(const QString& accessibleName, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(0, 5);
  box->setSuffix(QStringLiteral(" 遍"));
  box->setAccessibleName(accessibleName);
  return box;
}

// One line of the pass list: "第 2 遍　0.85×　停 1 秒".
QString passLine(const SchemePass& pass, int number) {
  QString pause;
  if (pass.pauseMs > 0) pause += QStringLiteral("%1 秒").arg(pass.pauseMs / 1000.0);
  if (pass.pauseLengthTenths > 0)
    pause += (pause.isEmpty() ? QString() : QStringLiteral(" 加 ")) +
             QStringLiteral("句长的 %1 倍").arg(pass.pauseLengthTenths / 10.0);
  return QStringLiteral("第 %1 遍　%2×　%3")
      .arg(number)
      .arg(pass.speedPercent / 100.0, 0, 'f', pass.speedPercent % 10 ? 2 : 1)
      .arg(pause.isEmpty() ? QStringLiteral("不停") : QStringLiteral("停 ") + pause);
}

}  // namespace

SchemeEditorWindow::SchemeEditorWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("编辑复读方案"));
  setObjectName(QStringLiteral("SchemeEditorWindow"));
  name_ = new QLineEdit(this);
  name_->setAccessibleName(QStringLiteral("方案名称"));
  passes_ = new QListWidget(this);
  passes_->setAccessibleName(QStringLiteral("每句的各遍"));
  passes_->setMinimumHeight(5 * passes_->fontMetrics().lineSpacing());
  speed_ = spin(kSlowestPassPercent / 100.0, kFastestPassPercent / 100.0, 0.05, 2, QStringLiteral(" 倍速"),
                QStringLiteral("这一遍的速度"), this);
  pauseSeconds_ = spin(0, kLongestSchemePauseMs / 1000.0, 0.5, 1, QStringLiteral(" 秒"),
                       QStringLiteral("这一遍后停顿的秒数"), this);
  pauseLengths_ = spin(0, 10, 0.1, 1, QStringLiteral(" 倍句长"), QStringLiteral("这一遍后再停顿句长的几倍"), this);
  addPass_ = new QPushButton(QStringLiteral("加一遍(&A)"), this);
  removePass_ = new QPushButton(QStringLiteral("删去这一遍(&R)"), this);
  after_ = new QComboBox(this);
  after_->addItems({QStringLiteral("接着放下一句"), QStringLiteral("接着往下听（不再复读）")});
  after_->setAccessibleName(QStringLiteral("放完各遍之后"));
  wholeBefore_ = wholePasses(QStringLiteral("开始前先放全文的遍数"), this);
  wholeAfter_ = wholePasses(QStringLiteral("结束后再放全文的遍数"), this);
  description_ = new QLabel(this);
  description_->setWordWrap(true);
  description_->setMinimumHeight(3 * description_->fontMetrics().lineSpacing());
  description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* passButtons = new QHBoxLayout;
  passButtons->addWidget(addPass_);
  passButtons->addWidget(removePass_);
  passButtons->addStretch();
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("名称(&M)："), name_);
  form->addRow(QStringLiteral("每句放(&L)："), passes_);
  form->addRow(passButtons);
  form->addRow(QStringLiteral("这一遍的速度(&S)："), speed_);
  form->addRow(QStringLiteral("放完停顿(&D)："), pauseSeconds_);
  form->addRow(QStringLiteral("再加停顿(&E)："), pauseLengths_);
  form->addRow(QStringLiteral("放完各遍之后(&F)："), after_);
  form->addRow(QStringLiteral("开始前放全文(&B)："), wholeBefore_);
  form->addRow(QStringLiteral("结束后放全文(&W)："), wholeAfter_);
  form->addRow(description_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  connect(passes_, &QListWidget::currentRowChanged, this, [this] { showSelectedPass(); });
  for (QDoubleSpinBox* box : {speed_, pauseSeconds_, pauseLengths_})
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] { takeSelectedPass(); });
  connect(addPass_, &QPushButton::clicked, this, [this] {
    if (static_cast<int>(scheme_.passes.size()) >= kMostSchemePasses) return;
    const int at = passes_->currentRow();
    const SchemePass copy = at >= 0 ? scheme_.passes[static_cast<std::size_t>(at)] : SchemePass{};
    scheme_.passes.insert(scheme_.passes.begin() + (at + 1), copy);
    showPasses();
    passes_->setCurrentRow(at + 1);
  });
  connect(removePass_, &QPushButton::clicked, this, [this] {
    const int at = passes_->currentRow();
    if (at < 0 || scheme_.passes.size() <= 1) return;  // a scheme has at least one pass
    scheme_.passes.erase(scheme_.passes.begin() + at);
    showPasses();
    passes_->setCurrentRow(std::min(at, passes_->count() - 1));
  });
  connect(after_, &QComboBox::currentIndexChanged, this, [this](int at) {
    scheme_.after = at == 0 ? AfterPasses::NextSentence : AfterPasses::ListenOn;
    describe();
  });
  connect(wholeBefore_, &QSpinBox::valueChanged, this, [this](int n) {
    scheme_.wholeBefore = n;
    describe();
  });
  connect(wholeAfter_, &QSpinBox::valueChanged, this, [this](int n) {
    scheme_.wholeAfter = n;
    describe();
  });
  resize(440, sizeHint().height());
}

bool SchemeEditorWindow::edit(RepeatScheme& scheme, const std::vector<RepeatScheme>& others) {
  scheme_ = scheme;
  if (scheme_.passes.empty()) scheme_.passes.push_back({});
  others_ = others;
  showing_ = true;
  name_->setText(QString::fromStdString(scheme_.name));
  after_->setCurrentIndex(scheme_.after == AfterPasses::NextSentence ? 0 : 1);
  wholeBefore_->setValue(scheme_.wholeBefore);
  wholeAfter_->setValue(scheme_.wholeAfter);
  showing_ = false;
  showPasses();
  passes_->setCurrentRow(0);
  name_->setFocus();
  name_->selectAll();
  if (exec() != QDialog::Accepted) return false;
  scheme = scheme_;
  return true;
}

void SchemeEditorWindow::done(int result) {
  if (result == QDialog::Accepted) {
    scheme_.name = name_->text().trimmed().toStdString();
    const std::string fault = schemeNameFault(scheme_.name, others_);
    if (!fault.empty()) {
      QMessageBox box(QMessageBox::Information, QStringLiteral("提示窗口"), QString::fromStdString(fault), QMessageBox::Ok,
                      this);
      box.exec();
      name_->setFocus();
      return;
    }
  }
  QDialog::done(result);
}

void SchemeEditorWindow::showPasses() {
  const QSignalBlocker quiet(passes_);
  passes_->clear();
  for (std::size_t i = 0; i < scheme_.passes.size(); ++i)
    passes_->addItem(passLine(scheme_.passes[i], static_cast<int>(i) + 1));
  addPass_->setEnabled(static_cast<int>(scheme_.passes.size()) < kMostSchemePasses);
  removePass_->setEnabled(scheme_.passes.size() > 1);
  describe();
}

void SchemeEditorWindow::showSelectedPass() {
  const int at = passes_->currentRow();
  if (at < 0) return;
  const SchemePass& pass = scheme_.passes[static_cast<std::size_t>(at)];
  showing_ = true;
  speed_->setValue(pass.speedPercent / 100.0);
  pauseSeconds_->setValue(pass.pauseMs / 1000.0);
  pauseLengths_->setValue(pass.pauseLengthTenths / 10.0);
  showing_ = false;
}

void SchemeEditorWindow::takeSelectedPass() {
  const int at = passes_->currentRow();
  if (showing_ || at < 0) return;
  SchemePass& pass = scheme_.passes[static_cast<std::size_t>(at)];
  pass.speedPercent = static_cast<int>(std::lround(speed_->value() * 20)) * 5;
  pass.pauseMs = static_cast<int>(std::lround(pauseSeconds_->value() * 10)) * 100;
  pass.pauseLengthTenths = static_cast<int>(std::lround(pauseLengths_->value() * 10));
  passes_->item(at)->setText(passLine(pass, at + 1));
  describe();
}

void SchemeEditorWindow::describe() {
  const QString text = QString::fromStdString(schemeDescription(scheme_));
  description_->setText(text);
  passes_->setAccessibleDescription(text);
}

}  // namespace tessaly::qt
