// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QWheelEvent>

#include <cctype>
#include <ctime>
#include <filesystem>
#include <set>
#include <utility>

#include "app/MainWindowLayout.h"
#include "practice/Timestamps.h"
#include "qt/AccessKeys.h"
#include "qt/Artwork.h"
#include "qt/CaptionAccessible.h"
#include "qt/ListManagerWindow.h"
#include "qt/LoopOptionsWindow.h"
#include "qt/PracticeWindow.h"
#include "qt/ReviewWindow.h"
#include "recovery/ListRecovery.h"

namespace tessaly::qt {

namespace {

QRect pixels(const layout::Rect& r) {
  constexpr int k = layout::kTwipsPerPixel;
  return {r.left / k, r.top / k, r.width / k, r.height / k};
}

// A transparent area over the background picture that runs its command on a click.
class ClickArea final : public QWidget {
 public:
  ClickArea(QWidget* parent, std::function<void()> onClick) : QWidget(parent), onClick_(std::move(onClick)) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

// The progress slider: it shows progress and ignores every attempt of the user to move it.
class DisplaySlider final : public QSlider {
 public:
  explicit DisplaySlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) { setFocusPolicy(Qt::NoFocus); }

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->ignore(); }
  void mouseMoveEvent(QMouseEvent* event) override { event->ignore(); }
  void mouseReleaseEvent(QMouseEvent* event) override { event->ignore(); }
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }
  void keyPressEvent(QKeyEvent* event) override { event->ignore(); }
};

// What a caption label means, said before what it shows (the click areas say their command).
QString accessibleNameOfLabel(int n) {
  switch (n) {
    case 1: return QStringLiteral("播放状态");
    case 2: return QStringLiteral("语音文件");
    case 6: return QStringLiteral("已播放时间");
    case 7: return QStringLiteral("总时间");
    case layout::kSpeedLabel: return QStringLiteral("播放速度");
    case layout::kPictureLabel: return QStringLiteral("视频画面");
    default: return {};
  }
}

// A caption that covers what lies under it while it says something (the video note over the
// end of a long path), and nothing while it is empty.
class CoveringLabel final : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!text().isEmpty()) QPainter(this).fillRect(rect(), QColor(236, 242, 249));  // the panel's own colour
    QLabel::paintEvent(event);
  }
};

QLabel* makeCaptionLabel(QWidget* parent, const layout::Rect& rect, const QColor& colour, int points,
                         bool covering = false) {
  auto* label = covering ? new CoveringLabel(parent) : new QLabel(parent);
  label->setGeometry(pixels(rect));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->setFont(chineseFont(points));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

// The practice window as the logic sees it, made at its first use: a start of the program
// never pays for it.
class PracticeOpener final : public PracticeWindowView {
 public:
  explicit PracticeOpener(std::function<PracticeWindow&()> make) : make_(std::move(make)) {}
  void open() override { make_().open(); }
  void openAndCheck() override { make_().openAndCheck(); }

 private:
  std::function<PracticeWindow&()> make_;
};

}  // namespace

