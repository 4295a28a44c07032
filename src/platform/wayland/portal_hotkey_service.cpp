#include "platform/wayland/portal_hotkey_service.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QList>
#include <QTimer>
#include <QVariant>
#include <utility>

#include "platform/wayland/portal_notice.h"
#include "platform/wayland/portal_trigger.h"

namespace pigmora::wayland {

// One element of the portal's a(sa{sv}) shortcut lists: an action's id and its properties.
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

}  // namespace pigmora::wayland

Q_DECLARE_METATYPE(pigmora::wayland::PortalShortcut)

namespace pigmora::wayland {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

namespace {

constexpr char kShortcutsInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr char kSessionInterface[] = "org.freedesktop.portal.Session";

// What the user can do where the desktop binds nothing: the command-line actions, bound to keys
// in the desktop's own keyboard settings.
constexpr char kWhatToDo[] =
    "the hot keys now work only while an X11 window has the focus: bind `pigmora --show-picker`, "
    "`pigmora --cycle-forward` and `pigmora --cycle-back` to keys in the desktop's keyboard "
    "settings instead";

std::string Utf8(const QString& text) {
  return text.toStdString();
}

std::u16string Utf16(const QString& text) {
  return text.toStdU16String();
}

// 1.16 sends the session handle as a string, later versions as an object path.
QString SessionHandleOf(const QVariantMap& results) {
  const QVariant handle = results.value(QStringLiteral("session_handle"));
  if (handle.canConvert<QDBusObjectPath>()) {
    const QString path = handle.value<QDBusObjectPath>().path();
    if (!path.isEmpty()) return path;
  }
  return handle.toString();
}

QString TextOfResponse(uint response) {
  return response == 1 ? QStringLiteral("refused by the user (response 1)")
                       : QStringLiteral("ended by the desktop (response %1)").arg(response);
}

}  // namespace

PortalHotkeyService::PortalHotkeyService(const QDBusConnection& bus,
                                         platform::HotkeyService* fallback)
    : bus_(bus), fallback_(fallback) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
}

int PortalHotkeyService::InstallHandler(
    std::function<int(std::optional<platform::HotkeyId>)> onPressed) {
  onPressed_ = std::move(onPressed);
  fallback_.InstallHandler([this](std::optional<platform::HotkeyId> pressed) {
    return onPressed_ ? onPressed_(pressed) : 0;
  });
  if (!bus_.isConnected()) {
    state_ = State::Unavailable;
    UseFallback();
    failure_ = u"Not active: there is no session bus to reach the desktop's shortcuts service.";
    TellOnce(NoticeSubject::GlobalShortcuts,
             std::string("global hot keys: no D-Bus session bus, so no desktop portal; ") +
                 kWhatToDo + ".");
    return 0;
  }
  // 1.16 broadcasts these to every client; only our own session's count.
  bus_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath),
               QLatin1String(kShortcutsInterface), QStringLiteral("Activated"), this,
               SLOT(OnActivated(QDBusMessage)));
  bus_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath),
               QLatin1String(kShortcutsInterface), QStringLiteral("ShortcutsChanged"), this,
               SLOT(OnShortcutsChanged(QDBusMessage)));
  auto* watcher = new QDBusServiceWatcher(QLatin1String(kPortalService), bus_,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
          &PortalHotkeyService::OnPortalGone);
  connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
          &PortalHotkeyService::CheckPortal);
  CheckPortal();
  return 0;
}

