#include "platform/qt/instance_channel.h"

#include <QDBusConnection>
#include <QString>
#include <string>

#include "platform/qt/instance_bus.h"
#include "platform/qt/qt_status_bar.h"
#include "platform/qt/stderr_line.h"

namespace pigmora::qt {

namespace {

void SayActionsUnavailable(const std::string& why) {
  PrintStderrLine(why +
                            ": the command-line actions (pigmora --show-picker, ...) cannot reach "
                            "this Pigmora; hot keys and the tray menu work as usual.");
}

// A plain second launch is the user starting Pigmora again from the desktop's launcher. Where a
// tray shows the item, the item is the way in, and the program stays without a window as it is
// meant to; on a desktop with no tray (GNOME without the AppIndicator extension) nothing else
// would let the user reach the hot keys, so the launch opens the preferences window.
bool RelaunchOpensPreferences() {
  return !TrayHostPresent();
}

}  // namespace

void DBusInstanceChannel::Listen(std::function<void(platform::InstanceRequest)> onRequest) {
  onRequest_ = std::move(onRequest);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    SayActionsUnavailable("no D-Bus session bus");
    return;
  }
  if (!bus.registerObject(QString::fromLatin1(kInstanceObjectPath), this,
                          QDBusConnection::ExportScriptableSlots)) {
    SayActionsUnavailable("cannot export the D-Bus object " + std::string(kInstanceObjectPath));
    return;
  }
  // The name is registered last: its appearance on the bus tells other launches that the
  // program is ready for their requests.
  if (!bus.registerService(QString::fromLatin1(kInstanceBusName))) {
    bus.unregisterObject(QString::fromLatin1(kInstanceObjectPath));
    SayActionsUnavailable("the D-Bus name " + std::string(kInstanceBusName) +
                          " is taken by another program");
  }
}

void DBusInstanceChannel::ShowPicker() {
  Deliver(platform::InstanceRequest::ShowPicker);
}
void DBusInstanceChannel::CycleForward() {
  Deliver(platform::InstanceRequest::CycleForward);
}
void DBusInstanceChannel::CycleBack() {
  Deliver(platform::InstanceRequest::CycleBack);
}
void DBusInstanceChannel::ShowPreferences() {
  Deliver(platform::InstanceRequest::ShowPreferences);
}

void DBusInstanceChannel::Activate() {
  if (RelaunchOpensPreferences()) Deliver(platform::InstanceRequest::ShowPreferences);
}

void DBusInstanceChannel::Deliver(platform::InstanceRequest request) {
  if (onRequest_) onRequest_(request);
}

}  // namespace pigmora::qt
