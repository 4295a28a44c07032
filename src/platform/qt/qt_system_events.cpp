#include "platform/qt/qt_system_events.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QVariant>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <csignal>

#include "platform/x11/x11_key_event.h"

namespace pigmora::qt {

namespace {

// The write end of the signal pipe, for the signal handler; -1 while no instance lives.
std::atomic<int> g_signalWriteFd{-1};

constexpr int kTerminateSignals[] = {SIGTERM, SIGINT};

// Runs on whatever thread the signal interrupts: only async-signal-safe calls. The byte makes
// the main thread's notifier fire; the handler itself runs there.
extern "C" void OnSignal(int) {
  const int savedErrno = errno;
  const int fd = g_signalWriteFd.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
  }
  errno = savedErrno;
}

// Modifier keys alone are not key-downs of their own: the desktop reports them as changes of the
// modifier state, which the shortcut fields read from the next real key.
bool IsModifierOnlyKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
      return true;
    default:
      return false;
  }
}

int64_t FocusedControlId() {
  for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
    const QVariant id = widget->property(kControlIdProperty);
    if (id.isValid()) {
      bool ok = false;
      const qlonglong value = id.toLongLong(&ok);
      if (ok) return value;
    }
    if (widget->isWindow()) break;
  }
  return -1;
}

}  // namespace

QtSystemEvents::QtSystemEvents() {
  QApplication::setQuitOnLastWindowClosed(false);
  qApp->installEventFilter(this);

  if (pipe2(signalPipe_, O_CLOEXEC | O_NONBLOCK) == 0) {
    g_signalWriteFd.store(signalPipe_[1]);
    signalNotifier_ = new QSocketNotifier(signalPipe_[0], QSocketNotifier::Read, this);
    connect(signalNotifier_, &QSocketNotifier::activated, this, &QtSystemEvents::OnTerminateSignal);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kTerminateSignals) sigaction(signalNumber, &action, nullptr);
  }
}

QtSystemEvents::~QtSystemEvents() {
  if (signalPipe_[0] >= 0) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kTerminateSignals) sigaction(signalNumber, &action, nullptr);
    g_signalWriteFd.store(-1);
    delete signalNotifier_;
    close(signalPipe_[0]);
    close(signalPipe_[1]);
  }
  if (qApp) qApp->removeEventFilter(this);
}

void QtSystemEvents::WaitAndHandleSystemEvents() {
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  // This loop is not a QEventLoop, so objects that Qt's widgets release with deleteLater() would
  // otherwise pile up until the end.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtSystemEvents::Wake() {
  // The main thread's dispatcher, whichever thread asks: wakeUp() is thread-safe.
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread());
  if (dispatcher) dispatcher->wakeUp();
}

void QtSystemEvents::SetKeyDownFilter(std::function<bool(const platform::KeyDown&)> filter) {
  keyDownFilter_ = std::move(filter);
}

void QtSystemEvents::SetTerminateHandler(std::function<void(platform::TerminateRequest)> handler) {
  terminateHandler_ = std::move(handler);
}

void QtSystemEvents::ActivateApplication() {
  if (QWidget* window = QApplication::activeWindow()) {
    window->raise();
    window->activateWindow();
  }
}

bool QtSystemEvents::eventFilter(QObject* watched, QEvent* event) {
  // A key press reaches the top-level QWindow first and then the focused widget and its parents,
  // every step passing this application-wide filter; looking at it on the window only sees each
  // press once, before any widget.
  if (event->type() != QEvent::KeyPress || !watched->isWindowType() || !keyDownFilter_) {
    return false;
  }
  const auto* keyEvent = static_cast<const QKeyEvent*>(event);
  if (IsModifierOnlyKey(keyEvent->key())) return false;
  platform::KeyDown keyDown = TranslateKeyEvent(*keyEvent);
  keyDown.focusedControlId = FocusedControlId();
  return keyDownFilter_(keyDown);
}

void QtSystemEvents::OnTerminateSignal() {
  char bytes[64];
  bool signalled = false;
  while (read(signalPipe_[0], bytes, sizeof bytes) > 0) signalled = true;
  if (!signalled || !terminateHandler_) return;
  terminateHandler_(platform::TerminateRequest::MustEnd);
  // A modal dialog (the colour dialog, the About box) keeps the program inside it until it is
  // answered, and the quit just asked for waits behind it. Dismissed as Escape would dismiss
  // it, it chooses nothing, and the quit comes next.
  if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
    dialog->done(QDialog::Rejected);
  }
}

}  // namespace pigmora::qt
