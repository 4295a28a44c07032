#include "prefs/preferences_window.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/program.h"
#include "color/color_format.h"
#include "hotkeys/hotkey_registry.h"
#include "menubar/status_item.h"
#include "prefs/desktop_shortcuts_button.h"
#include "settings/settings.h"

namespace pigmora {

namespace {

constexpr int kContentSize = 290;
// Where the desktop offers to take the hot keys into its own settings, the window grows by a row
// for that button.
constexpr int kDesktopShortcutsRow = 36;
constexpr char16_t kShortcutPlaceholder[] = u"add shortcut";

struct ShortcutRow {
  int64_t controlId;
  const char16_t* label;
  int labelY;
  int labelWidth;
  int fieldY;
  int64_t kind;
};

// Picker, forward, back: the order of PreferencesWindow::fields and of the stored keys.
constexpr ShortcutRow kShortcutRows[] = {
    {PickerKeyField, u"Set Picker Key", 24, 280, 20, HotkeyShowPicker},
    {ForwardKeyField, u"Set Forward Cycle Key", 54, 300, 50, HotkeyCycleForward},
    {BackKeyField, u"Set Backward Cycle Key", 84, 300, 80, HotkeyCycleBack},
};

void FillCheckBox(platform::PreferencesUi& ui, int64_t id, int8_t value) {
  // Only 0 and 1 mean something; any other stored value leaves the box as it was created.
  if (value == 1) ui.SetChecked(id, true);
  if (value == 0) ui.SetChecked(id, false);
}

void FillPopUp(platform::PreferencesUi& ui, int64_t id, int8_t value, int count) {
  if (value >= 0 && value < count) ui.SelectIndex(id, value);
}

int ClampToInt(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::optional<platform::Point> WindowPlacement(const std::vector<platform::Rect>& screens,
                                               platform::Point pointer, int contentWidth,
                                               int contentHeight) {
  if (screens.empty()) return std::nullopt;
  // Later screens win where frames touch or overlap; a pointer on no screen means the main one.
  std::size_t index = 0;
  for (std::size_t i = screens.size(); i-- > 0;) {
    const platform::Rect& s = screens[i];
    const int64_t left = s.x;
    const int64_t top = s.y;
    if (left <= pointer.x && pointer.x <= left + s.width && top <= pointer.y &&
        pointer.y <= top + s.height) {
      index = i;
      break;
    }
  }
  const platform::Rect& screen = screens[index];
  // Division of signed integers truncates towards zero, also for negative sizes; the sums are
  // taken in 64 bits so that extreme frames cannot overflow.
  const int64_t x = int64_t{screen.x} + screen.width / 2 - contentWidth / 2;
  const int64_t y = int64_t{screen.y} + screen.height / 2 - contentHeight / 2;
  return platform::Point{ClampToInt(x), ClampToInt(y)};
}

bool PreferencesWindowOpen(const Program& program) {
  return program.preferencesWindow != nullptr;
}

void OpenPreferences(Program& program) {
  auto& platform = program.platform;
  auto& ui = platform.preferences;
  platform.events.ActivateApplication();
  // A second request queued behind the first finds the window already up; building another one
  // would orphan the first window's fields and their unsaved shortcuts.
  if (PreferencesWindowOpen(program)) return;

  const int contentHeight =
      kContentSize + (platform.hotkeys.DesktopShortcutsOffer() ? kDesktopShortcutsRow : 0);
  const bool created = ui.OpenWindow(
      u"Preferences", kContentSize, contentHeight,
      [&program] {
        program.queue.Post({.kind = CloseWindowEvent,
                            .objectId = PreferencesWindowId,
                            .windowId = PreferencesWindowId},
                           PostMode::Collapsible);
      },
      [&program](int64_t controlId, int64_t changeType) {
        program.queue.Post({.kind = ControlEvent,
                            .objectId = controlId,
                            .windowId = PreferencesWindowId,
                            .changeType = changeType},
                           PostMode::Collapsible);
      });

  if (created) {
    program.preferencesWindow = std::make_unique<PreferencesWindow>();
    if (auto topLeft =
            WindowPlacement(ui.Screens(), ui.PointerLocation(), kContentSize, contentHeight)) {
      ui.MoveWindowTo(*topLeft);
    }
    SetMenuItemEnabled(program, MenuPreferences, false);

    for (std::size_t i = 0; i < std::size(kShortcutRows); ++i) {
      const ShortcutRow& row = kShortcutRows[i];
      ui.AddLabel(row.label, {20, row.labelY, row.labelWidth, 25});
      ui.AddShortcutField(row.controlId, {170, row.fieldY, 100, 25}, kShortcutPlaceholder);
      program.preferencesWindow->fields[i] =
          std::make_unique<ShortcutCaptureField>(program, row.controlId);
    }

    ui.AddLabel(u"Set Output Format", {20, 124, 180, 25});
    std::vector<std::u16string> formatNames;
    for (int format = 0; format < kFormatCount; ++format) {
      formatNames.push_back(FormatName(static_cast<OutputFormat>(format)));
    }
    ui.AddPopUp(FormatCombo, {140, 120, 130, 25}, formatNames, false);

    ui.AddLabel(u"Choose App Icon", {20, 154, 180, 25});
    ui.AddPopUp(IconCombo, {140, 150, 60, 25}, {}, true);

    ui.AddCheckBox(ShowTitleCheckBox, {20, 184, 230, 25}, u"Show Output Format in Menu Bar");
    ui.AddCheckBox(StartAtLoginCheckBox, {20, 240, 150, 25}, u"Start at Login");
    if (contentHeight > kContentSize) AddDesktopShortcutsButton(program, kContentSize - 8);
  }

  // The window shows what is stored, not what this run last held in memory.
  LoadSettings(platform.defaults, program.settings);
  if (!created) return;

  const Settings& settings = program.settings;
  const std::u16string* stored[] = {&settings.ShortKey, &settings.ShortKey1, &settings.ShortKey2};
  for (std::size_t i = 0; i < std::size(kShortcutRows); ++i) {
    const ShortcutRow& row = kShortcutRows[i];
    ui.SetFieldText(row.controlId, *stored[i]);
    // A stored shortcut that another program holds, or that names no known key, is shown as not
    // working, so the user is not left guessing why it does nothing.
    ui.SetFieldProblem(row.controlId, HotkeyProblem(program, *stored[i], row.kind));
  }
  FillPopUp(ui, FormatCombo, settings.OutFormat, kFormatCount);
  FillPopUp(ui, IconCombo, settings.MenuIcon, kMenuIconCount);
  FillCheckBox(ui, ShowTitleCheckBox, settings.TitleOn);
  FillCheckBox(ui, StartAtLoginCheckBox, settings.Login);
}

void ClosePreferences(Program& program) {
  // Without a window there are no fields to read; storing their absence would wipe the shortcuts.
  if (!PreferencesWindowOpen(program)) return;
  ApplyShortcutFields(program);
  program.preferencesWindow.reset();
  program.platform.preferences.CloseWindow();
  SetMenuItemEnabled(program, MenuPreferences, true);
}

}  // namespace pigmora
