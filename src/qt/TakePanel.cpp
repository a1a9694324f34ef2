// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/TakePanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "practice/PracticeForm.h"
#include "qt/QtControls.h"
#include "qt/TakeView.h"
#include "ui/Dialogs.h"

namespace tessaly::qt {

TakePanel::TakePanel(PracticePlayer& player, ShadowEngine& engine, const PracticeForm& practice, ui::MessageBox& messages,
                     std::function<int()> selectedRow, QWidget* parent)
    : QWidget(parent),
      practice_(practice),
      messages_(messages),
      selectedRow_(std::move(selectedRow)),
      logic_(std::make_unique<ShadowForm>(player, engine)) {
  setObjectName(QStringLiteral("TakePanel"));
  const auto makeButton = [this](const QString& text, const QString& name, const QString& description) {
    auto* b = new QPushButton(text, this);
    b->setAccessibleName(name);
    b->setAccessibleDescription(description);
    return b;
  };
  record_ = makeButton(QStringLiteral("跟读录音 (F5)"), QStringLiteral("跟读录音"),
                       QStringLiteral("录下自己跟着说的这一句（播放先暂停）；再按一次结束，说完停一秒也会自动结束"));
  record_->setObjectName(QStringLiteral("RecordTake"));
  auto* both = makeButton(QStringLiteral("原声＋跟读 (F6)"), QStringLiteral("原声＋跟读"),
                          QStringLiteral("先听原声，再听自己的跟读，遍数按复读选项"));
  both->setObjectName(QStringLiteral("HearBoth"));
  auto* alone = makeButton(QStringLiteral("只听跟读 (F7)"), QStringLiteral("只听跟读"),
                           QStringLiteral("只听自己最近一遍的跟读，遍数按复读选项"));
  alone->setObjectName(QStringLiteral("HearTake"));
  connect(record_, &QPushButton::clicked, this, [this] { toggleTake(); });
  connect(both, &QPushButton::clicked, this, [this] { hear(true); });
  connect(alone, &QPushButton::clicked, this, [this] { hear(false); });
  // The keys work anywhere in the practice window.
  const auto key = [this, parent](Qt::Key k, std::function<void()> act) {
    auto* shortcut = new QShortcut(QKeySequence(k), parent);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, std::move(act));
  };
  key(Qt::Key_F5, [this] { toggleTake(); });
  key(Qt::Key_F6, [this] { hear(true); });
  key(Qt::Key_F7, [this] { hear(false); });

  meter_ = new QProgressBar(this);
  meter_->setObjectName(QStringLiteral("TakeMeter"));
  meter_->setRange(0, 100);
  meter_->setTextVisible(false);
  meter_->setMaximumWidth(120);
  meter_->setAccessibleName(QStringLiteral("录音音量"));
  caption_ = new QLabel(this);
  caption_->setObjectName(QStringLiteral("TakeCaption"));
  caption_->setWordWrap(true);
  caption_->setTextFormat(Qt::PlainText);
  caption_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view_ = new TakeView(this);
  meterTimer_ = new QTimer(this);
  meterTimer_->setInterval(10);
  // While a take starts and records, the row's frame comes every 10 ms: the lesson pauses as
  // soon as the microphone records, and the meter follows the voice.
  connect(meterTimer_, &QTimer::timeout, this, [this] {
    frame();
    if (!taking()) meterTimer_->stop();
  });

  auto* row = new QHBoxLayout;
  row->addWidget(record_);
  row->addWidget(meter_);
  row->addWidget(both);
  row->addWidget(alone);
  row->addWidget(caption_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row);
  layout->addWidget(view_, 1);
  showState();
}

TakePanel::~TakePanel() = default;

void TakePanel::toggleTake() {
  const int heard = practice_.currentSentence();
  const std::string why = logic_->toggleTake(practice_.sentences(), heard >= 0 ? heard : selectedRow_(), practice_.units());
  if (!why.empty()) messages_.inform(why);
  frame();
  showState();  // the take's own start or end, which the engine's state only follows
  if (taking()) meterTimer_->start();
}

void TakePanel::hear(bool original) {
  if (const std::string why = logic_->hear(original); !why.empty()) messages_.inform(why);
}

void TakePanel::frame() {
  const ShadowForm::Changes changes = logic_->tick();
  if (changes.comparison) view_->show(logic_->comparison());
  if (const std::string problem = logic_->takeProblem(); !problem.empty()) messages_.inform(problem);
  if (changes.state || changes.hearing || changes.comparison) showState();
  if (logic_->state() == TakeState::Recording) meter_->setValue(logic_->meter());
}

bool TakePanel::taking() const { return logic_->state() == TakeState::Starting || logic_->state() == TakeState::Recording; }

void TakePanel::showState() {
  const bool taking = this->taking();
  record_->setText(taking ? QStringLiteral("结束录音 (F5)") : QStringLiteral("跟读录音 (F5)"));
  record_->setAccessibleName(taking ? QStringLiteral("结束录音") : QStringLiteral("跟读录音"));
  meter_->setEnabled(taking);
  if (!taking) meter_->setValue(0);
  caption_->setText(toQt(logic_->caption()));
  caption_->setAccessibleName(caption_->text());
}

}  // namespace tessaly::qt
