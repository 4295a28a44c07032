#include "login/toggle_start_at_login.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_event.h"
#include "app/program.h"
#include "app/run_program.h"
#include "platform/fake/fake_platform.h"
#include "prefs/preferences_window.h"
#include "settings/settings.h"

namespace pigmora {
namespace {

struct ToggleCase {
  const char* what;
  int64_t stored;  // "Login" as found in the defaults
  std::string applicationPath;
  bool installWorks;
  std::vector<std::string> calls;
  int8_t login;  // in memory afterwards
  bool checked;  // the check box afterwards
};

const ToggleCase kToggleCases[] = {
    {"off to on",
     0,
     "/usr/bin/pigmora",
     true,
     {"login.install /usr/bin/pigmora", "defaults.int Login=1", "defaults.sync"},
     1,
     true},
    {"on to off",
     1,
     "/usr/bin/pigmora",
     true,
     {"login.remove", "defaults.int Login=0", "defaults.sync"},
     0,
     false},
    // Nothing will start the program at login, so neither the box nor the setting says so.
    {"install fails",
     0,
     "/usr/bin/pigmora",
     false,
     {"login.install /usr/bin/pigmora", "defaults.int Login=0", "defaults.sync"},
     0,
     false},
    // 8-bit arithmetic: 1 - 2 is -1, stored sign-extended, and it counts as on.
    {"stored 2",
     2,
     "/opt/Pigmora Tools/pigmora",
     true,
     {"login.install /opt/Pigmora Tools/pigmora", "defaults.int Login=-1", "defaults.sync"},
     -1,
     true},
    {"stored 2, install fails",
     2,
     "/usr/bin/pigmora",
     false,
     {"login.install /usr/bin/pigmora", "defaults.int Login=0", "defaults.sync"},
     0,
     false},
    // Only the low byte is kept: 258 reads as 2. And 1 - (-128) wraps to -127.
    {"stored 258",
     258,
     "/p",
     true,
     {"login.install /p", "defaults.int Login=-1", "defaults.sync"},
     -1,
     true},
    {"stored -128",
     -128,
     "/p",
     true,
     {"login.install /p", "defaults.int Login=-127", "defaults.sync"},
     -127,
     true},
    {"stored 257 reads as 1",
     257,
     "/p",
     true,
     {"login.remove", "defaults.int Login=0", "defaults.sync"},
     0,
     false},
    {"no application path, off to on",
     0,
     "",
     true,
     {"defaults.int Login=0", "defaults.sync"},
     0,
     false},
    // Removing needs no path: an entry left behind would still start the program.
    {"no application path, on to off",
     1,
     "",
     true,
     {"login.remove", "defaults.int Login=0", "defaults.sync"},
     0,
     false},
};

TEST(ToggleStartAtLogin, InstallsOrRemovesThenStoresTheSwitch) {
  for (const ToggleCase& c : kToggleCases) {
    fake::FakePlatform fake;
    fake.defaults.values["Login"] = c.stored;
    fake.paths.applicationPath = c.applicationPath;
    fake.startAtLogin.installWorks = c.installWorks;
    fake.preferences.AddCheckBox(StartAtLoginCheckBox, {}, u"Start at Login");
    Program program(fake.platform);
    LoadSettings(fake.defaults, program.settings);
    fake.preferences.Find(StartAtLoginCheckBox)->checked = program.settings.Login != 0;

    ToggleStartAtLogin(program);

    EXPECT_EQ(fake.calls, c.calls) << c.what;
    EXPECT_EQ(program.settings.Login, c.login) << c.what;
    EXPECT_EQ(fake.preferences.Find(StartAtLoginCheckBox)->checked, c.checked) << c.what;
    EXPECT_EQ(fake.defaults.synced.at("Login"), fake::FakeDefaults::Value(int64_t{c.login}))
        << c.what;
  }
}

TEST(ToggleStartAtLogin, ClickingTwiceInstallsThenRemoves) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  ToggleStartAtLogin(program);
  EXPECT_EQ(fake.startAtLogin.installedFor, "/usr/bin/pigmora");
  ToggleStartAtLogin(program);
  EXPECT_FALSE(fake.startAtLogin.installedFor);
  EXPECT_EQ(fake.calls,
            (std::vector<std::string>{"login.install /usr/bin/pigmora", "defaults.int Login=1",
                                      "defaults.sync", "login.remove", "defaults.int Login=0",
                                      "defaults.sync"}));
}

// A failed install leaves the switch off, so the next click tries to install again instead of
// removing what was never there.
TEST(ToggleStartAtLogin, AfterAFailedInstallTheNextClickInstallsAgain) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  fake.startAtLogin.installWorks = false;
  ToggleStartAtLogin(program);
  fake.startAtLogin.installWorks = true;
  ToggleStartAtLogin(program);
  EXPECT_EQ(fake.CallsStartingWith("login."),
            (std::vector<std::string>{"login.install /usr/bin/pigmora",
                                      "login.install /usr/bin/pigmora"}));
  EXPECT_EQ(program.settings.Login, 1);
  EXPECT_EQ(fake.defaults.synced.at("Login"), fake::FakeDefaults::Value(int64_t{1}));
}

// The user's way there: the window's check box posts a control event that the loop dispatches.
TEST(ToggleStartAtLogin, TheWindowsCheckBoxReachesIt) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  OpenPreferences(program);
  ASSERT_NE(fake.preferences.Find(StartAtLoginCheckBox), nullptr);
  fake.calls.clear();
  fake.preferences.ClickCheckBox(StartAtLoginCheckBox);
  DispatchQueuedEvents(program);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"login.install /usr/bin/pigmora",
                                                  "defaults.int Login=1", "defaults.sync"}));
  EXPECT_TRUE(fake.preferences.Find(StartAtLoginCheckBox)->checked);
}

}  // namespace
}  // namespace pigmora