void PortalHotkeyService::CheckPortal() {
  state_ = State::Checking;
  QDBusMessage get = QDBusMessage::createMethodCall(
      QLatin1String(kPortalService), QLatin1String(kPortalPath),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get.setArguments({QLatin1String(kShortcutsInterface), QStringLiteral("version")});
  const int timeoutMs = static_cast<int>(std::chrono::milliseconds(kPortalAnswerTime).count());
  auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(get, timeoutMs), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    if (!reply.isError()) {
      state_ = State::Bound;  // nothing bound yet: the binding below starts
      Bind();
      return;
    }
    const QString name = reply.error().name();
    std::string why;
    if (name == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")) {
      why = "no desktop portal (org.freedesktop.portal.Desktop) runs on the session bus";
      failure_ = u"Not active: this desktop has no portal service for global shortcuts.";
      hasNoGlobalShortcuts_ = true;
    } else if (name == QStringLiteral("org.freedesktop.DBus.Error.NoReply")) {
      why = "the desktop portal gave no answer";
      failure_ = u"Not active: the desktop's portal does not answer.";
    } else {
      why = "the desktop portal has no GlobalShortcuts interface (" + Utf8(name) + ")";
      failure_ = u"Not active: this desktop offers no global shortcuts to programs.";
      hasNoGlobalShortcuts_ = true;
    }
    state_ = State::Unavailable;
    UseFallback();
    TellOnce(NoticeSubject::GlobalShortcuts, "global hot keys: " + why + "; " + kWhatToDo + ".");
    Changed();
  });
}

int PortalHotkeyService::Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
                                  platform::HotkeyRef& ref) {
  std::string trigger = PortalTrigger(keyCode, modifiers);
  if (trigger.empty()) return 2;
  ref = nextRef_++;
  HotKey& hotKey = hotKeys_[ref];
  hotKey = {std::move(trigger), keyCode, modifiers, id, {}, {}};
  if (onFallback_) fallback_.Grab(ref, keyCode, modifiers, id);
  ScheduleBinding();
  return 0;
}

int PortalHotkeyService::Unregister(platform::HotkeyRef ref) {
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end()) return 1;
  fallback_.Release(ref);
  hotKeys_.erase(hotKey);
  ScheduleBinding();
  return 0;
}

void PortalHotkeyService::UseFallback() {
  if (onFallback_) return;
  onFallback_ = true;
  for (const auto& [ref, hotKey] : hotKeys_) {
    fallback_.Grab(ref, hotKey.keyCode, hotKey.modifiers, hotKey.id);
  }
}

// A desktop may answer that it bound the shortcuts and still bind fewer keys than asked: KDE
// Plasma 5.27's portal answers with an empty list and binds none. Every action without a key of
// the desktop's keeps its X11 grab, so the user is never left with no hot key at all, and is told
// once where to set the missing keys.
void PortalHotkeyService::FollowBindings() {
  onFallback_ = false;
  std::string unbound;
  for (const auto& [ref, hotKey] : hotKeys_) {
    if (IsBoundByDesktop(hotKey)) {
      fallback_.Release(ref);
      continue;
    }
    fallback_.Grab(ref, hotKey.keyCode, hotKey.modifiers, hotKey.id);
    if (hotKey.action.empty()) continue;
    if (!unbound.empty()) unbound += ", ";
    unbound += "\"" + Utf8(hotKey.title) + "\"";
  }
  if (unbound.empty()) return;
  TellOnce(NoticeSubject::UnboundShortcuts,
           "global hot keys: the desktop answered that it bound the shortcuts, but bound no key "
           "to " +
               unbound +
               "; these work only while an X11 window has the focus: set their keys in the "
               "desktop's keyboard shortcut settings, or bind `pigmora --show-picker`, "
               "`pigmora --cycle-forward` and `pigmora --cycle-back` there.");
}

bool PortalHotkeyService::IsBoundByDesktop(const HotKey& hotKey) const {
  if (hotKey.action.empty()) return false;
  const auto bound = boundTriggers_.find(hotKey.action);
  return bound != boundTriggers_.end() && !bound->second.empty();
}

void PortalHotkeyService::NameHotkey(platform::HotkeyRef ref,
                                     const platform::HotkeyAction& action) {
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end()) return;
  hotKey->second.action = action.name;
  hotKey->second.title = QString::fromStdU16String(std::u16string(action.title));
  ScheduleBinding();
}

void PortalHotkeyService::SetBindingsChangedHandler(std::function<void()> onChanged) {
  onBindingsChanged_ = std::move(onChanged);
}

