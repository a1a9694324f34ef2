// SPDX-License-Identifier: GPL-3.0-or-later
// The web panel's page: a rich-text view that runs no scripts. Local HTML files are shown
// directly; http(s) addresses are fetched with Qt Network under a short timeout. Failures
// leave the panel empty and never reach the user.
#pragma once

#include <QNetworkAccessManager>
#include <QTextBrowser>

#include "ui/WebPage.h"

namespace tessaly::qt {

class WebView final : public ui::WebPage {
 public:
  explicit WebView(QTextBrowser* browser);
  void navigate(const std::string& address) override;
  bool setBodyProperty(const std::string& name, const std::string& value) override;
  bool hasDocument() const { return loaded_; }

 private:
  void show(const QString& html, const QUrl& base);
  QTextBrowser* browser_;
  QNetworkAccessManager network_;
  bool loaded_ = false;
  int serial_ = 0;  // a reply for an earlier navigation is dropped
};

}  // namespace tessaly::qt
