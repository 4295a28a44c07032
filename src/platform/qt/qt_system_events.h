#pragma once
// The application object's side of the event loop on Qt: the blocking wait, the wake-up, the
// key-down filter of the shortcut capture fields and the terminate request (SIGTERM, SIGINT).
#include <QObject>
#include <functional>

#include "platform/system_events.h"

class QSocketNotifier;

namespace pigmora::qt {

// The dynamic property that names a preferences control's id on its widget; a key-down reports
// the id of the focused widget or of its nearest ancestor that carries it.
inline constexpr char kControlIdProperty[] = "pigmoraControlId";
// The dynamic property (true) of a widget that records key presses as shortcuts. While one has
// the keyboard focus, the program's own global hot keys stand aside, so that a combination that
// is already a hot key reaches the field instead of acting.
inline constexpr char kShortcutFieldProperty[] = "pigmoraShortcutField";

class QtSystemEvents final : public QObject, public platform::SystemEvents {
  Q_OBJECT

 public:
  // Needs the QApplication. Installs the application-wide key filter and the handlers of SIGTERM
  // and SIGINT; the last window closing no longer quits the application. One instance at a time.
  QtSystemEvents();
  ~QtSystemEvents() override;
  QtSystemEvents(const QtSystemEvents&) = delete;
  QtSystemEvents& operator=(const QtSystemEvents&) = delete;

  void WaitAndHandleSystemEvents() override;
  void Wake() override;
  void SetKeyDownFilter(std::function<bool(const platform::KeyDown&)> filter) override;
  // SIGTERM and SIGINT are requests the program has to follow: after the handler has been told,
  // an open modal dialog is dismissed unanswered, so that the program's loop runs again.
  void SetTerminateHandler(std::function<void(platform::TerminateRequest)> handler) override;
  void ActivateApplication() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnTerminateSignal();

  std::function<bool(const platform::KeyDown&)> keyDownFilter_;
  std::function<void(platform::TerminateRequest)> terminateHandler_;
  int signalPipe_[2] = {-1, -1};
  QSocketNotifier* signalNotifier_ = nullptr;
};

}  // namespace pigmora::qt
