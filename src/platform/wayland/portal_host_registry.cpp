#include "platform/wayland/portal_host_registry.h"

#include <QDBusMessage>
#include <QVariantMap>

#include "platform/wayland/portal_request.h"

namespace pigmora::wayland {

namespace {

// A running frontend answers within a millisecond; one being started by the bus takes longer,
// and the first portal call would wait for it anyway.
constexpr int kAnswerMs = 2000;

}  // namespace

void RegisterWithPortals(const QDBusConnection& bus, const QString& appId) {
  if (!bus.isConnected()) return;
  QDBusMessage registration = QDBusMessage::createMethodCall(
      QLatin1String(kPortalService), QLatin1String(kPortalPath),
      QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
  registration.setArguments({appId, QVariantMap()});
  bus.call(registration, QDBus::Block, kAnswerMs);
}

}  // namespace pigmora::wayland
