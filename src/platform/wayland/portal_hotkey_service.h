#pragma once
// System-wide hot keys in a Wayland session, where no client may grab keys: the desktop's
// org.freedesktop.portal.GlobalShortcuts (version 1) binds each action, picker, forward and back,
// in a session of its own, and says when one is activated. The desktop owns the final trigger:
// the stored shortcut is only its preferred one.
//
// Where the portal cannot bind (no portal, no GlobalShortcuts, a refusal, no answer, the portal
// gone), the keys fall back to the X11 grabs of XWayland, which fire while an X11 window has the
// focus, until a binding succeeds. So does every action the desktop says it bound without giving
// it a key.
//
// Version 1 binds the shortcuts of a session once. So whenever the set of actions or their keys
// changes, the session is closed and a new one binds the whole set again; a desktop that keeps
// the user's own choice for an action keeps it across that.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/hotkey_service.h"
#include "platform/wayland/fallback_grabs.h"
#include "platform/wayland/portal_request.h"

namespace pigmora::wayland {

class PortalHotkeyService final : public QObject, public platform::HotkeyService {
  Q_OBJECT
 public:
  // `fallback`: the X11 key grabs, or null.
  PortalHotkeyService(const QDBusConnection& bus, platform::HotkeyService* fallback);

  // 0: the portal is asked in the background. Where it cannot serve, the program goes on without
  // hot keys, says once on standard error what to bind instead, and each field says why.
  int InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed) override;
  // 0: the combination goes into the next binding (a preference the desktop may overrule).
  // Non-zero for a key the shortcuts text cannot name.
  int Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
               platform::HotkeyRef& ref) override;
  int Unregister(platform::HotkeyRef ref) override;
  void NameHotkey(platform::HotkeyRef ref, const platform::HotkeyAction& action) override;
  std::optional<std::u16string> BindingProblem(platform::HotkeyRef ref) override;
  void SetBindingsChangedHandler(std::function<void()> onChanged) override;

  // The desktop was asked and has no GlobalShortcuts portal (or no portal at all): it will never
  // bind keys for us this way. False while it is being asked.
  bool HasNoGlobalShortcuts() const { return hasNoGlobalShortcuts_; }

 private slots:
  void OnActivated(const QDBusMessage& signal);
  void OnShortcutsChanged(const QDBusMessage& signal);
  void OnPortalGone();

 private:
  struct HotKey {
    std::string trigger;  // the preferred trigger in the shortcuts text
    uint32_t keyCode = 0;
    uint32_t modifiers = 0;
    platform::HotkeyId id;
    std::string action;  // "" until named
    QString title;
  };
  // Where the binding of the current set stands.
  enum class State { Checking, Binding, Bound, Unavailable };

  void CheckPortal();
  void ScheduleBinding();
  void Bind();
  void CloseSession();
  void BindInSession(uint64_t generation, const QString& session);
  void TakeBoundTriggers(const QVariant& shortcuts);
  void Fail(const std::string& why, const std::u16string& problem);
  void UseFallback();
  void FollowBindings();
  bool IsBoundByDesktop(const HotKey& hotKey) const;
  void Changed();

  QDBusConnection bus_;
  FallbackGrabs fallback_;
  bool onFallback_ = false;
  std::function<int(std::optional<platform::HotkeyId>)> onPressed_;
  std::function<void()> onBindingsChanged_;
  std::map<platform::HotkeyRef, HotKey> hotKeys_;
  platform::HotkeyRef nextRef_ = 1;

  State state_ = State::Checking;
  bool bindingScheduled_ = false;
  uint64_t generation_ = 0;  // counts bindings; answers to an older one are stale
  QString session_;          // the open session, "" when none
  // The triggers the desktop says it bound, by action; absent: not bound.
  std::map<std::string, std::string> boundTriggers_;
  std::u16string failure_;  // why nothing is bound while Unavailable or after a refusal
  bool hasNoGlobalShortcuts_ = false;
};

}  // namespace pigmora::wayland
