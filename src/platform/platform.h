#pragma once
// Every platform service the program uses, handed to the core in one piece.
#include "platform/alerts.h"
#include "platform/color_panel.h"
#include "platform/defaults_store.h"
#include "platform/hotkey_service.h"
#include "platform/instance_channel.h"
#include "platform/pasteboard.h"
#include "platform/paths.h"
#include "platform/preferences_ui.h"
#include "platform/sound.h"
#include "platform/start_at_login.h"
#include "platform/status_bar.h"
#include "platform/system_events.h"

namespace pigmora::platform {

struct Platform {
  SystemEvents& events;
  DefaultsStore& defaults;
  Pasteboard& pasteboard;
  ColorPanel& colorPanel;
  Sound& sound;
  StatusBar& statusBar;
  HotkeyService& hotkeys;
  Alerts& alerts;
  Paths& paths;
  PreferencesUi& preferences;
  StartAtLogin& startAtLogin;
  InstanceChannel& instance;
};

}  // namespace pigmora::platform
