#pragma once
// The preferences window: built at each opening, destroyed at each closing.
#include <array>
#include <memory>
#include <vector>

#include "hotkeys/capture_field.h"
#include "platform/preferences_ui.h"

namespace pigmora {

struct Program;

// What lives while the window is open.
struct PreferencesWindow {
  std::array<std::unique_ptr<ShortcutCaptureField>, 3> fields;  // picker, forward, back
};

void OpenPreferences(Program& program);
// The closing steps: store and re-register the shortcuts, close, enable "Preferences..." again.
void ClosePreferences(Program& program);
bool PreferencesWindowOpen(const Program& program);

// Top-left corner for a window of the given content size on the screen under the pointer;
// nothing when there are no screens.
std::optional<platform::Point> WindowPlacement(const std::vector<platform::Rect>& screens,
                                               platform::Point pointer, int contentWidth,
                                               int contentHeight);

}  // namespace pigmora
