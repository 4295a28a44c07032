#include "platform/qt/instance_client.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include "platform/qt/instance_bus.h"
#include "platform/qt/single_instance_lock.h"

namespace pigmora::qt {

namespace {

// How long a Pigmora that holds the lock may take to open its channel: its whole start-up.
constexpr qint64 kStartingLimitMs = 5000;
constexpr int kCallTimeoutMs = 5000;

// With service activation off, the bus answers NameHasNoOwner (ServiceUnknown where it still
// looked for a service to start).
bool NobodyOwnsTheName(const QDBusMessage& reply) {
  const QString name = reply.errorName();
  return name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
         name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown");
}

DeliveryResult CallUntilAnswered(const QDBusConnection& bus, const char* method) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kInstanceBusName), QString::fromLatin1(kInstanceObjectPath),
      QString::fromLatin1(kInstanceInterface), QString::fromLatin1(method));
  // Nothing must be started for this: no Pigmora is a plain answer.
  call.setAutoStartService(false);

  QElapsedTimer waited;
  waited.start();
  for (;;) {
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return {Delivery::Delivered, {}};
    if (!NobodyOwnsTheName(reply)) {
      return {Delivery::Unreachable, reply.errorMessage().toStdString()};
    }
    if (!InstanceLockHeld()) return {Delivery::NoInstance, {}};
    if (waited.elapsed() > kStartingLimitMs) {
      return {Delivery::Unreachable, "it runs but has no channel on this session bus (" +
                                         std::string(kInstanceBusName) + " has no owner)"};
    }
    QThread::msleep(50);
  }
}

}  // namespace

DeliveryResult AskRunningInstance(const char* method) {
  const QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return {Delivery::Unreachable,
            "no D-Bus session bus (" + bus.lastError().message().toStdString() + ")"};
  }
  return CallUntilAnswered(bus, method);
}

}  // namespace pigmora::qt
