#pragma once
// The portals name a program that is not sandboxed by the application id it registers on its
// bus connection (xdg-desktop-portal 1.19 on). Without it they see an empty id: a desktop then
// lists its shortcuts under nothing, or refuses them. Registering must come before any other
// portal call on the connection, and can be done once.
#include <QDBusConnection>
#include <QString>

namespace pigmora::wayland {

// Registers `appId` (the desktop file's name) with the portal frontend, waiting a moment for its
// answer. A frontend without the registry (Debian 12's 1.16) or no portal at all is no fault: the
// portals then work as before, with an empty id.
void RegisterWithPortals(const QDBusConnection& bus, const QString& appId);

}  // namespace pigmora::wayland
