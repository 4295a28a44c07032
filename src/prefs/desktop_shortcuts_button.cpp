#include "prefs/desktop_shortcuts_button.h"

#include "app/app_event.h"
#include "app/program.h"
#include "hotkeys/hotkey_registry.h"

namespace pigmora {

std::u16string DesktopShortcutsButtonTitle(const platform::DesktopShortcuts& offer) {
  return offer.added ? u"Remove Keys from " + offer.desktop + u" Shortcuts"
                     : u"Add Keys to " + offer.desktop + u" Shortcuts";
}

void AddDesktopShortcutsButton(Program& program, int y) {
  const auto offer = program.platform.hotkeys.DesktopShortcutsOffer();
  if (!offer) return;
  program.platform.preferences.AddButton(DesktopShortcutsButton, {20, y, 250, 28},
                                         DesktopShortcutsButtonTitle(*offer));
}

void ToggleDesktopShortcuts(Program& program) {
  auto& hotkeys = program.platform.hotkeys;
  const auto offer = hotkeys.DesktopShortcutsOffer();
  if (!offer) return;
  // A failed write leaves the desktop's settings as they were; the button then shows them so.
  hotkeys.SetDesktopShortcuts(!offer->added);
  if (!program.preferencesWindow) return;
  if (const auto now = hotkeys.DesktopShortcutsOffer()) {
    program.platform.preferences.SetButtonTitle(DesktopShortcutsButton,
                                                DesktopShortcutsButtonTitle(*now));
  }
  ShowHotkeyProblems(program);
}

}  // namespace pigmora
