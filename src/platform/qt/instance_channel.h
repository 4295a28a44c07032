#pragma once
// The running program's end of the channel to other launches by the same user: it owns the
// application identifier as a name on the user's session bus (which only that user can reach)
// and answers the methods of one small interface there. Anything else is refused by QtDBus
// (unknown method, other arguments) before it reaches this code.
#include <QObject>
#include <functional>

#include "platform/instance_channel.h"

namespace pigmora::qt {

class DBusInstanceChannel final : public QObject, public platform::InstanceChannel {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", PIGMORA_APP_IDENTIFIER)

 public:
  // Opens the channel. Without a session bus, or with the name taken, the program runs on
  // without it and says so once on stderr.
  void Listen(std::function<void(platform::InstanceRequest)> onRequest) override;

 public Q_SLOTS:
  Q_SCRIPTABLE void ShowPicker();
  Q_SCRIPTABLE void CycleForward();
  Q_SCRIPTABLE void CycleBack();
  Q_SCRIPTABLE void ShowPreferences();
  // What a plain second launch (the desktop's launcher, `pigmora` again) asks for.
  Q_SCRIPTABLE void Activate();

 private:
  void Deliver(platform::InstanceRequest request);

  std::function<void(platform::InstanceRequest)> onRequest_;
};

}  // namespace pigmora::qt
