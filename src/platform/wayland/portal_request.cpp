#include "platform/wayland/portal_request.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <utility>

namespace pigmora::wayland {

namespace {

constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";

// The frontend names a request's object after the caller's unique name and the handle token:
// ":1.42" and "pigmora3" give .../request/1_42/pigmora3.
QString PredictedRequestPath(const QDBusConnection& bus, const QString& token) {
  QString sender = bus.baseService();
  if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return QStringLiteral("%1/request/%2/%3").arg(QLatin1String(kPortalPath), sender, token);
}

}  // namespace

PortalRequest::PortalRequest(QObject* owner, const QDBusConnection& bus,
                             std::function<void(const PortalOutcome&)> onDone)
    : QObject(owner), bus_(bus), onDone_(std::move(onDone)) {}

void PortalRequest::Start(QObject* owner, const QDBusConnection& bus, const QString& interface,
                          const QString& method, QVariantList arguments,
                          std::function<void(const PortalOutcome&)> onDone,
                          std::function<void()> onSilent) {
  auto* request = new PortalRequest(owner, bus, std::move(onDone));
  static unsigned tokenCounter = 0;
  const QString token = QStringLiteral("pigmora%1").arg(++tokenCounter);
  QVariantMap options = arguments.isEmpty() ? QVariantMap{} : arguments.takeLast().toMap();
  options.insert(QStringLiteral("handle_token"), token);
  arguments.append(options);

  // Listening before the call: the answer may come before the reply that names the request.
  request->Listen(PredictedRequestPath(bus, token));
  request->silence_.setSingleShot(true);
  request->silence_.setInterval(kPortalAnswerTime);
  connect(&request->silence_, &QTimer::timeout, request, [onSilent = std::move(onSilent)] {
    if (onSilent) onSilent();
  });
  request->silence_.start();

  QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kPortalService),
                                                     QLatin1String(kPortalPath), interface, method);
  call.setArguments(arguments);
  const int replyTimeoutMs = static_cast<int>(std::chrono::milliseconds(kPortalAnswerTime).count());
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, replyTimeoutMs), request);
  connect(watcher, &QDBusPendingCallWatcher::finished, request,
          [request](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *finished;
            if (reply.isError()) {
              PortalOutcome failure;
              failure.kind = PortalOutcome::Kind::Failed;
              failure.error = reply.error().name() + QStringLiteral(": ") + reply.error().message();
              request->Finish(failure);
              return;
            }
            // A frontend that found the predicted path taken names another one.
            const QString handle = reply.value().path();
            if (handle != request->handle_) request->Listen(handle);
          });
}

void PortalRequest::Listen(const QString& path) {
  if (!handle_.isEmpty()) {
    bus_.disconnect(QLatin1String(kPortalService), handle_, QLatin1String(kRequestInterface),
                    QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
  }
  handle_ = path;
  bus_.connect(QLatin1String(kPortalService), handle_, QLatin1String(kRequestInterface),
               QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
}

void PortalRequest::OnResponse(uint response, const QVariantMap& results) {
  PortalOutcome answer;
  answer.response = response;
  answer.results = results;
  Finish(answer);
}

void PortalRequest::Finish(const PortalOutcome& outcome) {
  if (finished_) return;
  finished_ = true;
  silence_.stop();
  bus_.disconnect(QLatin1String(kPortalService), handle_, QLatin1String(kRequestInterface),
                  QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
  onDone_(outcome);
  deleteLater();
}

}  // namespace pigmora::wayland
