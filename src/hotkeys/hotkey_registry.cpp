#include "hotkeys/hotkey_registry.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "app/program.h"
#include "hotkeys/menu_item_prefixes.h"
#include "hotkeys/shortcut_text.h"
#include "menubar/status_item.h"
#include "settings/settings.h"

namespace pigmora {

namespace {

// What every hot-key event carries besides its kind: it comes from no window and no control.
constexpr int64_t kNoData = 0;

// The three actions that have a hot key, in the order they are stored and registered.
struct ShortcutAction {
  std::string_view name;  // stable: desktops that bind per action keep the user's choice under it
  int64_t fieldId;
  std::string_view settingsKey;
  std::u16string Settings::*setting;
  int64_t kind;
  int64_t menuItem;
  std::u16string_view itemPrefix;
};

constexpr ShortcutAction kShortcutActions[] = {
    {"picker", PickerKeyField, kShortKeyKey, &Settings::ShortKey, HotkeyShowPicker, MenuShowPicker,
     kShowPickerItemPrefix},
    {"forward", ForwardKeyField, kShortKey1Key, &Settings::ShortKey1, HotkeyCycleForward,
     MenuCycleForward, kCycleForwardItemPrefix},
    {"back", BackKeyField, kShortKey2Key, &Settings::ShortKey2, HotkeyCycleBack, MenuCycleBack,
     kCycleBackItemPrefix},
};

const ShortcutAction* ActionOfField(int64_t fieldId) {
  for (const auto& action : kShortcutActions) {
    if (action.fieldId == fieldId) return &action;
  }
  return nullptr;
}

const ShortcutAction* ActionOfKind(int64_t kind) {
  for (const auto& action : kShortcutActions) {
    if (action.kind == kind) return &action;
  }
  return nullptr;
}

// The action as the desktop is told about it: its menu item's title, without the tab that
// separates the shortcut.
platform::HotkeyAction DescribeAction(const ShortcutAction& action) {
  std::u16string_view title = action.itemPrefix;
  if (!title.empty() && title.back() == u'\t') title.remove_suffix(1);
  return {action.name, title};
}

}  // namespace

void ShowHotkeyProblems(Program& program) {
  auto& preferences = program.platform.preferences;
  for (const auto& action : kShortcutActions) {
    const std::u16string shown = preferences.FieldText(action.fieldId);
    preferences.SetFieldProblem(action.fieldId, HotkeyProblem(program, shown, action.kind));
  }
}

namespace {

// The key code and modifiers a text stands for; nothing when it cannot be a hot key at all.
struct Combination {
  uint32_t keyCode;
  uint32_t modifiers;
};

enum class Unusable { None, NoKey, SingleKey, UnknownKey };

Unusable WhyUnusable(const KeyCodeTable& table, const std::u16string& shortcut,
                     Combination* combination) {
  const ParsedShortcut parsed = ParseShortcut(shortcut);
  if (parsed.keyName.empty()) return Unusable::NoKey;
  // A lone character ("A", "⎋") would take that key away from every other program.
  if (shortcut.size() < 2) return Unusable::SingleKey;
  const auto code = table.LookupKeyCode(parsed.keyName);
  if (!code) return Unusable::UnknownKey;
  if (combination) *combination = {*code, parsed.modifiers};
  return Unusable::None;
}

bool HeldByRecord(const HotkeyRegistry& registry, Combination combination) {
  return std::any_of(
      registry.records.begin(), registry.records.end(), [&](const HotkeyRecord& record) {
        return record.keyCode == combination.keyCode && record.modifiers == combination.modifiers;
      });
}

}  // namespace

bool InstallHotkeyHandler(Program& program) {
  auto& registry = program.hotkeyRegistry;
  registry.hotkeyHandlerInstalled = false;
  registry.nextHotkeyId = 1;
  const int result = program.platform.hotkeys.InstallHandler(
      [&program](std::optional<platform::HotkeyId> pressed) {
        return OnHotkeyPressed(program, pressed);
      });
  if (result != 0) return false;
  // The desktop may bind another trigger than the one asked for, or none, long after the
  // registration: the open capture fields then show it.
  program.platform.hotkeys.SetBindingsChangedHandler([&program] {
    if (program.preferencesWindow) ShowHotkeyProblems(program);
  });
  registry.hotkeyHandlerInstalled = true;
  return true;
}

bool RegisterHotkey(Program& program, const std::u16string& shortcut, int64_t kind) {
  auto& registry = program.hotkeyRegistry;
  if (!registry.hotkeyHandlerInstalled) return false;
  Combination combination{};
  if (WhyUnusable(program.keyCodeTable, shortcut, &combination) != Unusable::None) return false;

  HotkeyRecord record;
  record.shortcut = shortcut;
  record.kind = kind;
  record.windowId = NoTarget;
  record.objectId = NoTarget;
  record.changeType = NoTarget;
  record.data = kNoData;
  record.id = registry.nextHotkeyId++;
  record.signature = HotkeySignatureBase + record.id;
  record.keyCode = combination.keyCode;
  record.modifiers = combination.modifiers;

  // Two records on one combination would both be unregistered by the text of either; not every
  // desktop refuses the second grab, so the registry refuses it itself.
  if (HeldByRecord(registry, combination)) return false;
  const platform::HotkeyId id{record.signature, record.id};
  if (program.platform.hotkeys.Register(combination.keyCode, combination.modifiers, id,
                                        record.ref) != 0) {
    return false;
  }
  if (const ShortcutAction* action = ActionOfKind(kind)) {
    program.platform.hotkeys.NameHotkey(record.ref, DescribeAction(*action));
  }
  registry.records.push_back(std::move(record));
  return true;
}

void UnregisterHotkeys(Program& program, const std::u16string& shortcut, int64_t kind) {
  auto& registry = program.hotkeyRegistry;
  if (!registry.hotkeyHandlerInstalled) return;
  auto& records = registry.records;
  for (auto it = records.begin(); it != records.end();) {
    if (it->shortcut != shortcut && it->kind != kind) {
      ++it;
      continue;
    }
    // A hot key the system will not release stays on record, and so do the ones after it, so
    // that the registry never forgets a key that is still grabbed.
    if (program.platform.hotkeys.Unregister(it->ref) != 0) return;
    it = records.erase(it);
  }
}

int OnHotkeyPressed(Program& program, std::optional<platform::HotkeyId> pressed) {
  if (!pressed) return 0;
  const auto& records = program.hotkeyRegistry.records;
  const auto match = std::find_if(records.begin(), records.end(), [&](const HotkeyRecord& record) {
    return record.id == pressed->id && record.signature == pressed->signature;
  });
  if (match == records.end()) return 0;
  // Every press counts, even one equal to an event still waiting: two presses cycle twice.
  program.queue.Post({.kind = static_cast<int32_t>(match->kind),
                      .objectId = match->objectId,
                      .windowId = match->windowId,
                      .changeType = match->changeType,
                      .data = match->data},
                     PostMode::Always);
  return 0;
}

void RegisterStoredHotkeys(Program& program) {
  for (const auto& action : kShortcutActions) {
    const std::u16string& stored = program.settings.*action.setting;
    if (!stored.empty()) RegisterHotkey(program, stored, action.kind);
  }
}

void SwapHotkey(Program& program, int64_t controlId) {
  const ShortcutAction* action = ActionOfField(controlId);
  if (action == nullptr) return;
  const std::u16string text = program.platform.preferences.FieldText(controlId);
  UnregisterHotkeys(program, text, action->kind);
  if (!RegisterHotkey(program, text, action->kind)) {
    UnregisterHotkeys(program, text, action->kind);
  }
  // The swap can take the combination from another action, so every field's state is shown
  // afresh, not only this one's.
  ShowHotkeyProblems(program);
}

std::optional<std::u16string> HotkeyProblem(const Program& program, const std::u16string& shortcut,
                                            int64_t kind) {
  if (shortcut.empty()) return std::nullopt;
  const auto& records = program.hotkeyRegistry.records;
  const auto held = std::find_if(records.begin(), records.end(), [&](const HotkeyRecord& record) {
    return record.shortcut == shortcut && record.kind == kind;
  });
  if (held != records.end()) return program.platform.hotkeys.BindingProblem(held->ref);
  switch (WhyUnusable(program.keyCodeTable, shortcut, nullptr)) {
    case Unusable::NoKey:
      return u"Not available as a global hot key: it has no key.";
    case Unusable::SingleKey:
      return u"Not available as a global hot key: a single key needs a modifier such as \u2318.";
    case Unusable::UnknownKey:
      return u"Not available as a global hot key: this key is not supported.";
    case Unusable::None:
      break;
  }
  return u"Not active: another program or another Pigmora hot key already uses this combination.";
}

void ApplyShortcutFields(Program& program) {
  auto& defaults = program.platform.defaults;
  for (const auto& action : kShortcutActions) {
    const std::u16string text = program.platform.preferences.FieldText(action.fieldId);
    if (text.empty()) UnregisterHotkeys(program, text, action.kind);
    WriteTextSetting(defaults, action.settingsKey, text);
    SyncSettings(defaults);
    std::u16string& current = program.settings.*action.setting;
    current = text;
    RegisterHotkey(program, current, action.kind);
    std::u16string itemText(action.itemPrefix);
    itemText += MenuShortcutText(current);
    RetitleMenuItem(program, action.menuItem, itemText);
  }
}

}  // namespace pigmora
