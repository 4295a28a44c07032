#pragma once
// One call of a desktop-portal method that answers later through a Request object's Response
// signal, made without ever blocking the event loop.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>
#include <chrono>
#include <functional>

namespace pigmora::wayland {

inline constexpr char kPortalService[] = "org.freedesktop.portal.Desktop";
inline constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";

// How long a portal may take before the user is told that it does not answer. Calls that need
// no dialog answer at once; a late answer is still taken.
inline constexpr std::chrono::seconds kPortalAnswerTime{10};

struct PortalOutcome {
  enum class Kind { Answered, Failed } kind = Kind::Answered;
  uint response = 2;    // 0 done, 1 cancelled by the user, 2 ended otherwise (Answered only)
  QVariantMap results;  // Answered only
  QString error;        // the D-Bus error of a call that failed (Failed only)
};

class PortalRequest final : public QObject {
  Q_OBJECT
 public:
  // Calls `method` of `interface` on the portal with `arguments`, the last of which is the
  // options vardict (a handle token is added to it). `onDone` is called once, with the answer or
  // the failure; `onSilent` once if nothing came within kPortalAnswerTime. The request deletes
  // itself after `onDone`; one that is never answered goes with `owner`, and then calls nothing.
  static void Start(QObject* owner, const QDBusConnection& bus, const QString& interface,
                    const QString& method, QVariantList arguments,
                    std::function<void(const PortalOutcome&)> onDone,
                    std::function<void()> onSilent);

 private slots:
  void OnResponse(uint response, const QVariantMap& results);

 private:
  PortalRequest(QObject* owner, const QDBusConnection& bus,
                std::function<void(const PortalOutcome&)> onDone);
  void Listen(const QString& path);
  void Finish(const PortalOutcome& outcome);

  QDBusConnection bus_;
  QString handle_;
  QTimer silence_;
  std::function<void(const PortalOutcome&)> onDone_;
  bool finished_ = false;
};

}  // namespace pigmora::wayland
