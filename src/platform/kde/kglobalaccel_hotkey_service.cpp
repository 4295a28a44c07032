#include "platform/kde/kglobalaccel_hotkey_service.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "platform/kde/kde_shortcut_key.h"
#include "platform/qt/qt_system_events.h"
#include "platform/wayland/portal_notice.h"

namespace pigmora::kde {

// A key sequence as kglobalaccel sends it: a structure of four chords, unused ones 0 ("(ai)"). A
// hot key is one chord.
struct KeySequence {
  QList<int> chords;
};

}  // namespace pigmora::kde

Q_DECLARE_METATYPE(pigmora::kde::KeySequence)

namespace pigmora::kde {

QDBusArgument& operator<<(QDBusArgument& argument, const KeySequence& sequence) {
  argument.beginStructure();
  argument << sequence.chords;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KeySequence& sequence) {
  argument.beginStructure();
  argument >> sequence.chords;
  argument.endStructure();
  return argument;
}

namespace {

constexpr char kService[] = "org.kde.kglobalaccel";
constexpr char kPath[] = "/kglobalaccel";
constexpr char kInterface[] = "org.kde.KGlobalAccel";
constexpr char kComponentInterface[] = "org.kde.kglobalaccel.Component";

// setShortcutKeys's flags: the keys are the active ones; they replace what kglobalaccel keeps from
// an earlier run or from System Settings; they are the default ones.
constexpr uint kSetPresent = 2;
constexpr uint kNoAutoloading = 4;
constexpr uint kIsDefault = 8;

constexpr int kBlockAnswerMs = 500;

constexpr char16_t kMeanwhile[] = u" Meanwhile it works while an X11 window has the focus.";

// kglobalaccel's object for a component: its name with every character a D-Bus path cannot hold
// made "_" ("org.pigmora.Pigmora" is /component/org_pigmora_Pigmora).
QString ComponentPath(const QString& component) {
  QString path = QStringLiteral("/component/");
  for (const QChar c : component) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                       (c >= u'0' && c <= u'9') || c == u'_';
    path += plain ? c : u'_';
  }
  return path;
}

// The first chord of each sequence: a hot key's key.
QList<int> KeysOf(const QList<KeySequence>& sequences) {
  QList<int> keys;
  for (const KeySequence& sequence : sequences) {
    if (!sequence.chords.isEmpty()) keys.append(sequence.chords.first());
  }
  return keys;
}

// The keys of a change signal, whatever its kind: yourShortcutGotChanged sends keys ("ai"), and
// yourShortcutsChanged key sequences ("a(ai)"). Anything else carries no key we could use, and
// reading it as keys would abort in libdbus.
QList<int> KeysOf(const QVariant& value) {
  if (!value.canConvert<QDBusArgument>()) return {};
  const QDBusArgument argument = value.value<QDBusArgument>();
  const QString signature = argument.currentSignature();
  if (signature == QStringLiteral("ai")) return qdbus_cast<QList<int>>(argument);
  if (signature == QStringLiteral("a(ai)")) return KeysOf(qdbus_cast<QList<KeySequence>>(argument));
  return {};
}

}  // namespace

KGlobalAccelHotkeyService::KGlobalAccelHotkeyService(const QDBusConnection& bus,
                                                     const QString& component,
                                                     platform::HotkeyService* fallback)
    : bus_(bus), component_(component), fallback_(fallback) {
  qDBusRegisterMetaType<KeySequence>();
  qDBusRegisterMetaType<QList<KeySequence>>();
}

// A program that ends while one of its shortcut fields has the focus must not leave the
// desktop's shortcuts off: the call is waited for, briefly, before the connection goes.
KGlobalAccelHotkeyService::~KGlobalAccelHotkeyService() {
  if (blocking_) Block(false, QDBus::Block);
}

void KGlobalAccelHotkeyService::Block(bool block, QDBus::CallMode mode) {
  blocking_ = block;
  QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                     QLatin1String(kInterface),
                                                     QStringLiteral("blockGlobalShortcuts"));
  call.setArguments({block});
  bus_.call(call, mode, kBlockAnswerMs);
}

