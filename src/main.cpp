// The desktop program: with an action option, asks the running Pigmora to act; otherwise checks
// that it can run here (an X11 display, no other instance of the same user), builds the Qt
// backend and hands it to the core.
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QColorDialog>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/run_program.h"
#include "login/autostart_entry.h"
#include "platform/gnome/gnome_custom_shortcuts.h"
#include "platform/gnome/gnome_shortcuts_hotkey_service.h"
#include "platform/kde/kglobalaccel_hotkey_service.h"
#include "platform/platform.h"
#include "platform/qt/command_line.h"
#include "platform/qt/freed_heap.h"
#include "platform/qt/instance_channel.h"
#include "platform/qt/launch_actions.h"
#include "platform/qt/no_tray_welcome.h"
#include "platform/qt/qt_alerts.h"
#include "platform/qt/qt_color_panel.h"
#include "platform/qt/qt_defaults_store.h"
#include "platform/qt/qt_pasteboard.h"
#include "platform/qt/qt_paths.h"
#include "platform/qt/qt_preferences_ui.h"
#include "platform/qt/qt_sound.h"
#include "platform/qt/qt_status_bar.h"
#include "platform/qt/qt_system_events.h"
#include "platform/qt/session_type.h"
#include "platform/qt/single_instance_lock.h"
#include "platform/qt/stderr_line.h"
#include "platform/wayland/portal_color_pick.h"
#include "platform/wayland/portal_host_registry.h"
#include "platform/wayland/portal_hotkey_service.h"
#include "platform/wayland/wayland_pasteboard.h"
#include "platform/x11/xcb_hotkey_service.h"
#include "settings/settings.h"

namespace {

using pigmora::qt::PrintStderrLine;

// Global hot keys are X11 key grabs, so the program needs an X server, and Qt's xcb platform
// plugin on it even inside a Wayland session (through XWayland): there windows can still be placed
// under the pointer, and the shortcut capture fields read X key events. Checked before Qt starts,
// because Qt answers a missing display by aborting.
bool CanOpenDisplay() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    PrintStderrLine("no X11 display: Pigmora needs an X11 desktop (set DISPLAY).");
    return false;
  }
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool ok = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  if (!ok) {
    PrintStderrLine("cannot open the X11 display \"" + std::string(display) +
                    "\": Pigmora needs an X11 desktop (set DISPLAY).");
  }
  return ok;
}

QtMessageHandler g_qtMessageHandler = nullptr;

// Qt's xcb plugin ends the process when the X connection breaks (the server went away, the
// session ended): with exit(1), which runs destructors against a dead connection, or with
// qFatal, which dumps core. Both come through here first: one clear line, and out at once.
// True once the X server has gone: every later Qt warning is only a consequence of that.
bool X11ConnectionBroken() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  return connection != nullptr && xcb_connection_has_error(connection) != 0;
}

void HandleQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  // The lost server is told in one line: the clipboard and drawing warnings Qt may print on the
  // way down would only bury it.
  if (message.startsWith(QStringLiteral("The X11 connection broke")) ||
      message.startsWith(QStringLiteral("could not connect to display")) || X11ConnectionBroken()) {
    PrintStderrLine("lost the connection to the X11 display; quitting.");
    _exit(1);
  }
  // Qt 6.8 warns for every D-Bus call to our object that none of the instance channel's methods
  // takes (an unknown method, or a known one with other arguments). Any program of the user can
  // make such calls, as many as it likes; the caller gets its error reply, and our log is not its
  // to fill.
  if (context.category && qstrcmp(context.category, "qt.dbus.integration") == 0 &&
      (message.startsWith(QStringLiteral("QDBusConnection: couldn't handle call to")) ||
       message.startsWith(QStringLiteral("Could not find slot ")))) {
    return;
  }
  if (g_qtMessageHandler) g_qtMessageHandler(type, context, message);
}

// The colour dialog checks its hex field with a regular expression, and Qt compiles each one to
// machine code (PCRE2's JIT) unless QT_ENABLE_REGEXP_JIT=0. For a seven-character field at every
// opening of the dialog, that costs more than it saves, and the JIT compiler's code stays resident
// (0.2 MiB). Qt reads the switch once, at the first match; so it is set for one match here, then
// taken away again so that programs started from here do not inherit it. A user's own setting is
// left alone.
void MatchRegularExpressionsWithoutJit() {
  const char* const kSwitch = "QT_ENABLE_REGEXP_JIT";
  if (qEnvironmentVariableIsSet(kSwitch)) return;
  qputenv(kSwitch, "0");
  [[maybe_unused]] const bool matched =
      QRegularExpression(QStringLiteral("x")).match(QStringLiteral("x")).hasMatch();
  qunsetenv(kSwitch);
}

}  // namespace

