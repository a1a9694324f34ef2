// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/QtControls.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

#include "qt/CaptionAccessible.h"
#include "text/TextFile.h"

#include "app/MainWindowLayout.h"

namespace tessaly::qt {

QString toQt(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::string fromQt(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtLabel::setCaption(const std::string& caption) {
  if (caption == caption_) return;  // the tracking ticks set most captions to what they show
  caption_ = caption;
  if (!label_) return;
  label_->setText(toQt(caption));
  announceCaption(*label_);
}

namespace {

// A piece of a long text: about this many characters, up to a line's end.
constexpr qsizetype kTextPiece = 64 * 1024;

// Every line end (CR LF, CR, LF) made CR LF: the box's text as text() gives it.
std::string crLfEverywhere(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\r' || text[at] == '\n') {
      out += "\r\n";
      if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    } else {
      out += text[at];
    }
  }
  return out;
}

qsizetype pieceEnd(const QString& text) {
  if (text.size() <= kTextPiece) return text.size();
  const qsizetype lineEnd = text.indexOf(QChar(u'\n'), kTextPiece);
  return lineEnd < 0 ? text.size() : lineEnd + 1;
}

}  // namespace

void QtTextBox::setText(const std::string& text) {
  const bool crLf = hasOnlyCrLfLineEnds(text);
  QString plain = toQt(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (!crLf) plain.replace(QChar(u'\r'), QChar(u'\n'));
  ++fillSerial_;  // a fill under way stops
  rest_.clear();
  whole_.clear();
  const qsizetype first = pieceEnd(plain);
  if (first == plain.size()) {
    edit_->setReadOnly(readOnly_);
    edit_->setPlainText(plain);  // its change comes through textChanged
    return;
  }
  whole_ = crLf ? text : crLfEverywhere(text);  // as text() would give it back, made once
  rest_ = plain.mid(first);
  edit_->setReadOnly(true);
  edit_->document()->setUndoRedoEnabled(false);  // the pieces are not the learner's to undo
  {
    const QSignalBlocker quiet(edit_);  // one change for the whole text, below
    edit_->setPlainText(plain.left(first));
  }
  const unsigned serial = fillSerial_;
  QTimer::singleShot(0, edit_, [this, serial] {
    if (serial == fillSerial_) fill(false);
  });
  if (handler_) handler_();
}

void QtTextBox::fill(bool all) {
  while (!rest_.isEmpty()) {
    const qsizetype end = pieceEnd(rest_);
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    {
      const QSignalBlocker quiet(edit_);
      cursor.insertText(rest_.left(end));
    }
    rest_.remove(0, end);
    if (!all) break;
  }
  if (!rest_.isEmpty()) {
    const unsigned serial = fillSerial_;
    QTimer::singleShot(0, edit_, [this, serial] {
      if (serial == fillSerial_) fill(false);
    });
    return;
  }
  whole_.clear();
  edit_->document()->setUndoRedoEnabled(true);
  edit_->setReadOnly(readOnly_);
}

std::string QtTextBox::text() const {
  if (filling()) return whole_;
  QString plain = edit_->toPlainText();
  plain.replace(QChar(u'\n'), QStringLiteral("\r\n"));
  return fromQt(plain);
}

void QtTextBox::setChangeHandler(std::function<void()> handler) {
  QObject::disconnect(changed_);
  handler_ = handler;
  if (handler) changed_ = QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, std::move(handler));
}

void QtTextBox::insertAtCursor(const std::string& text) {
  if (filling()) fill(true);  // the whole text first: what is inserted goes where the cursor is in it
  edit_->insertPlainText(toQt(text));
}

void QtTextBox::setReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (!filling()) edit_->setReadOnly(readOnly);
}

void QtTextBox::setFontSize(int points) {
  QFont font = edit_->font();
  font.setPointSize(std::max(1, points));  // below 1 Qt refuses: show the smallest it takes
  edit_->setFont(font);
}

void QtTextBox::setBold(bool bold) {
  QFont font = edit_->font();
  font.setBold(bold);
  edit_->setFont(font);
}

