// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/CaptionAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace tessaly::qt {

namespace {

const char* const kMeaning = "tessalyMeaning";
const char* const kStatus = "tessalyStatus";
const char* const kAnnounced = "tessalyAnnounced";
const char* const kKeyOnly = "tessalyKeyOnly";
const char* const kHidesKeyOnly = "tessalyHidesKeyOnly";

class CaptionInterface final : public QAccessibleWidget {
 public:
  explicit CaptionInterface(QLabel* label)
      : QAccessibleWidget(label, label->property(kStatus).toBool() ? QAccessible::StatusBar : QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    const auto* label = static_cast<const QLabel*>(widget());
    const QString meaning = label->property(kMeaning).toString();
    const QString shown = label->text();
    return shown.isEmpty() ? meaning : meaning + QStringLiteral("：") + shown;
  }
};

// A window whose children are those a screen reader should walk: not its key-only buttons.
class WindowInterface final : public QAccessibleWidget {
 public:
  explicit WindowInterface(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

  int childCount() const override { return static_cast<int>(walked().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> children = walked();
    return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child ? static_cast<int>(walked().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
  }

 private:
  QList<QWidget*> walked() const {
    QList<QWidget*> children;
    for (QObject* object : widget()->children())
      if (auto* child = qobject_cast<QWidget*>(object); child && !child->isWindow() && !child->property(kKeyOnly).toBool())
        children.append(child);
    return children;
  }
};

QAccessibleInterface* captionFactory(const QString& className, QObject* object) {
  if (auto* label = qobject_cast<QLabel*>(object);
      className == QLatin1String("QLabel") && label && label->property(kMeaning).isValid())
    return new CaptionInterface(label);
  if (auto* window = qobject_cast<QWidget*>(object);
      className == QLatin1String("QWidget") && window && window->property(kHidesKeyOnly).toBool())
    return new WindowInterface(window);
  return nullptr;
}

}  // namespace

void installCaptionAccessibility() {
  static bool installed = false;
  if (installed) return;
  QAccessible::installFactory(captionFactory);
  installed = true;
}

void makeCaptionAccessible(QLabel& label, const QString& meaning, CaptionRole role, bool announced) {
  label.setProperty(kMeaning, meaning);
  label.setProperty(kStatus, role == CaptionRole::Status);
  label.setProperty(kAnnounced, announced);
  // A label without an accessible name announces every setText by itself; with one it does
  // not, and the interface above ignores that name: only announceCaption() is heard.
  label.setAccessibleName(meaning);
}

void keepKeyOnlyButtonsHidden(QWidget& window) { window.setProperty(kHidesKeyOnly, true); }

void markKeyOnly(QWidget& button) {
  button.setProperty(kKeyOnly, true);
  button.setFocusPolicy(Qt::NoFocus);
}

void announceCaption(QLabel& label) {
  if (!label.property(kAnnounced).toBool()) return;
  QAccessibleEvent event(&label, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace tessaly::qt
