#include "color/format_selection.h"

#include "app/app_event.h"
#include "app/program.h"
#include "color/color_format.h"
#include "color/pick_session.h"
#include "prefs/preferences_window.h"
#include "settings/settings.h"

namespace pigmora {

namespace {

constexpr OutputFormat kFirstFormat = 0;
constexpr OutputFormat kLastFormat = kFormatCount - 1;

// Format index and TitleOn are 8-bit values and their arithmetic wraps in 8 bits; the clamps only
// ever pull an index back towards the named formats, so one spoiled by an edited settings file
// moves as it always did.
int8_t Wrap8(int value) {
  return static_cast<int8_t>(static_cast<uint8_t>(value & 0xFF));
}

// Everything a cycle does once the new index is known. It runs in full even when the index did not
// move, so the sound and the fresh copy confirm every key press.
void ApplyCycledFormat(Program& program, OutputFormat format) {
  program.settings.OutFormat = format;
  program.platform.sound.PlayCycleSound();
  const std::u16string name = FormatName(format);
  if (PreferencesWindowOpen(program)) program.platform.preferences.SelectTitle(FormatCombo, name);
  CopyCurrentColor(program);
  auto& defaults = program.platform.defaults;
  WriteIntegerSetting(defaults, kOutFormatKey, format);
  WriteTextSetting(defaults, kModeKey, name);
  SyncSettings(defaults);
  ShowFormatInMenuBar(program, name);
}

}  // namespace

void CycleFormatForward(Program& program) {
  OutputFormat format = Wrap8(program.settings.OutFormat + 1);
  if (format >= kLastFormat) format = kLastFormat;
  ApplyCycledFormat(program, format);
}

void CycleFormatBack(Program& program) {
  OutputFormat format = Wrap8(program.settings.OutFormat - 1);
  if (format <= kFirstFormat) format = kFirstFormat;
  ApplyCycledFormat(program, format);
}

void ApplyFormatCombo(Program& program, int64_t changeType) {
  // The pop-up is read for the index and name to store; with the window gone there is nothing to
  // read, and storing "no selection" would throw away the user's format.
  if (!PreferencesWindowOpen(program)) return;
  auto& ui = program.platform.preferences;
  if (changeType == ChangeType) {
    const int selected = ui.SelectedIndex(FormatCombo);
    if (selected >= kFirstFormat && selected <= kLastFormat) {
      program.settings.OutFormat = static_cast<OutputFormat>(selected);
      ui.SelectIndex(FormatCombo, selected);
    }
  }
  CopyCurrentColor(program);
  ShowFormatInMenuBar(program, ui.SelectedTitle(FormatCombo));
  auto& defaults = program.platform.defaults;
  WriteIntegerSetting(defaults, kOutFormatKey, ui.SelectedIndex(FormatCombo));
  WriteTextSetting(defaults, kModeKey, ui.SelectedTitle(FormatCombo));
  SyncSettings(defaults);
}

void ToggleShowTitle(Program& program) {
  // The check box and the pop-up it reads the name from live only while the window is open.
  if (!PreferencesWindowOpen(program)) return;
  auto& ui = program.platform.preferences;
  program.settings.TitleOn = Wrap8(1 - program.settings.TitleOn);
  ui.SetChecked(ShowTitleCheckBox, program.settings.TitleOn != 0);
  ShowFormatInMenuBar(program, ui.SelectedTitle(FormatCombo));
  auto& defaults = program.platform.defaults;
  WriteIntegerSetting(defaults, kTitleOnKey, program.settings.TitleOn);
  SyncSettings(defaults);
}

void ShowFormatInMenuBar(Program& program, const std::u16string& name) {
  auto& statusBar = program.platform.statusBar;
  switch (program.settings.TitleOn) {
    case 1:
      statusBar.SetTitle(name);
      statusBar.SetToolTip(std::u16string());
      break;
    case 0:
      statusBar.SetToolTip(kToolTipPrefix + name);
      statusBar.SetTitle(std::u16string());
      break;
    default:
      // Any other stored value leaves the menu bar as it is.
      break;
  }
}

}  // namespace pigmora
