#include "platform/qt/no_tray_welcome.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "platform/qt/instance_channel.h"
#include "platform/qt/qt_status_bar.h"
#include "platform/qt/stderr_line.h"

namespace pigmora::qt {

namespace {

// Long enough for a panel started in the same login to claim the tray, short enough that a user
// who launched the program from a menu still connects the window with the launch.
constexpr int kTrayWaitMs = 4000;

const char kNoTraySummary[] = "Pigmora found no system tray";
const char kNoTrayBody[] =
    "Its icon cannot be shown on this desktop, so its preferences are open: set the hot keys "
    "there. Starting Pigmora again opens them again. On GNOME, the AppIndicator extension "
    "(package gnome-shell-extension-appindicator) adds the tray.";

// Through the desktop's notification service where there is one; the message is sent without
// waiting for an answer, so a missing service costs nothing but the stderr line, which is always
// written for the logs.
void TellOnce() {
  PrintStderrLine(std::string(kNoTraySummary) + ". " + kNoTrayBody);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage notify = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  notify << QStringLiteral("Pigmora") << uint{0} << QStringLiteral(PIGMORA_APP_IDENTIFIER)
         << QString::fromUtf8(kNoTraySummary) << QString::fromUtf8(kNoTrayBody) << QStringList()
         << QVariantMap() << int{-1};
  bus.send(notify);
}

}  // namespace

NoTrayWelcome::NoTrayWelcome(DBusInstanceChannel& instance, bool firstRun) : instance_(instance) {
  if (!firstRun) return;
  wait_.setSingleShot(true);
  wait_.setInterval(kTrayWaitMs);
  connect(&wait_, &QTimer::timeout, this, &NoTrayWelcome::WelcomeIfNoTray);
  wait_.start();
}

void NoTrayWelcome::WelcomeIfNoTray() {
  if (TrayHostPresent()) return;
  instance_.ShowPreferences();
  TellOnce();
}

}  // namespace pigmora::qt
