// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ListManagerWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

#include "qt/Artwork.h"

namespace tessaly::qt {

namespace {
// Button size and client area from the window's design: 735 x 255 and 4320 x 4425 twips.
constexpr int kButtonWidth = 49, kButtonHeight = 17;
constexpr int kClientWidth = 288, kClientHeight = 295;
constexpr int kMargin = 12, kColumnStep = 69;

struct ButtonPlace {
  int number;
  const char* caption;
  int left, top;
};
constexpr ButtonPlace kButtons[] = {
    {1, "打开", kMargin, 8},
    {2, "新建", kMargin + kColumnStep, 8},
    {3, "保存", kMargin + 2 * kColumnStep, 8},
    {6, "另存", kMargin + 3 * kColumnStep, 8},
    {4, "增加", kMargin, 242},
    {5, "删除", kMargin + kColumnStep + kColumnStep / 2, 242},
    {7, "退出", kMargin + 3 * kColumnStep, 242},
};
}  // namespace

ListManagerWindow::ListManagerWindow(ui::Window& mainWindow, const std::string& appPath, ui::FileDialog* fileDialog,
                                     ui::MessageBox* messages)
    : QWidget(nullptr, Qt::Window), mainWindow_(mainWindow), appPath_(appPath) {
  setWindowTitle(QStringLiteral("管理列表管理"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(chineseFont(9));

  list1_ = new QListWidget(this);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->setSelectionMode(QAbstractItemView::SingleSelection);
  list1_->setGeometry(kMargin, 32, 3 * kColumnStep + kButtonWidth, 202);

  for (const ButtonPlace& place : kButtons) {
    auto* button = new QPushButton(QString::fromUtf8(place.caption), this);
    button->setObjectName(QStringLiteral("Command%1").arg(place.number));
    button->setGeometry(place.left, place.top, kButtonWidth, kButtonHeight);
    button->setAutoDefault(false);
    buttons_[static_cast<std::size_t>(place.number - 1)] = button;
    buttonAdapters_[static_cast<std::size_t>(place.number - 1)] = std::make_unique<QtButton>(button);
  }

  statusBar1_ = new QStatusBar(this);
  statusBar1_->setObjectName(QStringLiteral("StatusBar1"));
  statusBar1_->setSizeGripEnabled(false);
  statusBar1_->setGeometry(0, kClientHeight - 24, kClientWidth, 24);
  auto* one = new QLabel(statusBar1_);
  auto* two = new QLabel(statusBar1_);
  one->setObjectName(QStringLiteral("one"));
  two->setObjectName(QStringLiteral("two"));
  statusBar1_->addWidget(one, 4);
  statusBar1_->addWidget(two, 1);

  listAdapter_ = std::make_unique<QtListBox>(list1_);
  statusAdapter_ = std::make_unique<QtStatusBar>(std::map<std::string, QLabel*>{{"one", one}, {"two", two}});
  windowAdapter_ = std::make_unique<QtWindow>(this);
  if (!fileDialog) ownDialog_ = std::make_unique<QtFileDialog>(this);
  if (!messages) ownMessages_ = std::make_unique<QtMessageBox>(this);
  dialog_ = fileDialog ? fileDialog : ownDialog_.get();
  messages_ = messages ? messages : ownMessages_.get();
}

ListManagerWindow::~ListManagerWindow() = default;

QPushButton* ListManagerWindow::button(int number) const { return buttons_.at(static_cast<std::size_t>(number - 1)); }

void ListManagerWindow::showManager() {
  if (isVisible()) {
    raise();
    activateWindow();
    return;
  }
  for (QPushButton* b : buttons_) b->disconnect(this);
  list1_->clear();
  statusAdapter_->setPanelText("one", "");
  auto& b = buttonAdapters_;
  form_ = std::make_unique<Form5>(Form5Controls{*listAdapter_, *b[0], *b[1], *b[2], *b[5], *b[3], *b[4], *b[6],
                                                *statusAdapter_, *dialog_, *messages_, mainWindow_, *windowAdapter_},
                                  appPath_);
  Form5* form = form_.get();
  connect(buttons_[0], &QPushButton::clicked, this, [form] { form->openCommand(); });
  connect(buttons_[1], &QPushButton::clicked, this, [form] { form->newCommand(); });
  connect(buttons_[2], &QPushButton::clicked, this, [form] { form->saveCommand(); });
  connect(buttons_[3], &QPushButton::clicked, this, [form] { form->addCommand(); });
  connect(buttons_[4], &QPushButton::clicked, this, [form] { form->deleteCommand(); });
  connect(buttons_[5], &QPushButton::clicked, this, [form] { form->saveAsCommand(); });
  connect(buttons_[6], &QPushButton::clicked, this, [form] { form->exitCommand(); });
  form_->load();
  show();
  activateWindow();
}

void ListManagerWindow::closeEvent(QCloseEvent* event) {
  if (form_ && !form_->closeRequested()) {
    event->ignore();
    return;
  }
  event->accept();
  if (form_) form_->unload();
  if (onClosed_) onClosed_();
}

}  // namespace tessaly::qt
