#pragma once
// A hot key in the freedesktop shortcuts text form (CTRL+ALT+p), which the GlobalShortcuts
// portal takes as a shortcut's preferred trigger, and the comparison of what a desktop says it
// bound with what was asked for. Plain text work, checked without a desktop.
#include <cstdint>
#include <string>
#include <string_view>

namespace pigmora::wayland {

// Modifiers CTRL, ALT, SHIFT, LOGO in this order, then the XKB keysym name of the key's unshifted
// symbol, joined by "+": Control-Option-P gives "CTRL+ALT+p", Shift-Command-[ gives
// "SHIFT+LOGO+bracketleft". Empty for a key code that has no key.
std::string PortalTrigger(uint32_t macKeyCode, uint32_t carbonModifiers);

// Whether a desktop's readable trigger ("Ctrl+Alt+P", "Meta+F5", "<Control><Alt>p") names the
// same modifiers and key as `trigger`. Desktops word it as they like; an empty one binds nothing.
bool DescribesTrigger(std::string_view trigger, std::string_view description);

}  // namespace pigmora::wayland
