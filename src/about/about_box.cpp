#include "about/about_box.h"

#include <optional>
#include <string>

#include "app/program.h"
#include "app/unicode_text.h"
#include "login/start_process.h"
#include "menubar/status_item.h"
#include "prefs/preferences_window.h"

namespace pigmora {

namespace {

// The processor family the program was built for, as the About box names it; empty for a
// family it has no word for.
constexpr std::u16string_view BuildArchitecture() {
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
  return u"Intel";
#elif defined(__aarch64__) || defined(_M_ARM64) || defined(__arm__) || defined(_M_ARM)
  return u"ARM";
#else
  return u"";
#endif
}

std::u16string AboutMessage() {
  std::u16string message = u"Pigmora " + FromUtf8(PIGMORA_VERSION);
  constexpr std::u16string_view architecture = BuildArchitecture();
  if (!architecture.empty()) {
    message += u"\n(";
    message += architecture;
    message += u")";
  }
  return message;
}

constexpr char16_t kCreditLine[] = u"By the Pigmora developers, 2026";
constexpr char16_t kContactLine[] = u"Contact: hello@example.com";

std::u16string AboutInformative() {
  return std::u16string(u"\nA simple Pigmora\nmade with great angst\n\r") + kCreditLine + u"\n" +
         kContactLine + u"\n";
}

constexpr int64_t kItemsInDisableOrder[] = {MenuShowPicker, MenuCycleForward, MenuCycleBack,
                                            MenuAbout,      MenuPreferences,  MenuQuit};
constexpr int64_t kItemsReenabledFirst[] = {MenuShowPicker, MenuCycleForward, MenuCycleBack,
                                            MenuAbout, MenuQuit};

}  // namespace

void LoadAboutIcon(Program& program) {
  auto& alerts = program.platform.alerts;
  const double scale = alerts.MainScreenScale().value_or(1.0);
  bool loaded = false;
  // Only the two pictures that exist are used: a fractional or unknown scale gets the alert's
  // default icon rather than a blurred picture. NaN fails both tests.
  if (scale == 1.0) {
    loaded = alerts.LoadAboutIcon(program.ResourceDir + "fancy_icon.png", 128);
  } else if (scale >= 2.0) {
    loaded = alerts.LoadAboutIcon(program.ResourceDir + "fancy_iconx2.png", 64);
  }
  program.hasAboutIcon = loaded;
}

void ShowAboutBox(Program& program) {
  auto& platform = program.platform;
  // The alert is modal: no other status-menu command may start until it is dismissed.
  for (int64_t item : kItemsInDisableOrder) SetMenuItemEnabled(program, item, false);
  platform.events.ActivateApplication();

  const int choice = platform.alerts.RunAlert({.message = AboutMessage(),
                                               .informative = AboutInformative(),
                                               .withAboutIcon = program.hasAboutIcon,
                                               .buttons = {u"Ok", u"See My Other Apps"}});
  if (choice == platform::kSecondButtonReturn) {
    // A missing opener is not reported: the user simply sees no browser.
    StartProcess(platform.paths.OpenerProgram(), PIGMORA_APPS_PAGE_ADDRESS, "");
  }

  for (int64_t item : kItemsReenabledFirst) SetMenuItemEnabled(program, item, true);
  // "Preferences..." stays off while its window is open, as it was before the alert.
  SetMenuItemEnabled(program, MenuPreferences, !PreferencesWindowOpen(program));
}

}  // namespace pigmora
