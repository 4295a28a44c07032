#pragma once
// The titles of the three status-menu items that carry a shortcut, with the tab that separates
// the title from the shortcut's menu form. Shared by the menu builder and the shortcut fields so
// that a retitled item keeps exactly the title it was built with.

namespace pigmora {

inline constexpr char16_t kShowPickerItemPrefix[] = u"Show the Color Picker\t";
inline constexpr char16_t kCycleForwardItemPrefix[] = u"Cycle Output Forward\t";
inline constexpr char16_t kCycleBackItemPrefix[] = u"Cycle Output Back\t";

}  // namespace pigmora
