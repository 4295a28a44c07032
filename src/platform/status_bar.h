#pragma once
// The status item (menu-bar or tray icon) with its title, tooltip and pop-up menu.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pigmora::platform {

// AppKit key-equivalent modifier flags used in MenuEntry::modifierMask.
inline constexpr uint32_t kMenuShiftMask = 1u << 17;
inline constexpr uint32_t kMenuControlMask = 1u << 18;
inline constexpr uint32_t kMenuOptionMask = 1u << 19;
inline constexpr uint32_t kMenuCommandMask = 1u << 20;

// A menu item's title and key equivalent. F1 to F12 arrive as U+F704 to U+F70F.
struct MenuEntry {
  std::u16string title;
  std::u16string keyEquivalent;
  uint32_t modifierMask = 0;
  bool operator==(const MenuEntry&) const = default;
};

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  // Creates the status item with an empty menu; choosing an item later calls onChoose(item id).
  virtual void CreateItem(std::function<void(int64_t itemId)> onChoose) = 0;
  // Shows symbol 0..5 of the menu-icon set as a template image, or no image for nullopt.
  virtual void SetImage(std::optional<int> symbolIndex) = 0;
  virtual void SetTitle(const std::u16string& title) = 0;
  virtual void SetToolTip(const std::u16string& toolTip) = 0;
  virtual void AddMenuItem(int64_t itemId, const MenuEntry& entry) = 0;
  virtual void AddSeparator() = 0;
  // Does nothing for an id that has no item.
  virtual void UpdateMenuItem(int64_t itemId, const MenuEntry& entry) = 0;
  virtual void SetMenuItemEnabled(int64_t itemId, bool enabled) = 0;
  // Removes the item from the status bar and destroys the menu.
  virtual void RemoveItem() = 0;
};

}  // namespace pigmora::platform
