#include "app/run_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/program.h"
#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

AppEvent Menu(int64_t id) {
  return {.kind = MenuEvent, .objectId = id, .windowId = 0};
}

// A preferences file that exists, so start-up loads instead of initialising.
class ExistingPreferencesFile {
 public:
  ExistingPreferencesFile() {
    char pattern[] = "/tmp/pigmora-prefs-XXXXXX";
    const int fd = ::mkstemp(pattern);
    ::close(fd);
    path = pattern;
  }
  ~ExistingPreferencesFile() { std::remove(path.c_str()); }
  std::string path;
};

TEST(StartUpTest, AFailedHotKeyHandlerShowsTheFatalAlertAndTouchesNothingElse) {
  fake::FakePlatform fake;
  fake.hotkeys.installResult = -1;
  EXPECT_EQ(RunProgram(fake.platform), 0);

  EXPECT_EQ(fake.calls, (std::vector<std::string>{"hotkeys.install", "alert Fatal Error!"}));
  ASSERT_EQ(fake.alerts.shown.size(), 1u);
  EXPECT_EQ(fake.alerts.shown[0].informative, u"Failed to install event handler.");
  EXPECT_EQ(fake.alerts.shown[0].buttons.size(), 1u);
  EXPECT_FALSE(fake.statusBar.exists);
}

TEST(StartUpTest, FirstRunInitialisesSettingsThenShowsTheStatusItem) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  ASSERT_TRUE(StartUp(program));

  const auto writes = fake.CallsStartingWith("defaults.");
  ASSERT_EQ(writes.size(), 10u);
  EXPECT_EQ(writes.front(), "defaults.text Mode=RGB Hex");
  EXPECT_EQ(writes.back(), "defaults.sync");
  EXPECT_TRUE(fake.statusBar.exists);
  EXPECT_EQ(fake.statusBar.image, 4);
  EXPECT_EQ(fake.statusBar.title, u"RGB Hex");
  EXPECT_EQ(program.CurrentColor, 0);
  // The hot-key handler is installed before the settings are touched.
  EXPECT_EQ(fake.calls.front(), "hotkeys.install");
}

TEST(StartUpTest, AnExistingPreferencesFileIsLoadedWithoutWriting) {
  ExistingPreferencesFile file;
  fake::FakePlatform fake;
  fake.paths.preferencesFile = file.path;
  fake.defaults.values["OutFormat"] = int64_t{258};
  fake.defaults.values["TitleOn"] = int64_t{1};
  fake.defaults.values["MenuIcon"] = int64_t{2};
  Program program(fake.platform);
  ASSERT_TRUE(StartUp(program));

  EXPECT_TRUE(fake.CallsStartingWith("defaults.").empty());
  EXPECT_EQ(program.settings.OutFormat, 2);
  EXPECT_EQ(fake.statusBar.image, 2);
  EXPECT_EQ(fake.statusBar.title, u"RGB Hex");  // no "Mode" stored: the fallback name
}

TEST(RunProgramTest, TheStatusMenusQuitRemovesTheItemAndEndsWithStatusZero) {
  fake::FakePlatform fake;
  fake.events.script.push_back([&] { fake.statusBar.Choose(MenuQuit); });
  EXPECT_EQ(RunProgram(fake.platform), 0);
  EXPECT_EQ(fake.calls.back(), "status.remove");
  EXPECT_FALSE(fake.statusBar.exists);
  EXPECT_TRUE(fake.CallsStartingWith("events.idle").empty());
}

TEST(RunProgramTest, ATerminateRequestEndsTheProgram) {
  for (const auto request :
       {platform::TerminateRequest::MayRefuse, platform::TerminateRequest::MustEnd}) {
    fake::FakePlatform fake;
    fake.events.script.push_back([&] { fake.events.terminateHandler(request); });
    EXPECT_EQ(RunProgram(fake.platform), 0);
    EXPECT_EQ(fake.calls.back(), "status.remove");
    EXPECT_TRUE(fake.CallsStartingWith("events.idle").empty());
  }
}

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartUp(program));
    fake.calls.clear();
  }
  void Post(const AppEvent& event) { program.queue.Post(event, PostMode::Collapsible); }

  fake::FakePlatform fake;
  Program program{fake.platform};
};

TEST_F(DispatchTest, ApplicationQuitIsIgnoredWhileThePreferencesWindowIsOpen) {
  Post(Menu(MenuPreferences));
  DispatchQueuedEvents(program);
  ASSERT_TRUE(fake.preferences.open);

  Post(Menu(AppMenuQuit));
  DispatchQueuedEvents(program);
  EXPECT_FALSE(program.quitRequested);
  EXPECT_TRUE(fake.statusBar.exists);

  fake.preferences.ClickClose();
  DispatchQueuedEvents(program);
  Post(Menu(AppMenuQuit));
  DispatchQueuedEvents(program);
  EXPECT_TRUE(program.quitRequested);
}