MainWindow::MainWindow(const MainWindowServices& services, QWidget* parent)
    : QWidget(parent), services_(services), background_(drawBackground()) {
  setWindowTitle(QStringLiteral("Tessaly 听写"));
  setFixedSize(layout::kClientWidthPx, layout::kClientHeightPx);
  installCaptionAccessibility();  // before the captions' first text
  keepKeyOnlyButtonsHidden(*this);
  buildWidgets();

  windowAdapter_ = std::make_unique<QtWindow>(this);
  timer1_ = std::make_unique<QtTimer>();
  timer2_ = std::make_unique<QtTimer>();
  timer3_ = std::make_unique<QtTimer>();
  timer6_ = std::make_unique<QtTimer>();
  if (!services_.fileDialog) ownDialog_ = std::make_unique<QtFileDialog>(this);
  if (!services_.messages) ownMessages_ = std::make_unique<QtMessageBox>(this);
  webView_ = std::make_unique<WebView>(webBrowser1_);

  Form1Controls controls{*windowAdapter_,
                         *text1Adapter_,
                         *sliderAdapter_,
                         {},
                         {},
                         {},
                         *timer1_,
                         *timer2_,
                         *timer3_,
                         *timer6_,
                         services_.fileDialog ? *services_.fileDialog : *ownDialog_,
                         services_.messages ? *services_.messages : *ownMessages_,
                         *webView_};
  for (std::size_t i = 0; i < labelAdapters_.size(); ++i) controls.labels[i] = labelAdapters_[i].get();
  for (std::size_t i = 0; i < buttonAdapters_.size(); ++i) controls.buttons[i] = buttonAdapters_[i].get();
  for (std::size_t i = 0; i < pictureAdapters_.size(); ++i) controls.pictures[i] = pictureAdapters_[i].get();
  form_ = std::make_unique<Form1>(controls, Form1Devices{services_.mmControl1, services_.realAudio1}, services_.appPath,
                                  [this] { openListManager(); });
  buildShortcuts();
  if (services_.settings) form_->keepUserSettings(*services_.settings);
  loopOptions_ = new LoopOptionsWindow(this);
  form_->useLoopOptionsDialog(*loopOptions_);
  practiceOpener_ = std::make_unique<PracticeOpener>([this]() -> PracticeWindow& {
    if (!practice_) {
      practice_ = new PracticeWindow(form_->player(), *form_, services_.peakScan, services_.settings,
                                     services_.readingsTable, services_.fileDialog ? *services_.fileDialog : *ownDialog_,
                                     services_.messages ? *services_.messages : *ownMessages_, this, services_.drillExport);
      practice_->logic().useUnitScan(services_.unitScan);
      if (services_.record) practice_->useRecord(*services_.record, wallClock(), [this] { openReview(); });
      if (services_.shadowing) practice_->useShadowing(*services_.shadowing);
      if (services_.transcriptAlign) practice_->useTranscriptAlign(*services_.transcriptAlign);
    }
    return *practice_;
  });
  form_->usePracticeWindow(*practiceOpener_);
  if (services_.pauseScan || services_.subtitleScan) scanTimer_ = std::make_unique<QtTimer>();
  if (services_.pauseScan) form_->player().usePauseScan(*services_.pauseScan, *scanTimer_);
  if (services_.subtitleScan) form_->player().useSubtitleScan(*services_.subtitleScan, *scanTimer_);
  if (services_.fileReader) form_->useFileReader(*services_.fileReader);
  if (services_.recovery) {
    recoveryTimer_ = std::make_unique<QtTimer>();
    form_->keepRecoveryCopies(*services_.recovery, *recoveryTimer_);
  }
  form_->load();
}

void MainWindow::leaveNow() {
  keepUnsavedList();
  if (listManager_) listManager_->hide();
  form_->leaveNow();
}

void MainWindow::saveForSession() {
  keepUnsavedList();
  form_->saveForSession();
}

void MainWindow::keepUnsavedList() {
  if (!services_.recovery || !listManager_ || !listManager_->isVisible()) return;
  const Form5& list = listManager_->form();
  if (list.listChanged() != 0) tessaly::keepUnsavedList(*services_.recovery, {list.listPath(), list.entries()});
}

void MainWindow::offerUnsavedList() {
  if (!services_.recovery) return;
  const auto copy = unsavedListCopy(*services_.recovery);
  if (!copy) return;
  const auto answer = messages().askYesNoCancel("上次退出时，列表管理里有一个没有保存的播放列表：\n" + copy->listPath +
                                                "\n（" + std::to_string(copy->entries.size()) +
                                                " 个文件）\n要在列表管理里恢复它吗？\n选“否”丢弃它。");
  if (answer == ui::MessageBox::Answer::Cancel) return;  // asked again at the next start
  discardUnsavedList(*services_.recovery);               // from here it lives in the window, or nowhere
  if (answer != ui::MessageBox::Answer::Yes) return;
  openListManager();
  listManager_->form().restoreUnsaved(copy->listPath, copy->entries);
}