// The registry registers and names several hot keys in one go (start-up, closing the preferences
// window): they are bound together, once, when the event loop next runs.
void PortalHotkeyService::ScheduleBinding() {
  if (bindingScheduled_) return;
  bindingScheduled_ = true;
  QTimer::singleShot(0, this, [this] { Bind(); });
}

void PortalHotkeyService::Bind() {
  bindingScheduled_ = false;
  // Until the portal is known to be there; CheckPortal binds when it is.
  if (state_ == State::Checking || state_ == State::Unavailable) return;

  QList<PortalShortcut> shortcuts;
  for (const auto& [ref, hotKey] : hotKeys_) {
    if (hotKey.action.empty()) continue;
    QVariantMap properties;
    properties.insert(QStringLiteral("description"), hotKey.title);
    properties.insert(QStringLiteral("preferred_trigger"), QString::fromStdString(hotKey.trigger));
    shortcuts.append({QString::fromStdString(hotKey.action), properties});
  }

  const uint64_t generation = ++generation_;
  CloseSession();
  boundTriggers_.clear();
  failure_.clear();
  if (shortcuts.isEmpty()) {
    state_ = State::Bound;
    Changed();
    return;
  }
  state_ = State::Binding;

  QVariantMap options;
  options.insert(QStringLiteral("session_handle_token"),
                 QStringLiteral("pigmora_session%1").arg(generation));
  PortalRequest::Start(
      this, bus_, QLatin1String(kShortcutsInterface), QStringLiteral("CreateSession"),
      {QVariant(options)},
      [this, generation, shortcuts](const PortalOutcome& outcome) {
        const QString session =
            outcome.kind == PortalOutcome::Kind::Answered && outcome.response == 0
                ? SessionHandleOf(outcome.results)
                : QString();
        if (generation != generation_) {
          // The set changed meanwhile: this session is of no use any more.
          if (!session.isEmpty()) {
            bus_.asyncCall(QDBusMessage::createMethodCall(QLatin1String(kPortalService), session,
                                                          QLatin1String(kSessionInterface),
                                                          QStringLiteral("Close")));
          }
          return;
        }
        if (outcome.kind == PortalOutcome::Kind::Failed) {
          Fail("the desktop portal could not start a shortcuts session: " + Utf8(outcome.error),
               u"Not active: the desktop's shortcuts service failed.");
          return;
        }
        if (session.isEmpty()) {
          Fail("the desktop portal did not start a shortcuts session, " +
                   Utf8(TextOfResponse(outcome.response)),
               u"Not active: the desktop did not allow global shortcuts.");
          return;
        }
        session_ = session;
        PortalRequest::Start(
            this, bus_, QLatin1String(kShortcutsInterface), QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts),
             QString(), QVariant(QVariantMap())},
            [this, generation](const PortalOutcome& bound) {
              if (generation != generation_) return;
              if (bound.kind == PortalOutcome::Kind::Failed) {
                Fail("the desktop portal could not bind the shortcuts: " + Utf8(bound.error),
                     u"Not active: the desktop's shortcuts service failed.");
              } else if (bound.response != 0) {
                Fail("the desktop did not bind the shortcuts, " +
                         Utf8(TextOfResponse(bound.response)),
                     u"Not active: the desktop did not allow global shortcuts.");
              } else {
                TakeBoundTriggers(bound.results.value(QStringLiteral("shortcuts")));
                failure_.clear();
                state_ = State::Bound;
                FollowBindings();
                Changed();
              }
            },
            [this, generation] {
              if (generation != generation_) return;
              Fail("the desktop portal gave no answer to binding the shortcuts within " +
                       std::to_string(kPortalAnswerTime.count()) + " s",
                   u"Not active: the desktop does not answer.");
            });
      },
      [this, generation] {
        if (generation != generation_) return;
        Fail("the desktop portal gave no answer to starting a shortcuts session within " +
                 std::to_string(kPortalAnswerTime.count()) + " s",
             u"Not active: the desktop does not answer.");
      });
}

