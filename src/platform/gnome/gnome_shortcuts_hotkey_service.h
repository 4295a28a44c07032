#pragma once
// Hot keys in a GNOME Wayland session. Where GNOME has the GlobalShortcuts portal (48 on) the
// portal binds them; before that, no program may bind a key, and GNOME runs global shortcuts only
// from its own keyboard settings. There the preferences window offers, and only at the user's
// click, to put the three actions into GNOME's custom shortcuts (GNOME Settings → Keyboard →
// Custom Shortcuts) with the stored keys and the command-line actions as commands; while they are
// there, a key changed in the window changes our entry, and a key GNOME itself already uses is
// marked in its field. Everything else is the portal service's, which keeps its X11 grabs.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/gnome/gnome_custom_shortcuts.h"
#include "platform/hotkey_service.h"
#include "platform/wayland/portal_hotkey_service.h"

namespace pigmora::gnome {

class GnomeShortcutsHotkeyService final : public QObject, public platform::HotkeyService {
  Q_OBJECT
 public:
  // `portal`: the portal's hot keys, which this service serves through; `settings`: GNOME's
  // custom shortcuts; `program`: the program's file, for the commands GNOME runs.
  GnomeShortcutsHotkeyService(wayland::PortalHotkeyService& portal,
                              std::unique_ptr<CustomShortcuts> settings, QString program);

  int InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed) override;
  int Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
               platform::HotkeyRef& ref) override;
  int Unregister(platform::HotkeyRef ref) override;
  void NameHotkey(platform::HotkeyRef ref, const platform::HotkeyAction& action) override;
  std::optional<std::u16string> BindingProblem(platform::HotkeyRef ref) override;
  void SetBindingsChangedHandler(std::function<void()> onChanged) override;
  std::optional<platform::DesktopShortcuts> DesktopShortcutsOffer() override;
  bool SetDesktopShortcuts(bool added) override;

 private:
  struct HotKey {
    std::string trigger;  // "CTRL+ALT+p"
    std::string action;   // "" until named
    std::string title;
  };

  void ScheduleUpdate();
  bool WriteEntries();
  bool Fail();

  wayland::PortalHotkeyService& portal_;
  std::unique_ptr<CustomShortcuts> settings_;
  QString program_;
  std::map<platform::HotkeyRef, HotKey> hotKeys_;
  bool added_ = false;
  bool updateScheduled_ = false;
};

}  // namespace pigmora::gnome
