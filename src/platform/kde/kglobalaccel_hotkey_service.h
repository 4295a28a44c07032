#pragma once
// System-wide hot keys in a KDE Plasma Wayland session, through the desktop's own shortcut
// service, kglobalaccel, as every KDE application registers them: the actions show in System
// Settings → Shortcuts under "Pigmora" with their menu titles, and the user may give them other
// keys there. Plasma 5.27's GlobalShortcuts portal binds nothing (it names the component after
// the portal session, which kglobalaccel does not know), so the portal is no way in on KDE.
//
// At start the keys the user set in System Settings win over the stored ones; a key changed in
// the preferences window is then set over them. kglobalaccel answers every setting with the keys
// it really bound: an action it bound no key to (the key belongs to another shortcut) keeps an
// X11 grab, which fires while an X11 window has the focus, as do all of them while kglobalaccel
// cannot be reached.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/hotkey_service.h"
#include "platform/wayland/fallback_grabs.h"

namespace pigmora::kde {

class KGlobalAccelHotkeyService final : public QObject, public platform::HotkeyService {
  Q_OBJECT
 public:
  // `component`: the name kglobalaccel keeps the actions under (the desktop file's name, so that
  // System Settings finds the icon); `fallback`: the X11 key grabs, or null.
  KGlobalAccelHotkeyService(const QDBusConnection& bus, const QString& component,
                            platform::HotkeyService* fallback);
  ~KGlobalAccelHotkeyService() override;

  int InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed) override;
  // 0: the combination is set with kglobalaccel when the event loop next runs. Non-zero for a
  // key Qt cannot name.
  int Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
               platform::HotkeyRef& ref) override;
  int Unregister(platform::HotkeyRef ref) override;
  void NameHotkey(platform::HotkeyRef ref, const platform::HotkeyAction& action) override;
  std::optional<std::u16string> BindingProblem(platform::HotkeyRef ref) override;
  void SetBindingsChangedHandler(std::function<void()> onChanged) override;

 private slots:
  void OnPressed(const QString& component, const QString& action, qlonglong timestamp);
  void OnShortcutsChanged(const QStringList& actionId, const QDBusMessage& signal);
  void OnServiceGone();
  void OnServiceBack();

 private:
  struct HotKey {
    int key = 0;  // the Qt key combination
    uint32_t keyCode = 0;
    uint32_t modifiers = 0;
    platform::HotkeyId id;
    std::string action;  // "" until named
    QString title;
  };

  void Block(bool block, QDBus::CallMode mode);
  void ScheduleSetting();
  void SetShortcuts();
  QStringList ActionId(const HotKey& hotKey) const;
  void TakeBoundKeys(const std::string& action, QList<int> keys);
  void FollowBindings();
  void Fail(const std::string& why);
  void Changed();

  QDBusConnection bus_;
  QString component_;
  wayland::FallbackGrabs fallback_;
  std::function<int(std::optional<platform::HotkeyId>)> onPressed_;
  std::function<void()> onBindingsChanged_;
  std::map<platform::HotkeyRef, HotKey> hotKeys_;
  platform::HotkeyRef nextRef_ = 1;
  bool settingScheduled_ = false;
  bool blocking_ = false;  // KDE's shortcuts blocked while a shortcut field has the focus
  // The key each action was last set with in this run: a different one now is the user's own
  // change in the preferences window, which is set over what kglobalaccel keeps.
  std::map<std::string, int> setKeys_;
  // What kglobalaccel says each action is bound to; absent: not known yet.
  std::map<std::string, QList<int>> boundKeys_;
  std::u16string failure_;  // why nothing is bound while kglobalaccel cannot be reached
};

}  // namespace pigmora::kde
