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

QAccessibleInterface* captionFactory(const QString& className, QObject* object) {
  auto* label = qobject_cast<QLabel*>(object);
  if (className == QLatin1String("QLabel") && label && label->property(kMeaning).isValid())
    return new CaptionInterface(label);
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

void announceCaption(QLabel& label) {
  if (!label.property(kAnnounced).toBool()) return;
  QAccessibleEvent event(&label, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace tessaly::qt