// A failure leaves the hot keys unbound until the next change of the set, which tries again;
// a late answer to the binding that failed is still taken.
void PortalHotkeyService::Fail(const std::string& why, const std::u16string& problem) {
  failure_ = problem;
  UseFallback();
  TellOnce(NoticeSubject::GlobalShortcuts, "global hot keys: " + why + "; " + kWhatToDo + ".");
  Changed();
}

void PortalHotkeyService::CloseSession() {
  if (session_.isEmpty()) return;
  bus_.asyncCall(QDBusMessage::createMethodCall(QLatin1String(kPortalService), session_,
                                                QLatin1String(kSessionInterface),
                                                QStringLiteral("Close")));
  session_.clear();
}

void PortalHotkeyService::TakeBoundTriggers(const QVariant& shortcuts) {
  boundTriggers_.clear();
  if (!shortcuts.canConvert<QDBusArgument>()) return;
  for (const PortalShortcut& shortcut : qdbus_cast<QList<PortalShortcut>>(shortcuts)) {
    boundTriggers_[Utf8(shortcut.id)] =
        Utf8(shortcut.properties.value(QStringLiteral("trigger_description")).toString());
  }
}

std::optional<std::u16string> PortalHotkeyService::BindingProblem(platform::HotkeyRef ref) {
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end() || hotKey->second.action.empty()) return std::nullopt;
  if (!failure_.empty()) {
    if (fallback_.Holds(ref)) {
      return failure_ + u" Meanwhile it works while an X11 window has the focus.";
    }
    return failure_;
  }
  if (state_ != State::Bound) return std::nullopt;  // not known yet
  const std::u16string meanwhile =
      fallback_.Holds(ref) ? u" Meanwhile it works while an X11 window has the focus." : u"";
  const auto bound = boundTriggers_.find(hotKey->second.action);
  if (bound == boundTriggers_.end()) {
    return u"Not active: the desktop did not bind this action; choose a key in its keyboard "
           u"settings." +
           meanwhile;
  }
  if (bound->second.empty()) {
    return u"Not active: the desktop bound no key to this action; choose one in its keyboard "
           u"settings." +
           meanwhile;
  }
  if (DescribesTrigger(hotKey->second.trigger, bound->second)) return std::nullopt;
  return u"The desktop runs this action on " + Utf16(QString::fromStdString(bound->second)) +
         u" instead.";
}

void PortalHotkeyService::OnActivated(const QDBusMessage& signal) {
  const QVariantList arguments = signal.arguments();
  if (arguments.size() < 2 || session_.isEmpty()) return;
  if (arguments[0].value<QDBusObjectPath>().path() != session_) return;
  const std::string action = Utf8(arguments[1].toString());
  for (const auto& [ref, hotKey] : hotKeys_) {
    if (hotKey.action == action && onPressed_) {
      onPressed_(hotKey.id);
      return;
    }
  }
}

void PortalHotkeyService::OnShortcutsChanged(const QDBusMessage& signal) {
  const QVariantList arguments = signal.arguments();
  if (arguments.size() < 2 || session_.isEmpty()) return;
  if (arguments[0].value<QDBusObjectPath>().path() != session_) return;
  TakeBoundTriggers(arguments[1]);
  FollowBindings();
  Changed();
}

void PortalHotkeyService::OnPortalGone() {
  session_.clear();
  state_ = State::Unavailable;
  failure_ = u"Not active: the desktop's portal service has stopped.";
  UseFallback();
  TellOnce(NoticeSubject::GlobalShortcuts,
           std::string("global hot keys: the desktop portal (org.freedesktop.portal.Desktop) is "
                       "gone (it stopped, or the session bus did); ") +
               kWhatToDo + ".");
  Changed();
}

void PortalHotkeyService::Changed() {
  if (onBindingsChanged_) onBindingsChanged_();
}

}  // namespace pigmora::wayland
