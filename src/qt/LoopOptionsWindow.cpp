// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/LoopOptionsWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <set>

#include "qt/SchemeEditorWindow.h"

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
  stretch_ = new QComboBox(this);
  stretch_->addItem(QStringLiteral("语音（清晰）"));         // StretchEngine::Speech
  stretch_->addItem(QStringLiteral("音乐（Rubber Band）"));  // StretchEngine::RubberBand
  stretch_->setAccessibleName(QStringLiteral("变速方式"));

  scheme_ = new QComboBox(this);
  scheme_->setAccessibleName(QStringLiteral("复读方案"));
  schemeText_ = explanation({}, this);
  schemeText_->setMinimumHeight(3 * schemeText_->fontMetrics().lineSpacing());  // room for the longest scheme's text
  schemeText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  connect(scheme_, &QComboBox::currentIndexChanged, this, [this] { describeScheme(); });
  newScheme_ = new QPushButton(QStringLiteral("新建方案(&N)…"), this);
  changeScheme_ = new QPushButton(QStringLiteral("修改方案(&E)…"), this);
  removeScheme_ = new QPushButton(QStringLiteral("删除方案(&L)"), this);
  connect(newScheme_, &QPushButton::clicked, this, [this] {
    // A new scheme starts as a copy of the chosen one, or of sentence-by-sentence dictation.
    const int at = scheme_->currentIndex();
    RepeatScheme start = at >= 0 ? schemes_[static_cast<std::size_t>(at)] : RepeatScheme{};
    if (start.plainLoop()) start = schemeNamed("逐句听写");
    std::set<std::string> taken;
    for (const RepeatScheme& s : schemes_) taken.insert(s.name);
    for (int n = 1;; ++n) {
      start.name = "我的方案 " + std::to_string(n);
      if (!taken.count(start.name)) break;
    }
    editScheme(start, schemes_.size());
  });
  connect(changeScheme_, &QPushButton::clicked, this, [this] {
    if (!ownSchemeChosen()) return;
    const auto at = static_cast<std::size_t>(scheme_->currentIndex());
    editScheme(schemes_[at], at);
  });
  connect(removeScheme_, &QPushButton::clicked, this, [this] {
    if (!ownSchemeChosen()) return;
    schemes_.erase(schemes_.begin() + scheme_->currentIndex());
    showSchemes(builtInSchemes().front().name);
    scheme_->setFocus();
  });
  auto* schemeButtons = new QHBoxLayout;
  schemeButtons->addWidget(newScheme_);
  schemeButtons->addWidget(changeScheme_);
  schemeButtons->addWidget(removeScheme_);
  schemeButtons->addStretch();

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("复读方案(&S)："), scheme_);
  form->addRow(schemeText_);
  form->addRow(schemeButtons);
  form->addRow(QStringLiteral("复读遍数(&P)："), passes_);
  form->addRow(explanation(
      QStringLiteral("复读（Alt+X、Alt+R）放完这么多遍后自动接着往下播放；“不限”则一直复读，直到再按 Alt+X。"), this));
  form->addRow(QStringLiteral("每遍之间停顿(&D)："), pause_);
  form->addRow(explanation(QStringLiteral("每遍放完后先静音这么久再放下一遍，留出写字的时间；0 秒则立刻重放。"), this));
  form->addRow(QStringLiteral("继续时倒回(&B)："), stepBack_);
  form->addRow(
      explanation(QStringLiteral("暂停后按“继续”（Alt+Z）时，从暂停处往前这么多秒开始播放，接上刚才没听清的地方。"), this));
  form->addRow(QStringLiteral("变速方式(&V)："), stretch_);
  form->addRow(explanation(
      QStringLiteral("放慢或加快（Alt+J、Alt+K）时怎样保持音高：“语音”让辅音清楚，适合听写；“音乐”更平滑，适合歌曲。"),
      this));

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
  showSchemes(chosen);
}

void LoopOptionsWindow::showSchemes(const std::string& chosen) {
  const QSignalBlocker quiet(scheme_);
  scheme_->clear();
  // Found by its bytes: a name that is not valid UTF-8 shows with U+FFFD, and is still chosen.
  int at = 0;
  QStringList names;
  names.reserve(static_cast<qsizetype>(schemes_.size()));
  for (std::size_t i = 0; i < schemes_.size(); ++i) {
    names.append(QString::fromStdString(schemes_[i].name));
    if (at == 0 && schemes_[i].name == chosen) at = static_cast<int>(i);
  }
  scheme_->addItems(names);  // one insertion, however many the learner made
  scheme_->setCurrentIndex(schemes_.empty() ? -1 : at);
  describeScheme();
}

bool LoopOptionsWindow::ownSchemeChosen() const {
  return scheme_->currentIndex() >= static_cast<int>(builtInSchemes().size());
}

bool LoopOptionsWindow::editScheme(RepeatScheme start, std::size_t replacing) {
  std::vector<RepeatScheme> others = schemes_;
  if (replacing < others.size()) others.erase(others.begin() + static_cast<std::ptrdiff_t>(replacing));
  if (!editor_) editor_ = new SchemeEditorWindow(this);
  if (!editor_->edit(start, others)) return false;
  if (replacing < schemes_.size()) schemes_[replacing] = start;
  else schemes_.push_back(start);
  showSchemes(start.name);
  scheme_->setFocus();
  return true;
}

std::string LoopOptionsWindow::chosenScheme() const {
  // The scheme's own name, byte for byte: the shown text may have lost invalid UTF-8.
  const int at = scheme_->currentIndex();
  return at >= 0 && at < static_cast<int>(schemes_.size()) ? schemes_[static_cast<std::size_t>(at)].name
                                                           : builtInSchemes().front().name;
}

void LoopOptionsWindow::describeScheme() {
  const int at = scheme_->currentIndex();
  const QString text = at >= 0 && at < static_cast<int>(schemes_.size())
                           ? QString::fromStdString(schemeDescription(schemes_[static_cast<std::size_t>(at)]))
                           : QString();
  schemeText_->setText(text);
  scheme_->setAccessibleDescription(text);
  // The built-ins stay as they are; a new scheme can start from one.
  changeScheme_->setEnabled(ownSchemeChosen());
  removeScheme_->setEnabled(ownSchemeChosen());
}

bool LoopOptionsWindow::edit(LoopOptions& options) {
  passes_->setValue(options.passes);
  pause_->setValue(options.pauseMs / 1000.0);
  stepBack_->setValue(options.stepBackMs / 1000.0);
  stretch_->setCurrentIndex(options.stretch == StretchEngine::RubberBand ? 1 : 0);
  passes_->setFocus();
  if (exec() != QDialog::Accepted) return false;
  options.passes = passes_->value();
  options.pauseMs = static_cast<int>(std::lround(pause_->value() * 1000));
  options.stepBackMs = static_cast<int>(std::lround(stepBack_->value() * 1000));
  options.stretch = stretch_->currentIndex() == 1 ? StretchEngine::RubberBand : StretchEngine::Speech;
  return true;
}

}  // namespace tessaly::qt
