// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/Mpris.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>
#include <QUrl>
#include <QWidget>

#include <unistd.h>

#include "qt/QtControls.h"

namespace tessaly::qt {

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kLookMs = 200;

qlonglong micro(double ms) { return static_cast<qlonglong>(ms * 1000.0); }

}  // namespace

std::unique_ptr<Mpris> Mpris::connect(Form1& form, QWidget& window) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return nullptr;
  std::unique_ptr<Mpris> mpris(new Mpris(form, window));
  if (!bus.registerVirtualObject(kPath, mpris.get(), QDBusConnection::SingleNode)) return nullptr;
  // A second program takes a name of its own, as MPRIS players' instances do.
  for (const QString& name : {QStringLiteral("org.mpris.MediaPlayer2.tessaly"),
                              QStringLiteral("org.mpris.MediaPlayer2.tessaly.instance%1").arg(::getpid())}) {
    if (bus.registerService(name)) {
      mpris->service_ = name;
      break;
    }
  }
  if (mpris->service_.isEmpty()) {
    bus.unregisterObject(kPath);
    return nullptr;
  }
  mpris->look();
  mpris->watch_.start(kLookMs);
  return mpris;
}

Mpris::Mpris(Form1& form, QWidget& window) : keys_(form), window_(window) {
  watch_.setTimerType(Qt::CoarseTimer);
  QObject::connect(&watch_, &QTimer::timeout, [this] { look(); });
}

Mpris::~Mpris() {
  watch_.stop();
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(kPath);
  if (!service_.isEmpty()) bus.unregisterService(service_);
}

QString Mpris::introspect(const QString&) const {
  return QStringLiteral(R"(<interface name="org.mpris.MediaPlayer2">
  <method name="Raise"/>
  <method name="Quit"/>
  <property name="CanQuit" type="b" access="read"/>
  <property name="CanRaise" type="b" access="read"/>
  <property name="HasTrackList" type="b" access="read"/>
  <property name="Identity" type="s" access="read"/>
  <property name="DesktopEntry" type="s" access="read"/>
  <property name="SupportedUriSchemes" type="as" access="read"/>
  <property name="SupportedMimeTypes" type="as" access="read"/>
</interface>
<interface name="org.mpris.MediaPlayer2.Player">
  <method name="Next"/>
  <method name="Previous"/>
  <method name="Pause"/>
  <method name="PlayPause"/>
  <method name="Stop"/>
  <method name="Play"/>
  <method name="Seek"><arg name="Offset" type="x" direction="in"/></method>
  <method name="SetPosition"><arg name="TrackId" type="o" direction="in"/><arg name="Position" type="x" direction="in"/></method>
  <method name="OpenUri"><arg name="Uri" type="s" direction="in"/></method>
  <signal name="Seeked"><arg name="Position" type="x"/></signal>
  <property name="PlaybackStatus" type="s" access="read"/>
  <property name="Rate" type="d" access="readwrite"/>
  <property name="Metadata" type="a{sv}" access="read"/>
  <property name="Volume" type="d" access="readwrite"/>
  <property name="Position" type="x" access="read"/>
  <property name="MinimumRate" type="d" access="read"/>
  <property name="MaximumRate" type="d" access="read"/>
  <property name="CanGoNext" type="b" access="read"/>
  <property name="CanGoPrevious" type="b" access="read"/>
  <property name="CanPlay" type="b" access="read"/>
  <property name="CanPause" type="b" access="read"/>
  <property name="CanSeek" type="b" access="read"/>
  <property name="CanControl" type="b" access="read"/>
</interface>
<interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg name="interface" type="s" direction="in"/><arg name="name" type="s" direction="in"/><arg name="value" type="v" direction="out"/></method>
  <method name="GetAll"><arg name="interface" type="s" direction="in"/><arg name="properties" type="a{sv}" direction="out"/></method>
  <method name="Set"><arg name="interface" type="s" direction="in"/><arg name="name" type="s" direction="in"/><arg name="value" type="v" direction="in"/></method>
  <signal name="PropertiesChanged"><arg name="interface" type="s"/><arg name="changed" type="a{sv}"/><arg name="invalidated" type="as"/></signal>
</interface>
)");
}

QVariantMap Mpris::rootProperties() const {
  return {
      {QStringLiteral("CanQuit"), false},
      {QStringLiteral("CanRaise"), true},
      {QStringLiteral("HasTrackList"), false},
      {QStringLiteral("Identity"), QStringLiteral("Tessaly")},
      {QStringLiteral("DesktopEntry"), QStringLiteral("tessaly")},
      {QStringLiteral("SupportedUriSchemes"), QStringList{QStringLiteral("file")}},
      {QStringLiteral("SupportedMimeTypes"),
       QStringList{QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"), QStringLiteral("audio/mpeg"),
                   QStringLiteral("application/vnd.rn-realmedia"), QStringLiteral("audio/x-pn-realaudio"),
                   QStringLiteral("audio/vnd.rn-realaudio"), QStringLiteral("application/ram")}},
  };
}