int KGlobalAccelHotkeyService::InstallHandler(
    std::function<int(std::optional<platform::HotkeyId>)> onPressed) {
  onPressed_ = std::move(onPressed);
  fallback_.InstallHandler([this](std::optional<platform::HotkeyId> pressed) {
    return onPressed_ ? onPressed_(pressed) : 0;
  });
  if (!bus_.isConnected()) {
    Fail("there is no D-Bus session bus to reach KDE's shortcut service");
    return 0;
  }
  bus_.connect(QLatin1String(kService), ComponentPath(component_),
               QLatin1String(kComponentInterface), QStringLiteral("globalShortcutPressed"), this,
               SLOT(OnPressed(QString, QString, qlonglong)));
  // A key the user sets in System Settings. KDE Frameworks 5.103 and Plasma 6 send the first
  // name, older releases the second; both carry the action and its new keys.
  for (const QString& name :
       {QStringLiteral("yourShortcutsChanged"), QStringLiteral("yourShortcutGotChanged")}) {
    bus_.connect(QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface), name,
                 this, SLOT(OnShortcutsChanged(QStringList, QDBusMessage)));
  }
  // While a shortcut field has the keyboard focus, KDE's shortcuts stand aside, as they do for
  // KDE's own shortcut fields: the field must receive the combinations that are shortcuts.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    const bool field = now != nullptr && now->property(qt::kShortcutFieldProperty).toBool();
    if (field != blocking_) Block(field, QDBus::NoBlock);
  });
  auto* watcher = new QDBusServiceWatcher(QLatin1String(kService), bus_,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
          &KGlobalAccelHotkeyService::OnServiceGone);
  connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
          &KGlobalAccelHotkeyService::OnServiceBack);
  return 0;
}

int KGlobalAccelHotkeyService::Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
                                        platform::HotkeyRef& ref) {
  const int key = KdeShortcutKey(keyCode, modifiers);
  if (key == 0) return 2;
  ref = nextRef_++;
  hotKeys_[ref] = {key, keyCode, modifiers, id, {}, {}};
  if (!failure_.empty()) fallback_.Grab(ref, keyCode, modifiers, id);
  ScheduleSetting();
  return 0;
}

// kglobalaccel keeps the action (System Settings lists it, with the user's key): a changed key
// is registered again under the same action and set over it.
int KGlobalAccelHotkeyService::Unregister(platform::HotkeyRef ref) {
  if (hotKeys_.erase(ref) == 0) return 1;
  fallback_.Release(ref);
  return 0;
}

void KGlobalAccelHotkeyService::NameHotkey(platform::HotkeyRef ref,
                                           const platform::HotkeyAction& action) {
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end()) return;
  hotKey->second.action = action.name;
  hotKey->second.title = QString::fromStdU16String(std::u16string(action.title));
  ScheduleSetting();
}

void KGlobalAccelHotkeyService::SetBindingsChangedHandler(std::function<void()> onChanged) {
  onBindingsChanged_ = std::move(onChanged);
}

// The registry registers and names several hot keys in one go: they are set together when the
// event loop next runs.
void KGlobalAccelHotkeyService::ScheduleSetting() {
  if (settingScheduled_) return;
  settingScheduled_ = true;
  QTimer::singleShot(0, this, [this] { SetShortcuts(); });
}

QStringList KGlobalAccelHotkeyService::ActionId(const HotKey& hotKey) const {
  // Component and action as kglobalaccel keeps them, then as System Settings shows them.
  return {component_, QString::fromStdString(hotKey.action), QStringLiteral("Pigmora"),
          hotKey.title};
}

void KGlobalAccelHotkeyService::SetShortcuts() {
  settingScheduled_ = false;
  if (!bus_.isConnected()) return;
  for (const auto& [ref, hotKey] : hotKeys_) {
    if (hotKey.action.empty()) continue;
    const auto set = setKeys_.find(hotKey.action);
    if (set != setKeys_.end() && set->second == hotKey.key) continue;
    // The first setting in a run keeps a key the user chose in System Settings; a later one is
    // the user's change in the preferences window.
    const uint flags = set == setKeys_.end() ? kSetPresent : kSetPresent | kNoAutoloading;
    setKeys_[hotKey.action] = hotKey.key;

    const QStringList actionId = ActionId(hotKey);
    QDBusMessage doRegister =
        QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                       QLatin1String(kInterface), QStringLiteral("doRegister"));
    doRegister.setArguments({actionId});
    bus_.asyncCall(doRegister);
    // Key sequences, not the keys of the older setShortcut, which Plasma 6 may leave out.
    QDBusMessage setShortcut = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
        QStringLiteral("setShortcutKeys"));
    const QVariant keys = QVariant::fromValue(QList<KeySequence>{{{hotKey.key, 0, 0, 0}}});
    // The stored key is also the default System Settings offers to go back to.
    setShortcut.setArguments({actionId, keys, QVariant::fromValue(flags | kIsDefault)});
    bus_.asyncCall(setShortcut);
    setShortcut.setArguments({actionId, keys, QVariant::fromValue(flags)});
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(setShortcut), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, action = hotKey.action, key = hotKey.key](QDBusPendingCallWatcher* call) {
              call->deleteLater();
              const QDBusPendingReply<QList<KeySequence>> reply = *call;
              if (reply.isError()) {
                setKeys_.erase(action);
                Fail("KDE's shortcut service (org.kde.kglobalaccel) did not take the shortcuts (" +
                     reply.error().name().toStdString() + ")");
                return;
              }
              const auto set = setKeys_.find(action);
              if (set == setKeys_.end() || set->second != key) return;  // set again since
              TakeBoundKeys(action, KeysOf(reply.value()));
            });
  }
}

