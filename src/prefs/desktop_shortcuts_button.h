#pragma once
// The preferences window's button that puts the hot keys into the desktop's own keyboard
// settings, or takes them out again, where the desktop runs global shortcuts only from there
// (GNOME without the GlobalShortcuts portal). Nothing is put there but at the user's click.
#include <optional>
#include <string>

#include "platform/hotkey_service.h"

namespace pigmora {

struct Program;

// The button's title for the desktop's offer: "Add Keys to GNOME Shortcuts" while ours are
// not there, "Remove Keys from GNOME Shortcuts" while they are.
std::u16string DesktopShortcutsButtonTitle(const platform::DesktopShortcuts& offer);
// Adds the button to the window being built, at the given height, when the desktop makes the
// offer.
void AddDesktopShortcutsButton(Program& program, int y);
// The click: puts the hot keys in, or takes them out, and shows the outcome on the button and the
// shortcut fields.
void ToggleDesktopShortcuts(Program& program);

}  // namespace pigmora