QVariantMap Mpris::metadata(const MediaState& state) const {
  if (!state.canControl)
    return {{QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
  return {
      {QStringLiteral("mpris:trackid"),
       QVariant::fromValue(QDBusObjectPath(QStringLiteral("/io/tessaly/Track/%1").arg(track_)))},
      {QStringLiteral("mpris:length"), micro(state.lengthMs)},
      {QStringLiteral("xesam:title"), toQt(state.title)},
      {QStringLiteral("xesam:url"), QUrl::fromLocalFile(toQt(state.recording)).toString(QUrl::FullyEncoded)},
  };
}

QVariantMap Mpris::playerProperties() const {
  const MediaState state = keys_.state();
  const bool can = state.canControl;
  return {
      {QStringLiteral("PlaybackStatus"), QString::fromLatin1(statusName(state.status))},
      {QStringLiteral("Rate"), 1.0},
      {QStringLiteral("Metadata"), metadata(state)},
      {QStringLiteral("Volume"), 1.0},
      {QStringLiteral("Position"), micro(keys_.positionMs())},
      {QStringLiteral("MinimumRate"), 1.0},
      {QStringLiteral("MaximumRate"), 1.0},
      {QStringLiteral("CanGoNext"), can},
      {QStringLiteral("CanGoPrevious"), can},
      {QStringLiteral("CanPlay"), can},
      {QStringLiteral("CanPause"), can},
      {QStringLiteral("CanSeek"), can},
      {QStringLiteral("CanControl"), true},
  };
}

bool Mpris::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  const QString interface = message.interface();
  const QString member = message.member();
  const QVariantList args = message.arguments();
  QVariantList reply;
  if (interface == kProperties) {
    const QString of = args.value(0).toString();
    const QVariantMap all = of == kRoot ? rootProperties() : of == kPlayer ? playerProperties() : QVariantMap();
    if (member == QStringLiteral("GetAll")) {
      reply << all;
    } else if (member == QStringLiteral("Get")) {
      const auto it = all.find(args.value(1).toString());
      if (it == all.end()) {
        connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                                                 QStringLiteral("No such property")));
        return true;
      }
      reply << QVariant::fromValue(QDBusVariant(it.value()));
    } else if (member != QStringLiteral("Set")) {  // Rate and Volume stay as they are
      return false;
    }
  } else if (interface == kRoot ||
             (interface.isEmpty() && (member == QStringLiteral("Raise") || member == QStringLiteral("Quit")))) {
    if (member == QStringLiteral("Raise")) {
      window_.show();
      window_.raise();
      window_.activateWindow();
    } else if (member != QStringLiteral("Quit")) {  // CanQuit is false
      return false;
    }
  } else if (interface == kPlayer || interface.isEmpty()) {
    if (member == QStringLiteral("Play")) keys_.play();
    else if (member == QStringLiteral("Pause")) keys_.pause();
    else if (member == QStringLiteral("PlayPause")) keys_.playPause();
    else if (member == QStringLiteral("Stop")) keys_.stop();
    else if (member == QStringLiteral("Next")) keys_.next();
    else if (member == QStringLiteral("Previous")) keys_.previous();
    else if (member == QStringLiteral("Seek")) keys_.seekBy(static_cast<double>(args.value(0).toLongLong()) / 1000.0);
    else if (member == QStringLiteral("SetPosition")) {
      // Only for the track that plays now, as MPRIS asks.
      if (args.value(0).value<QDBusObjectPath>().path() == QStringLiteral("/io/tessaly/Track/%1").arg(track_))
        keys_.setPosition(static_cast<double>(args.value(1).toLongLong()) / 1000.0);
    } else if (member != QStringLiteral("OpenUri")) {  // files are opened in the program
      return false;
    }
  } else {
    return false;
  }
  if (message.isReplyRequired()) connection.send(message.createReply(reply));
  look();  // the change a command made goes out at once
  return true;
}

void Mpris::look() {
  const MediaState state = keys_.state();
  const double position = keys_.positionMs();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (state.recording != last_.recording) ++track_;
  QVariantMap changed;
  if (state.status != last_.status)
    changed.insert(QStringLiteral("PlaybackStatus"), QString::fromLatin1(statusName(state.status)));
  if (state.recording != last_.recording || state.title != last_.title || state.lengthMs != last_.lengthMs)
    changed.insert(QStringLiteral("Metadata"), metadata(state));
  if (state.canControl != last_.canControl)
    for (const char* name : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek"})
      changed.insert(QString::fromLatin1(name), state.canControl);
  if (!changed.isEmpty()) sendChanged(kPlayer, changed);
  // A jump (a sentence key, a loop's return, Seek): the position went where playing at any
  // speed (0.5× to 2×) could not have taken it.
  const double walked = state.status == MediaStatus::Playing ? 2.0 * static_cast<double>(now - lastLookMs_) : 0.0;
  if (state.recording == last_.recording && (position < lastPositionMs_ - 250 || position > lastPositionMs_ + walked + 250))
    sendSeeked(position);
  last_ = state;
  lastPositionMs_ = position;
  lastLookMs_ = now;
}

void Mpris::sendChanged(const QString& interface, const QVariantMap& changed) const {
  QDBusMessage signal = QDBusMessage::createSignal(kPath, kProperties, QStringLiteral("PropertiesChanged"));
  signal << interface << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

void Mpris::sendSeeked(double ms) const {
  QDBusMessage signal = QDBusMessage::createSignal(kPath, kPlayer, QStringLiteral("Seeked"));
  signal << micro(ms);
  QDBusConnection::sessionBus().send(signal);
}

}  // namespace tessaly::qt