int main(int argc, char** argv) {
  const pigmora::qt::CommandLine commandLine =
      pigmora::qt::ParseCommandLine({argv + 1, argv + argc});
  if (commandLine.action != pigmora::qt::LaunchAction::Run || !commandLine.error.empty()) {
    return pigmora::qt::RunActionLaunch(argc, argv, commandLine);
  }

  // A write to a peer that has gone (the X server killed in the middle of a cycle's clipboard
  // request, a pasting program that closed its end) must come back as an error the program can
  // handle and report, not end it silently with SIGPIPE. Programs started from here get the
  // signal's default back.
  std::signal(SIGPIPE, SIG_IGN);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  if (!CanOpenDisplay()) return 1;
  if (pigmora::qt::LockSingleInstance() == pigmora::qt::InstanceLock::HeldElsewhere) {
    return pigmora::qt::RunSecondLaunch(argc, argv);
  }

  g_qtMessageHandler = qInstallMessageHandler(HandleQtMessage);
  QApplication application(argc, argv);
  // No display name: Qt would append it to every window title, and the preferences window and
  // the colour dialog are titled exactly "Preferences" and "Select Color". Alerts without a title
  // of their own still read "Pigmora" from the application name.
  QApplication::setApplicationName(QStringLiteral("Pigmora"));
  QApplication::setDesktopFileName(QStringLiteral(PIGMORA_APP_IDENTIFIER));
  // Qt's pixmap cache keeps the scaled tray pictures and the style's drawn pieces of the colour
  // dialog, and while it holds any it wakes the program 30 s later to age them out. The program
  // draws a few small pictures now and then: drawing them again costs less than that wake-up of
  // an idle process and the memory the cache keeps. A cache of no size takes nothing in and so
  // never starts its timer.
  QPixmapCache::setCacheLimit(0);
  MatchRegularExpressionsWithoutJit();
  // Qt converts large images (the window icon's big sizes, when the colour dialog's window is made)
  // on threads of its global pool, which end 30 s after their last job: that end is a wake-up in
  // the middle of an idle minute. Parked instead, they cost nothing until the next conversion.
  QThreadPool::globalInstance()->setExpiryTimeout(-1);

  pigmora::qt::QtSystemEvents events;
  pigmora::qt::QtPaths paths;
  pigmora::qt::QtDefaultsStore defaults(paths.PreferencesFile());
  // A Wayland compositor lets no client grab keys, read the screen or set the clipboard from the
  // background: there the compositor's data-control protocol takes the copied text, and the
  // desktop portals bind the hot keys and pick colours from the screen. Windows stay on XWayland.
  const bool wayland = pigmora::qt::CurrentSessionType() == pigmora::qt::SessionType::Wayland;
  if (wayland) {
    pigmora::wayland::RegisterWithPortals(QDBusConnection::sessionBus(),
                                          QStringLiteral(PIGMORA_APP_IDENTIFIER));
  }
  std::unique_ptr<pigmora::platform::Pasteboard> pasteboard;
  if (wayland) {
    pasteboard = std::make_unique<pigmora::wayland::WaylandPasteboard>();
  } else {
    pasteboard = std::make_unique<pigmora::qt::QtPasteboard>();
  }
  pigmora::qt::QtColorPanel colorPanel =
      wayland ? pigmora::qt::QtColorPanel([](QColorDialog& dialog) {
        pigmora::wayland::PickScreenColorThroughPortal(dialog, QDBusConnection::sessionBus());
      })
              : pigmora::qt::QtColorPanel();
  pigmora::qt::QtSound sound;
  pigmora::qt::QtStatusBar statusBar;
  // The X11 grabs serve an X11 session, and a Wayland session for every action its desktop does
  // not bind (they fire there while an X11 window has the focus). In a Wayland session KDE Plasma
  // binds the hot keys through its own shortcut service, every other desktop through the portal;
  // on a GNOME without the portal's shortcuts the user may put them into GNOME's own settings.
  pigmora::qt::XcbHotkeyService x11Hotkeys;
  const char* currentDesktop = std::getenv("XDG_CURRENT_DESKTOP");
  std::unique_ptr<pigmora::wayland::PortalHotkeyService> portalHotkeys;
  std::unique_ptr<pigmora::platform::HotkeyService> desktopHotkeys;
  if (wayland && pigmora::qt::DesktopIs(currentDesktop, "KDE")) {
    desktopHotkeys = std::make_unique<pigmora::kde::KGlobalAccelHotkeyService>(
        QDBusConnection::sessionBus(), QStringLiteral(PIGMORA_APP_IDENTIFIER), &x11Hotkeys);
  } else if (wayland) {
    portalHotkeys = std::make_unique<pigmora::wayland::PortalHotkeyService>(
        QDBusConnection::sessionBus(), &x11Hotkeys);
    auto gnomeSettings = pigmora::qt::DesktopIs(currentDesktop, "GNOME")
                             ? pigmora::gnome::CustomShortcuts::Open()
                             : nullptr;
    if (gnomeSettings) {
      desktopHotkeys = std::make_unique<pigmora::gnome::GnomeShortcutsHotkeyService>(
          *portalHotkeys, std::move(gnomeSettings), QCoreApplication::applicationFilePath());
    }
  }
  pigmora::platform::HotkeyService& hotkeys =
      desktopHotkeys
          ? *desktopHotkeys
          : (portalHotkeys ? static_cast<pigmora::platform::HotkeyService&>(*portalHotkeys)
                           : x11Hotkeys);
  pigmora::qt::QtAlerts alerts;
  pigmora::qt::QtPreferencesUi preferences;
  pigmora::qt::DBusInstanceChannel instance;
  pigmora::AutostartEntry startAtLogin(pigmora::qt::ConfigFolder(), PIGMORA_APP_IDENTIFIER);

  pigmora::qt::NoTrayWelcome noTrayWelcome(instance, pigmora::IsFirstRun(paths.PreferencesFile()));

  pigmora::platform::Platform platform{events, defaults,    *pasteboard,  colorPanel,
                                       sound,  statusBar,   hotkeys,      alerts,
                                       paths,  preferences, startAtLogin, instance};
  // The program's start-up steps run before its first wait for events; this runs right after.
  QTimer::singleShot(0, &application, [] { pigmora::qt::ReturnFreedHeap(); });
  return pigmora::RunProgram(platform);
}