void KGlobalAccelHotkeyService::TakeBoundKeys(const std::string& action, QList<int> keys) {
  keys.removeAll(0);  // kglobalaccel's "no key"
  boundKeys_[action] = keys;
  FollowBindings();
  Changed();
}

// Every action kglobalaccel bound no key to keeps its X11 grab, and the user is told once where
// to set the missing keys.
void KGlobalAccelHotkeyService::FollowBindings() {
  failure_.clear();
  std::string unbound;
  for (const auto& [ref, hotKey] : hotKeys_) {
    const auto bound = boundKeys_.find(hotKey.action);
    if (bound == boundKeys_.end()) continue;  // not answered yet
    if (!bound->second.isEmpty()) {
      fallback_.Release(ref);
      continue;
    }
    fallback_.Grab(ref, hotKey.keyCode, hotKey.modifiers, hotKey.id);
    if (!unbound.empty()) unbound += ", ";
    unbound += "\"" + hotKey.title.toStdString() + "\"";
  }
  if (unbound.empty()) return;
  wayland::TellOnce(wayland::NoticeSubject::UnboundShortcuts,
                    "global hot keys: KDE's shortcut service bound no key to " + unbound +
                        " (another shortcut has it); these work only while an X11 window has "
                        "the focus: set their keys in System Settings > Shortcuts > Pigmora.");
}

void KGlobalAccelHotkeyService::Fail(const std::string& why) {
  failure_ = u"Not active: KDE's shortcut service cannot be reached.";
  boundKeys_.clear();
  for (const auto& [ref, hotKey] : hotKeys_) {
    fallback_.Grab(ref, hotKey.keyCode, hotKey.modifiers, hotKey.id);
  }
  wayland::TellOnce(wayland::NoticeSubject::GlobalShortcuts,
                    "global hot keys: " + why +
                        "; the hot keys now work only while an X11 window has the focus.");
  Changed();
}

std::optional<std::u16string> KGlobalAccelHotkeyService::BindingProblem(platform::HotkeyRef ref) {
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end() || hotKey->second.action.empty()) return std::nullopt;
  const std::u16string meanwhile = fallback_.Holds(ref) ? kMeanwhile : u"";
  if (!failure_.empty()) return failure_ + meanwhile;
  const auto bound = boundKeys_.find(hotKey->second.action);
  if (bound == boundKeys_.end()) return std::nullopt;  // not known yet
  if (bound->second.isEmpty()) {
    return u"Not active: KDE bound no key to this action (another shortcut has it); choose one "
           u"in System Settings > Shortcuts > Pigmora." +
           meanwhile;
  }
  if (bound->second.contains(hotKey->second.key)) return std::nullopt;
  return u"KDE runs this action on " + KdeShortcutText(bound->second.first()).toStdU16String() +
         u" instead.";
}

void KGlobalAccelHotkeyService::OnPressed(const QString& component, const QString& action,
                                          qlonglong /*timestamp*/) {
  if (component != component_ || !onPressed_) return;
  for (const auto& [ref, hotKey] : hotKeys_) {
    if (QString::fromStdString(hotKey.action) == action) {
      onPressed_(hotKey.id);
      return;
    }
  }
}

void KGlobalAccelHotkeyService::OnShortcutsChanged(const QStringList& actionId,
                                                   const QDBusMessage& signal) {
  const QVariantList arguments = signal.arguments();
  if (actionId.size() < 2 || actionId[0] != component_ || arguments.size() < 2) return;
  TakeBoundKeys(actionId[1].toStdString(), KeysOf(arguments[1]));
}

void KGlobalAccelHotkeyService::OnServiceGone() {
  setKeys_.clear();
  Fail("KDE's shortcut service (org.kde.kglobalaccel) has stopped");
}

// Back after it stopped (KWin restarted, say): everything is set again, keeping what the user
// chose in System Settings.
void KGlobalAccelHotkeyService::OnServiceBack() {
  if (failure_.empty()) return;  // started on the first call: that call is answered anyway
  ScheduleSetting();
}

void KGlobalAccelHotkeyService::Changed() {
  if (onBindingsChanged_) onBindingsChanged_();
}

}  // namespace pigmora::kde
