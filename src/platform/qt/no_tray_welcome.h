#pragma once
// A first start on a desktop with no tray at all (GNOME without the AppIndicator extension, some
// tiling set-ups): the status item never shows and no hot key is set yet, so a new user would have
// no way in. There, and only there, the preferences window opens by itself and the user is told
// once why the item is missing and how to get a tray.
#include <QObject>
#include <QTimer>

namespace pigmora::qt {

class DBusInstanceChannel;

class NoTrayWelcome final : public QObject {
  Q_OBJECT

 public:
  // Does nothing unless `firstRun`. Otherwise looks for a tray once, a few seconds after the
  // event loop has started: at login the panel may come up after the program.
  NoTrayWelcome(DBusInstanceChannel& instance, bool firstRun);

 private:
  void WelcomeIfNoTray();

  DBusInstanceChannel& instance_;
  QTimer wait_;
};

}  // namespace pigmora::qt