TEST_F(DispatchTest, ATerminateSignalEndsTheProgramWithTheWindowOpenAndStoresNoShortcut) {
  Post(Menu(MenuPreferences));
  DispatchQueuedEvents(program);
  fake.preferences.SetFieldText(PickerKeyField, u"\u2318P");
  fake.calls.clear();

  fake.events.terminateHandler(platform::TerminateRequest::MustEnd);
  DispatchQueuedEvents(program);
  EXPECT_TRUE(program.quitRequested);
  EXPECT_TRUE(fake.CallsStartingWith("defaults.").empty());
  EXPECT_FALSE(fake.preferences.open);
  EXPECT_FALSE(fake.statusBar.exists);
}

TEST_F(DispatchTest, ATerminateRequestThatMayBeRefusedIsRefusedWhileTheWindowIsOpen) {
  Post(Menu(MenuPreferences));
  DispatchQueuedEvents(program);
  fake.events.terminateHandler(platform::TerminateRequest::MayRefuse);
  DispatchQueuedEvents(program);
  EXPECT_FALSE(program.quitRequested);
  EXPECT_TRUE(fake.preferences.open);

  fake.preferences.ClickClose();
  DispatchQueuedEvents(program);
  fake.events.terminateHandler(platform::TerminateRequest::MayRefuse);
  DispatchQueuedEvents(program);
  EXPECT_TRUE(program.quitRequested);
}

TEST_F(DispatchTest, StatusMenuQuitWithTheWindowOpenStoresNoShortcut) {
  Post(Menu(MenuPreferences));
  DispatchQueuedEvents(program);
  fake.preferences.SetFieldText(PickerKeyField, u"\u2318P");
  fake.calls.clear();

  Post(Menu(MenuQuit));
  DispatchQueuedEvents(program);
  EXPECT_TRUE(program.quitRequested);
  EXPECT_TRUE(fake.CallsStartingWith("defaults.").empty());
  EXPECT_EQ(std::get<std::u16string>(fake.defaults.values["ShortKey"]), u"");
  EXPECT_FALSE(fake.preferences.open);
}

TEST_F(DispatchTest, UnknownMenuIdsWindowsAndControlsAreIgnored) {
  Post(Menu(99));
  Post(Menu(0));
  Post({.kind = CloseWindowEvent, .objectId = HostWindow, .windowId = HostWindow});
  Post({.kind = CloseWindowEvent,
        .objectId = PreferencesWindowId,
        .windowId = PreferencesWindowId});  // the window is not open
  Post({.kind = ControlEvent, .objectId = 42, .windowId = 1, .changeType = ChangeType});
  Post({.kind = 77});
  DispatchQueuedEvents(program);
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_FALSE(program.quitRequested);
}

TEST_F(DispatchTest, ShortcutFieldEventsActOnlyOnChangeTypeButCheckBoxesActOnAny) {
  Post(Menu(MenuPreferences));
  DispatchQueuedEvents(program);
  fake.preferences.SetFieldText(PickerKeyField, u"\u2318P");
  fake.calls.clear();

  Post({.kind = ControlEvent, .objectId = PickerKeyField, .windowId = 1, .changeType = 0});
  DispatchQueuedEvents(program);
  EXPECT_TRUE(fake.CallsStartingWith("hotkeys.").empty());

  Post({.kind = ControlEvent, .objectId = PickerKeyField, .windowId = 1, .changeType = ChangeType});
  DispatchQueuedEvents(program);
  EXPECT_FALSE(fake.CallsStartingWith("hotkeys.register").empty());

  Post({.kind = ControlEvent, .objectId = ShowTitleCheckBox, .windowId = 1, .changeType = 5});
  DispatchQueuedEvents(program);
  EXPECT_EQ(program.settings.TitleOn, 0);
}

TEST_F(DispatchTest, HotKeysPressedWhileThePanelIsOpenAreHandledAfterwardsInOrder) {
  fake.colorPanel.whileOpen = [&] {
    for (int32_t kind : {HotkeyCycleForward, HotkeyCycleForward, HotkeyCycleBack}) {
      program.queue.Post(
          {.kind = kind, .objectId = NoTarget, .windowId = NoTarget, .changeType = NoTarget},
          PostMode::Always);
    }
    fake.colorPanel.whileOpen = nullptr;
  };
  fake.colorPanel.answers.push_back({.confirmed = true, .color = {{1.0, 128 / 255.0, 0.0}}});
  program.queue.Post({.kind = HotkeyShowPicker,
                      .objectId = NoTarget,
                      .windowId = NoTarget,
                      .changeType = NoTarget},
                     PostMode::Always);
  DispatchQueuedEvents(program);

  EXPECT_EQ(fake.CallsStartingWith("pasteboard"),
            (std::vector<std::string>{
                "pasteboard ff8000",
                "pasteboard UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)",
                "pasteboard [UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]",
                "pasteboard UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)"}));
  EXPECT_EQ(program.settings.OutFormat, 3);
}

}  // namespace
}  // namespace pigmora