void QtTextBox::setColour(QPalette::ColorRole role, ui::Rgb colour) {
  QPalette palette = edit_->palette();
  palette.setColor(role, QColor(colour.red, colour.green, colour.blue));
  edit_->setPalette(palette);
}

void QtListBox::select(int position) {
  if (position < 0 || position >= list_->count()) {
    list_->setCurrentRow(-1);
    list_->clearSelection();
  } else {
    list_->setCurrentRow(position);
  }
}

void QtStatusBar::setPanelText(const std::string& key, const std::string& text) {
  if (const auto it = panels_.find(key); it != panels_.end()) it->second->setText(toQt(text));
}

std::string QtStatusBar::panelText(const std::string& key) const {
  const auto it = panels_.find(key);
  return it == panels_.end() ? std::string() : fromQt(it->second->text());
}

QtTimer::QtTimer() {
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (handler_) handler_();
  });
}

void QtTimer::setEnabled(bool enabled) {
  if (enabled && !timer_.isActive()) timer_.start();
  if (!enabled) timer_.stop();
}

QStringList QtFileDialog::toQtFilters(const std::string& filter) {
  // "description|patterns", one pair after another, all joined by bars.
  const QStringList parts = toQt(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QStringList patterns = (i + 1 < parts.size() ? parts[i + 1] : QString()).split(u';', Qt::SkipEmptyParts);
    // Qt's filters are case-sensitive on Linux: offer every pattern in both cases, so that
    // LESSON.WAV and Lesson.Mp3 are offered too.
    QStringList anyCase;
    for (const QString& pattern : patterns) {
      QString caseless;
      for (const QChar c : pattern) {
        if (c.isLetter()) caseless += u'[' + QString(c.toLower()) + QString(c.toUpper()) + u']';
        else caseless += c;
      }
      anyCase << caseless;
    }
    // The description already names the patterns: keep its own text in front of Qt's list.
    filters << description + QStringLiteral(" (") + anyCase.join(QChar(u' ')) + QChar(u')');
  }
  return filters;
}

std::string QtFileDialog::show(bool save, const std::string& folder, const std::string& filter,
                               const std::string& fileName) {
  QFileDialog dialog(parent_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!folder.empty()) dialog.setDirectory(toQt(folder));
  // The type box shows the description as the program words it; the any-case patterns
  // behind it stay out of sight.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(toQtFilters(filter));
  dialog.selectFile(toQt(fileName));
  // Wide enough for the name, size, type and date columns of Chinese file names.
  dialog.resize(860, 540);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return fromQt(dialog.selectedFiles().constFirst());
}

std::string QtFileDialog::showOpen(const std::string& folder, const std::string& filter, const std::string& fileName) {
  return show(false, folder, filter, fileName);
}

std::string QtFileDialog::showSave(const std::string& folder, const std::string& filter, const std::string& fileName) {
  return show(true, folder, filter, fileName);
}

void QtMessageBox::inform(const std::string& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("提示窗口"), toQt(text), QMessageBox::Ok, parent_);
  box.exec();
}

ui::MessageBox::Answer QtMessageBox::askYesNoCancel(const std::string& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("提示窗口"), toQt(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

void QtWindow::setOuterSize(int /*widthTwips*/, int /*heightTwips*/) {
  // The outer size keeps the 803 x 555 client area, which is what the window is drawn for;
  // the frame is the desktop's.
  window_->setFixedSize(layout::kClientWidthPx, layout::kClientHeightPx);
}

void QtWindow::moveUp(int twips) {
  // Only where the platform lets a program place its windows (not on Wayland), and never
  // so far that the title bar leaves the screen.
  if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) return;
  const QScreen* screen = window_->screen();
  const int topLimit = screen ? screen->availableGeometry().top() : 0;
  const QRect frame = window_->frameGeometry();
  const int newTop = std::max(topLimit, frame.top() - twips / layout::kTwipsPerPixel);
  window_->move(frame.left(), newTop);
}

}  // namespace tessaly::qt
