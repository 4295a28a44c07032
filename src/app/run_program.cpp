#include "app/run_program.h"

#include "about/about_box.h"
#include "app/instance_requests.h"
#include "app/program.h"
#include "color/format_selection.h"
#include "color/pick_session.h"
#include "hotkeys/hotkey_registry.h"
#include "login/toggle_start_at_login.h"
#include "menubar/status_item.h"
#include "prefs/desktop_shortcuts_button.h"
#include "prefs/preferences_window.h"

namespace pigmora {

namespace {

void ShowFatalAlert(Program& program) {
  program.platform.alerts.RunAlert({.message = u"Fatal Error!",
                                    .informative = u"Failed to install event handler.",
                                    .withAboutIcon = false,
                                    .buttons = {u"OK"}});
}

void DispatchMenuEvent(Program& program, int64_t itemId) {
  switch (itemId) {
    case MenuShowPicker:
      PickSession(program);
      break;
    case MenuCycleForward:
      CycleFormatForward(program);
      break;
    case MenuCycleBack:
      CycleFormatBack(program);
      break;
    case MenuPreferences:
      OpenPreferences(program);
      break;
    case MenuAbout:
      ShowAboutBox(program);
      break;
    case MenuQuit:
      QuitProgram(program);
      break;
    case AppMenuQuit:
      // The application menu and a terminate request the program may refuse never end the
      // program while the preferences window is open: its shortcuts are stored only by its
      // closing steps.
      if (!PreferencesWindowOpen(program)) QuitProgram(program);
      break;
    default:
      break;
  }
}

void DispatchControlEvent(Program& program, const AppEvent& event) {
  switch (event.objectId) {
    case PickerKeyField:
    case ForwardKeyField:
    case BackKeyField:
      if (event.changeType == ChangeType) SwapHotkey(program, event.objectId);
      break;
    case FormatCombo:
      ApplyFormatCombo(program, event.changeType);
      break;
    case IconCombo:
      ApplyIconCombo(program, event.changeType);
      break;
    case ShowTitleCheckBox:
      ToggleShowTitle(program);
      break;
    case StartAtLoginCheckBox:
      ToggleStartAtLogin(program);
      break;
    case DesktopShortcutsButton:
      ToggleDesktopShortcuts(program);
      break;
    default:
      break;
  }
}

}  // namespace

bool StartUp(Program& program) {
  auto& platform = program.platform;
  platform.events.SetTerminateHandler([&program](platform::TerminateRequest request) {
    // A request the program may refuse is the application menu's Quit, which the open
    // preferences window refuses. One it may not refuse ends the program as the status menu's
    // Quit does, even with the window open; its unstored shortcuts stay unstored.
    const int64_t item = request == platform::TerminateRequest::MayRefuse ? AppMenuQuit : MenuQuit;
    program.queue.Post({.kind = MenuEvent, .objectId = item, .windowId = 0}, PostMode::Collapsible);
  });
  program.ResourceDir = platform.paths.ResourceDir();
  program.keyCodeTable = BuildKeyCodeTable();
  program.hotkeyRegistry = HotkeyRegistry{};
  if (!InstallHotkeyHandler(program)) {
    ShowFatalAlert(program);
    return false;
  }
  if (IsFirstRun(platform.paths.PreferencesFile())) {
    InitFirstRun(platform.defaults, program.settings);
  } else {
    LoadSettings(platform.defaults, program.settings);
  }
  BuildStatusItem(program);
  LoadAboutIcon(program);
  // Only now: a request that other launches send is a hot key or a menu item used early, and
  // the channel opening tells them the program is ready for it.
  platform.instance.Listen([&program](platform::InstanceRequest request) {
    PostInstanceRequest(program.queue, request);
  });
  return true;
}

void DispatchAppEvent(Program& program, const AppEvent& event) {
  switch (event.kind) {
    case HotkeyShowPicker:
      PickSession(program);
      break;
    case HotkeyCycleForward:
      CycleFormatForward(program);
      break;
    case HotkeyCycleBack:
      CycleFormatBack(program);
      break;
    case MenuEvent:
      DispatchMenuEvent(program, event.objectId);
      break;
    case CloseWindowEvent:
      if (event.objectId == PreferencesWindowId && PreferencesWindowOpen(program)) {
        ClosePreferences(program);
      }
      break;
    case ControlEvent:
      DispatchControlEvent(program, event);
      break;
    default:
      break;
  }
}

void DispatchQueuedEvents(Program& program) {
  while (!program.quitRequested) {
    auto event = program.queue.TakeNext();
    if (!event) return;
    DispatchAppEvent(program, *event);
  }
}

void QuitProgram(Program& program) {
  if (program.statusItemExists) RemoveStatusItem(program);
  // An open preferences window goes without its closing steps: its shortcuts are not stored.
  if (PreferencesWindowOpen(program)) {
    program.preferencesWindow.reset();
    program.platform.preferences.CloseWindow();
  }
  program.quitRequested = true;
}

int RunProgram(platform::Platform& platform) {
  Program program(platform);
  if (!StartUp(program)) return 0;
  while (!program.quitRequested) DispatchAppEvent(program, program.queue.Wait());
  return 0;
}

}  // namespace pigmora
