// SPDX-License-Identifier: GPL-3.0-or-later
// The program on the desktop's session bus as a media player (MPRIS 2): the name
// org.mpris.MediaPlayer2.tessaly (…tessaly.instance<pid> for a second program), the object
// /org/mpris/MediaPlayer2 with its two interfaces, org.mpris.MediaPlayer2 (Raise shows the
// window) and org.mpris.MediaPlayer2.Player (the commands, the state, the metadata, the
// position). Media keys, headsets, the desktop's media applets and lock screen and tools such
// as playerctl drive the program through it; what each command does is app/MediaKeys.
//
// A thin adapter: calls are answered from the logic as they come; the state is looked at
// every 200 ms and each change is sent as PropertiesChanged (a jump the position did not
// walk to as Seeked). Without a session bus nothing is made and nothing is said.
//
// User-interface thread only (Qt D-Bus delivers the calls there).
#pragma once

#include <QDBusVirtualObject>
#include <QTimer>

#include <memory>

#include "app/MediaKeys.h"

class QWidget;

namespace tessaly::qt {

class Mpris final : public QDBusVirtualObject {
 public:
  // Null when there is no session bus or the object cannot be registered.
  static std::unique_ptr<Mpris> connect(Form1& form, QWidget& window);
  ~Mpris() override;

  const QString& serviceName() const { return service_; }

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  Mpris(Form1& form, QWidget& window);
  QVariantMap rootProperties() const;
  QVariantMap playerProperties() const;
  QVariantMap metadata(const MediaState& state) const;
  // Sends what changed since the last look.
  void look();
  void sendChanged(const QString& interface, const QVariantMap& changed) const;
  void sendSeeked(double ms) const;

  MediaKeys keys_;
  QWidget& window_;
  QString service_;
  QTimer watch_;
  MediaState last_;
  double lastPositionMs_ = 0;
  qint64 lastLookMs_ = 0;
  int track_ = 0;  // counts the recordings opened: each is a track of its own
};

}  // namespace tessaly::qt
