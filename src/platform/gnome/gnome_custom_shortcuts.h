#pragma once
// GNOME's custom keyboard shortcuts, where GNOME Settings → Keyboard → Custom Shortcuts keeps
// them and GNOME runs them: the `custom-keybindings` list of
// org.gnome.settings-daemon.plugins.media-keys, each entry a relocatable
// org.gnome.settings-daemon.plugins.media-keys.custom-keybinding with a name, a command and a
// binding. Ours live under paths of their own (…/custom-keybindings/pigmora-picker/), so that
// they are found again and nothing of the user's own is ever touched. Read and written through
// GSettings, as GNOME Settings does; nothing here runs without the user's click.
#include <memory>
#include <optional>
#include <string>

namespace pigmora::gnome {

struct CustomShortcut {
  std::string action;   // "picker": names the entry's path
  std::string name;     // what GNOME Settings lists: the menu title
  std::string command;  // what GNOME runs
  std::string binding;  // GNOME's accelerator text, "<Control><Alt>p"; "" for none
};

class CustomShortcuts {
 public:
  // nullptr where GNOME's settings schemas are not installed (not a GNOME desktop).
  static std::unique_ptr<CustomShortcuts> Open();
  ~CustomShortcuts();
  CustomShortcuts(const CustomShortcuts&) = delete;
  CustomShortcuts& operator=(const CustomShortcuts&) = delete;

  // Whether any entry of ours is in GNOME's list now.
  bool HasOurs() const;
  // Writes our entry for the action and lists it; false when GNOME's settings could not be
  // written (read back after the write: a setting that did not stick counts as not written).
  bool Put(const CustomShortcut& shortcut);
  // Takes our entry for the action out of the list and resets it; false as for Put.
  bool Remove(const std::string& action);
  // The name of another GNOME shortcut (the desktop's own, or one of the user's) that runs on
  // the hot key `trigger`, in the freedesktop shortcuts form ("CTRL+ALT+p"); nullopt when none
  // does.
  std::optional<std::string> TakenBy(const std::string& trigger) const;
  // Why the last failed write failed, for the user.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Handles;
  explicit CustomShortcuts(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
  std::string lastError_;
};

// GNOME's accelerator text for a hot key in the freedesktop shortcuts form: "CTRL+ALT+p" gives
// "<Control><Alt>p", "SHIFT+LOGO+F5" gives "<Shift><Super>F5".
std::string GnomeAccelerator(const std::string& trigger);

}  // namespace pigmora::gnome
