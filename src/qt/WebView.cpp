// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/WebView.h"

#include <QFile>
#include <QNetworkReply>
#include <QScrollBar>
#include <QUrl>

#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {
constexpr int kTimeoutMs = 3000;
constexpr qint64 kMaxPageBytes = 1 << 20;
}  // namespace

WebView::WebView(QTextBrowser* browser) : browser_(browser) {
  browser_->setOpenLinks(false);
  browser_->setOpenExternalLinks(false);
  browser_->setFrameShape(QFrame::NoFrame);
}

void WebView::show(const QString& html, const QUrl& base) {
  browser_->document()->setBaseUrl(base);
  browser_->setHtml(html);
  loaded_ = true;
}

void WebView::navigate(const std::string& address) {
  const int serial = ++serial_;
  loaded_ = false;
  const QString text = toQt(address);
  // The program passes its address without a scheme: a local path, or a host and path.
  QUrl url = QUrl::fromUserInput(text);
  if (text.startsWith(u'/')) url = QUrl::fromLocalFile(text);
  if (url.isLocalFile()) {
    QFile file(url.toLocalFile());
    if (file.size() <= kMaxPageBytes && file.open(QIODevice::ReadOnly)) show(QString::fromUtf8(file.readAll()), url);
    return;
  }
  if (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https")) return;
  QNetworkRequest request(url);
  request.setTransferTimeout(kTimeoutMs);
  QNetworkReply* reply = network_.get(request);
  QObject::connect(reply, &QNetworkReply::finished, browser_, [this, reply, serial, url] {
    reply->deleteLater();
    if (serial != serial_ || reply->error() != QNetworkReply::NoError) return;
    show(QString::fromUtf8(reply->read(kMaxPageBytes)), url);
  });
}

bool WebView::setBodyProperty(const std::string& name, const std::string& value) {
  if (!loaded_) return false;
  if (name == "Scroll") {
    const auto policy = value == "no" ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    browser_->setVerticalScrollBarPolicy(policy);
    browser_->setHorizontalScrollBarPolicy(policy);
  }
  return true;
}

}  // namespace tessaly::qt
