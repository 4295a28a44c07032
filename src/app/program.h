#pragma once
// The program-wide state, living for the whole run.
#include <memory>
#include <string>

#include "app/event_queue.h"
#include "color/color_format.h"
#include "hotkeys/hotkey_registry.h"
#include "hotkeys/key_code_table.h"
#include "platform/platform.h"
#include "prefs/preferences_window.h"
#include "settings/settings.h"

namespace pigmora {

struct Program {
  explicit Program(platform::Platform& p) : platform(p), queue(p.events) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  platform::Platform& platform;
  EventQueue queue;
  std::string ResourceDir;
  KeyCodeTable keyCodeTable;
  HotkeyRegistry hotkeyRegistry;
  Settings settings;  // settings.OutFormat is the current OutputFormat
  ColorValue CurrentColor = 0;
  bool statusItemExists = false;
  std::unique_ptr<PreferencesWindow> preferencesWindow;  // null while closed
  bool hasAboutIcon = false;
  bool quitRequested = false;
};

}  // namespace pigmora
