// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/CheckMarkup.h"

#include <QTextCursor>
#include <QTextDocument>

#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {

// The three kinds of error: each its own colour and its own mark, so colour is not the only cue.
const QColor kWrongColour(198, 40, 40);
const QColor kMissingColour(21, 101, 192);
const QColor kExtraColour(120, 120, 120);

QTextCharFormat formatOf(MarkKind kind) {
  QTextCharFormat f;
  switch (kind) {
    case MarkKind::Plain: break;
    case MarkKind::Wrong:
      f.setForeground(kWrongColour);
      f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
      f.setUnderlineColor(kWrongColour);
      f.setFontWeight(QFont::Bold);
      break;
    case MarkKind::Missing:
      f.setForeground(kMissingColour);
      f.setUnderlineStyle(QTextCharFormat::DashUnderline);
      f.setUnderlineColor(kMissingColour);
      break;
    case MarkKind::Extra:
      f.setForeground(kExtraColour);
      f.setFontStrikeOut(true);
      break;
  }
  return f;
}

}  // namespace

std::vector<std::pair<int, int>> writeMarkup(QTextDocument& document, const std::vector<MarkPiece>& marks) {
  document.clear();
  QTextCursor cursor(&document);
  std::vector<std::pair<int, int>> places;
  for (const MarkPiece& piece : marks) {
    const int from = cursor.position();
    switch (piece.kind) {
      case MarkKind::Plain: cursor.insertText(toQt(piece.text), QTextCharFormat()); break;
      case MarkKind::Wrong: {
        cursor.insertText(toQt(piece.text), formatOf(MarkKind::Wrong));
        QTextCharFormat hint;
        hint.setForeground(QColor(90, 90, 90));
        cursor.insertText(toQt("〔" + piece.expected + "〕"), hint);
        break;
      }
      case MarkKind::Missing: cursor.insertText(toQt("［" + piece.text + "］"), formatOf(MarkKind::Missing)); break;
      // In braces as well: a struck-through 了 reads as 子.
      case MarkKind::Extra: cursor.insertText(toQt("｛" + piece.text + "｝"), formatOf(MarkKind::Extra)); break;
    }
    if (piece.kind != MarkKind::Plain) places.emplace_back(from, cursor.position());
  }
  return places;
}

}  // namespace tessaly::qt
