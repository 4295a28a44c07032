#include "menubar/status_item.h"

#include <optional>

#include "app/program.h"
#include "color/format_selection.h"
#include "hotkeys/hotkey_registry.h"
#include "hotkeys/menu_item_prefixes.h"
#include "hotkeys/menu_item_text.h"
#include "hotkeys/shortcut_text.h"
#include "prefs/preferences_window.h"
#include "settings/settings.h"

namespace pigmora {

namespace {

bool IsMenuIcon(int value) {
  return value >= 0 && value < kMenuIconCount;
}

std::optional<int> MenuIconImage(int value) {
  if (IsMenuIcon(value)) return value;
  return std::nullopt;
}

std::u16string WithShortcut(std::u16string_view prefix, std::u16string_view shortcut) {
  return std::u16string(prefix) + MenuShortcutText(shortcut);
}

}  // namespace

void BuildStatusItem(Program& program) {
  auto& platform = program.platform;
  auto& statusBar = platform.statusBar;
  const Settings& settings = program.settings;

  // A tray icon owns its menu by itself; no hidden host window is needed to anchor it.
  RegisterStoredHotkeys(program);

  // Building again replaces the item instead of leaving a second one in the tray.
  if (program.statusItemExists) RemoveStatusItem(program);
  statusBar.CreateItem([&program](int64_t itemId) {
    program.queue.Post({.kind = MenuEvent, .objectId = itemId, .windowId = 0},
                       PostMode::Collapsible);
  });
  program.statusItemExists = true;

  statusBar.SetImage(MenuIconImage(settings.MenuIcon));

  statusBar.AddMenuItem(MenuShowPicker,
                        ReadMenuItemText(WithShortcut(kShowPickerItemPrefix, settings.ShortKey)));
  statusBar.AddSeparator();
  statusBar.AddMenuItem(MenuCycleForward, ReadMenuItemText(WithShortcut(kCycleForwardItemPrefix,
                                                                        settings.ShortKey1)));
  statusBar.AddMenuItem(MenuCycleBack,
                        ReadMenuItemText(WithShortcut(kCycleBackItemPrefix, settings.ShortKey2)));
  statusBar.AddSeparator();
  statusBar.AddMenuItem(MenuPreferences,
                        ReadMenuItemText(WithShortcut(u"Preferences...\t", u"\u2318,")));
  statusBar.AddSeparator();
  statusBar.AddMenuItem(MenuAbout, ReadMenuItemText(u"About"));
  statusBar.AddSeparator();
  statusBar.AddMenuItem(MenuQuit, ReadMenuItemText(WithShortcut(u"Quit\t", u"\u2318Q")));

  // "Mode" is read only here: it names the format shown until the first change. A first start
  // that stored no name still shows the first-run format rather than an empty title.
  std::u16string name = ReadTextSetting(platform.defaults, kModeKey);
  if (settings.TitleOn == 1 && name.empty()) name = u"RGB Hex";
  ShowFormatInMenuBar(program, name);
}

void SetMenuItemEnabled(Program& program, int64_t itemId, bool enabled) {
  if (!program.statusItemExists) return;
  program.platform.statusBar.SetMenuItemEnabled(itemId, enabled);
}

void RetitleMenuItem(Program& program, int64_t itemId, const std::u16string& text) {
  if (!program.statusItemExists) return;
  program.platform.statusBar.UpdateMenuItem(itemId, ReadMenuItemText(text));
}

void ApplyIconCombo(Program& program, int64_t changeType) {
  // The combo exists only while the window is open. An event that outlives the window (queued
  // behind its close request) has no selection to read and must not overwrite "MenuIcon".
  if (!PreferencesWindowOpen(program)) return;
  auto& platform = program.platform;
  auto& ui = platform.preferences;
  Settings& settings = program.settings;

  if (changeType == ChangeType) {
    const int selected = ui.SelectedIndex(IconCombo);
    if (IsMenuIcon(selected)) {
      settings.MenuIcon = static_cast<int8_t>(selected);
      ui.SelectIndex(IconCombo, selected);
    }
  }
  if (IsMenuIcon(settings.MenuIcon)) platform.statusBar.SetImage(settings.MenuIcon);

  WriteIntegerSetting(platform.defaults, kMenuIconKey, ui.SelectedIndex(IconCombo));
  SyncSettings(platform.defaults);
}

void RemoveStatusItem(Program& program) {
  program.platform.statusBar.RemoveItem();
  program.statusItemExists = false;
}

}  // namespace pigmora
