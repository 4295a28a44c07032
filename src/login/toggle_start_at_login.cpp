#include "login/toggle_start_at_login.h"

#include <cstdint>
#include <string>

#include "app/app_event.h"
#include "app/program.h"
#include "settings/settings.h"

namespace pigmora {

void ToggleStartAtLogin(Program& program) {
  platform::Platform& platform = program.platform;
  Settings& settings = program.settings;
  // 8-bit arithmetic: a stored 2 becomes -1, which counts as on.
  settings.Login = static_cast<int8_t>(1 - settings.Login);
  platform.preferences.SetChecked(StartAtLoginCheckBox, settings.Login != 0);

  const std::string applicationPath = platform.paths.ApplicationPath();
  if (settings.Login != 0) {
    // The switch stays off when nothing will start the program at login, so that neither the
    // window nor the stored setting claims otherwise.
    if (applicationPath.empty() || !platform.startAtLogin.Install(applicationPath)) {
      settings.Login = 0;
      platform.preferences.SetChecked(StartAtLoginCheckBox, false);
    }
  } else {
    // Removing needs no application path: an entry left behind would still start the program.
    platform.startAtLogin.Remove();
  }

  WriteIntegerSetting(platform.defaults, kLoginKey, settings.Login);
  SyncSettings(platform.defaults);
}

}  // namespace pigmora