std::function<std::int64_t()> MainWindow::wallClock() const {
  if (services_.wallClock) return services_.wallClock;
  return [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

void MainWindow::openReview() {
  if (!services_.record) return;
  if (!review_) {
    const std::filesystem::path voice = std::filesystem::path(services_.appPath) / "voice";
    review_ = new ReviewWindow(form_->player(), *form_, *services_.record, services_.readingsTable, wallClock(),
                               {voice.string()}, services_.fileDialog ? *services_.fileDialog : *ownDialog_,
                               services_.messages ? *services_.messages : *ownMessages_, this, services_.ankiExport);
  }
  review_->open();
}

void MainWindow::tellWriteFailuresOf(DiskFolder& folder) {
  toldFolders_.push_back(&folder);
  // The folder calls from its writer thread: the news is posted to this window, and dropped
  // if the window has gone by then.
  folder.onWriteFailure([this](const std::filesystem::path& file) {
    uiThread_.post([this, name = file.string()] { form_->tellUnwrittenFile(name); });
  });
}

MainWindow::~MainWindow() {
  for (DiskFolder* folder : toldFolders_) folder->onWriteFailure(nullptr);
  listManager_.reset();
  form_.reset();
}

void MainWindow::buildWidgets() {
  text1_ = new QPlainTextEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setAccessibleName(QStringLiteral("听写内容"));
  text1_->setAccessibleDescription(QStringLiteral("在这里输入听到的内容，会自动保存到语音文件旁边的文本文件中"));
  text1_->setGeometry(pixels(layout::kText1));
  text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text1_->setFont(chineseFont(12));
  text1Adapter_ = std::make_unique<QtTextBox>(text1_);
  text1_->viewport()->installEventFilter(this);

  slider1_ = new DisplaySlider(this);
  slider1_->setObjectName(QStringLiteral("Slider1"));
  slider1_->setAccessibleName(QStringLiteral("播放进度"));
  slider1_->setGeometry(pixels(layout::kSlider1));
  slider1_->setMaximum(10);
  sliderAdapter_ = std::make_unique<QtSlider>(slider1_);

  webBrowser1_ = new QTextBrowser(this);
  webBrowser1_->setObjectName(QStringLiteral("WebBrowser1"));
  webBrowser1_->setAccessibleName(QStringLiteral("网页"));
  webBrowser1_->setGeometry(pixels(layout::kWebBrowser1));
  webBrowser1_->setFocusPolicy(Qt::NoFocus);

  // Labels: captions (1, 2, 3, 6, 7) and transparent click areas (4, 5, 8 to 22).
  for (int n = 1; n <= layout::kAllLabelCount; ++n) {
    QWidget* widget = nullptr;
    switch (n) {
      case 1: widget = makeCaptionLabel(this, layout::kLabel1, QColor(0, 128, 0), 12); break;
      case 2: widget = makeCaptionLabel(this, layout::kLabel2, QColor(30, 40, 60), 8); break;
      case 3: widget = makeCaptionLabel(this, layout::kLabel3, QColor(30, 40, 60), 9); break;
      case 6: widget = makeCaptionLabel(this, layout::kLabel6, QColor(30, 40, 60), 9); break;
      case 7: widget = makeCaptionLabel(this, layout::kLabel7, QColor(30, 40, 60), 9); break;
      case layout::kSpeedLabel: {
        auto* speed = makeCaptionLabel(this, layout::kLabel23, QColor(160, 60, 0), 9);
        speed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QFont bold = speed->font();
        bold.setBold(true);
        speed->setFont(bold);
        widget = speed;
        break;
      }
      case layout::kPictureLabel: {
        auto* note = makeCaptionLabel(this, layout::kLabel25, QColor(90, 90, 90), 8, true);
        note->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const layout::Rect& r = layout::kLabel25;
        note->setContentsMargins(0, 0, (r.left + r.width - layout::kLabel25WordsEnd) / layout::kTwipsPerPixel, 0);
        widget = note;
        break;
      }
      default: {
        auto* area = new ClickArea(this, [this, n] { form_->clickAreaClicked(n); });
        area->setGeometry(pixels(layout::kClickAreas[static_cast<std::size_t>(n)]));
        area->setObjectName(QStringLiteral("Label%1").arg(n));
        area->setAccessibleName(toQt(std::string(layout::kClickAreaCaptions[static_cast<std::size_t>(n)])));
        widget = area;
      }
    }
    if (widget->objectName().isEmpty()) widget->setObjectName(QStringLiteral("Label%1").arg(n));
    // A caption is heard with its meaning and what it shows; changes of state, of file and
    // of speed are announced, the times only read when asked.
    if (const QString name = accessibleNameOfLabel(n); !name.isEmpty()) {
      if (auto* caption = qobject_cast<QLabel*>(widget))
        makeCaptionAccessible(*caption, name, n == 1 ? CaptionRole::Status : CaptionRole::Text, n != 6 && n != 7);
      else widget->setAccessibleName(name);
    }
    labels_[static_cast<std::size_t>(n - 1)] = widget;
    labelAdapters_.push_back(std::make_unique<QtLabel>(widget));
  }
  labels_[layout::kSpeedLabel - 1]->raise();  // over the video note's end
  if (auto* status = qobject_cast<QLabel*>(labels_[0])) status->setWordWrap(false);
  qobject_cast<QLabel*>(labels_[1])->setTextFormat(Qt::PlainText);

  for (int n = 1; n <= 3; ++n) {
    auto* picture = new QLabel(this);
    picture->setGeometry(pixels(layout::kPictures).topLeft().x(), pixels(layout::kPictures).topLeft().y(), 32, 32);
    picture->setPixmap(drawStatusIcon(n));
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture->setObjectName(QStringLiteral("Picture%1").arg(n));
    picture->setAccessibleName(QStringLiteral("状态图标"));
    picture->setAccessibleDescription(n == 1   ? QStringLiteral("等待播放或已停止")
                                      : n == 2 ? QStringLiteral("正在播放")
                                               : QStringLiteral("正在复读"));
    pictures_[static_cast<std::size_t>(n - 1)] = picture;
    pictureAdapters_.push_back(std::make_unique<QtPicture>(picture));
  }

  // Command buttons: all below the client area, live for focus, Space, Enter and their keys.
  for (int n = 1; n <= layout::kAllButtonCount; ++n) {
    auto* button = new QPushButton(toQt(std::string(layout::buttonCaption(n))), this);
    // Qt's own mnemonic would animate the click for about 100 ms; the keys are bound below.
    button->setShortcut(QKeySequence());
    button->setAutoDefault(false);
    button->setObjectName(QStringLiteral("Command%1").arg(n));
    button->setGeometry(((n - 1) % 10) * 80, layout::kOffScreenTop / layout::kTwipsPerPixel + 4 + ((n - 1) / 10) * 30, 78,
                        26);
    // The access keys' twins and the additions' keys ("开始11 &s"): named on the visible
    // controls, never read out by their off-screen captions.
    if (layout::buttonCaption(n).find('&') != std::string_view::npos) markKeyOnly(*button);
    button->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, [this, n] { form_->buttonClicked(n); });
    buttons_[static_cast<std::size_t>(n - 1)] = button;
    buttonAdapters_.push_back(std::make_unique<QtButton>(button));
  }
}

void MainWindow::buildShortcuts() {
  accessKeys_ = new AccessKeys(this, mainWindowAccessLetters(), [this](char letter) { form_->accessKey(letter); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+click on a timestamp in the dictation ("[01:23.4]") jumps there.
  if (watched == text1_->viewport() && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ControlModifier)) {
      const QTextCursor cursor = text1_->cursorForPosition(mouse->position().toPoint());
      const QString line = cursor.block().text();
      const std::size_t at = static_cast<std::size_t>(line.left(cursor.positionInBlock()).toUtf8().size());
      if (const auto ms = timestampAt(fromQt(line), at)) {
        form_->jumpToTimestamp(*ms);
        return true;
      }
    }
  }
  // Enter on a focused off-screen button runs it, as Space does.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
      if (auto* button = qobject_cast<QPushButton*>(watched)) {
        button->click();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  form_->activate();
  // Once the window is up (and a file named on the command line is open), the copies a
  // crash left are offered back.
  QTimer::singleShot(0, this, [this] {
    form_->offerRecoveryCopies();
    offerUnsavedList();
    for (const std::string& text : std::exchange(toTell_, {})) messages().inform(text);
  });
}

void MainWindow::tellWhenShown(std::string text) {
  if (!shownOnce_) {
    toTell_.push_back(std::move(text));
    return;
  }
  QTimer::singleShot(0, this, [this, text = std::move(text)] { messages().inform(text); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The list manager closes first, with its own save prompt; if it stays open, so does this.
  if (listManager_ && listManager_->isVisible() && !listManager_->close()) {
    event->ignore();
    return;
  }
  if (!form_->queryClose()) {
    event->ignore();
    return;
  }
  if (practice_) practice_->close();  // it goes with the main window (and keeps its place)
  event->accept();
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, background_);
}

void MainWindow::openListManager() {
  if (!listManager_) {
    listManager_ = std::make_unique<ListManagerWindow>(*windowAdapter_, services_.appPath, services_.fileDialog,
                                                       services_.messages);
    listManager_->setOnClosed([this] {
      activateWindow();
      form_->activate();
    });
  }
  listManager_->showManager();
}

}  // namespace tessaly::qt
