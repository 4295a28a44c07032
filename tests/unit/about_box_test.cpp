#include "about/about_box.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/program.h"
#include "app/run_program.h"
#include "platform/fake/fake_platform.h"
#include "prefs/preferences_window.h"

namespace pigmora {
namespace {

// --- the picture ---

struct ScaleCase {
  std::optional<double> scale;
  std::optional<std::string> loaded;  // the recorded load, or nothing
};

TEST(LoadAboutIconTest, ScaleChoosesThePictureOrNone) {
  const ScaleCase cases[] = {
      {std::nullopt, "alerts.icon /res/fancy_icon.png 128"},
      {1.0, "alerts.icon /res/fancy_icon.png 128"},
      {2.0, "alerts.icon /res/fancy_iconx2.png 64"},
      {3.0, "alerts.icon /res/fancy_iconx2.png 64"},
      {1.5, std::nullopt},
      {1.9999, std::nullopt},
      {0.5, std::nullopt},
      {std::nan(""), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << (c.scale ? std::to_string(*c.scale) : "none"));
    fake::FakePlatform fake;
    fake.alerts.scale = c.scale;
    Program program(fake.platform);
    program.ResourceDir = "/res/";
    LoadAboutIcon(program);

    const auto loads = fake.CallsStartingWith("alerts.icon");
    if (c.loaded) {
      EXPECT_EQ(loads, std::vector<std::string>{*c.loaded});
      EXPECT_TRUE(program.hasAboutIcon);
    } else {
      EXPECT_TRUE(loads.empty());
      EXPECT_FALSE(program.hasAboutIcon);
    }
  }
}

TEST(LoadAboutIconTest, UnreadablePictureLeavesNoIcon) {
  fake::FakePlatform fake;
  fake.alerts.iconFileLoads = false;
  Program program(fake.platform);
  program.ResourceDir = "/res/";
  program.hasAboutIcon = true;
  LoadAboutIcon(program);
  EXPECT_EQ(fake.CallsStartingWith("alerts.icon").size(), 1u);
  EXPECT_FALSE(program.hasAboutIcon);
}

TEST(LoadAboutIconTest, StartUpLoadsFromTheResourceFolderAfterTheStatusItem) {
  fake::FakePlatform fake;
  fake.paths.resourceDir = "/opt/pigmora/share/";
  fake.alerts.scale = 2.0;
  Program program(fake.platform);
  ASSERT_TRUE(StartUp(program));
  // Only the channel for other launches opens after it, as the last step.
  EXPECT_EQ(fake.calls.end()[-2], "alerts.icon /opt/pigmora/share/fancy_iconx2.png 64");
  EXPECT_EQ(fake.calls.back(), "instance.listen");
  EXPECT_TRUE(program.hasAboutIcon);
}

// --- the alert ---

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartUp(program));
    fake.calls.clear();
  }
  std::vector<bool> EnabledStates() const {
    std::vector<bool> states;
    for (int64_t id :
         {MenuShowPicker, MenuCycleForward, MenuCycleBack, MenuPreferences, MenuAbout, MenuQuit}) {
      states.push_back(fake.statusBar.Find(id)->enabled);
    }
    return states;
  }

  fake::FakePlatform fake;
  Program program{fake.platform};
};

TEST_F(AboutBoxTest, ShowsTheTextsButtonsAndIcon) {
  ShowAboutBox(program);
  ASSERT_EQ(fake.alerts.shown.size(), 1u);
  const auto& alert = fake.alerts.shown[0];
#if defined(__x86_64__)
  EXPECT_EQ(alert.message, u"Pigmora 1.03\n(Intel)");
#elif defined(__aarch64__)
  EXPECT_EQ(alert.message, u"Pigmora 1.03\n(ARM)");
#else
  EXPECT_TRUE(alert.message.starts_with(u"Pigmora 1.03"));
#endif
  EXPECT_EQ(alert.informative,
            u"\nA simple Pigmora\nmade with great angst\n\rBy the Pigmora developers, 2026\n"
            u"Contact: hello@example.com\n");
  EXPECT_EQ(alert.buttons, (std::vector<std::u16string>{u"Ok", u"See My Other Apps"}));
  EXPECT_EQ(alert.withAboutIcon, program.hasAboutIcon);
  EXPECT_TRUE(alert.withAboutIcon);

  program.hasAboutIcon = false;
  ShowAboutBox(program);
  ASSERT_EQ(fake.alerts.shown.size(), 2u);
  EXPECT_FALSE(fake.alerts.shown[1].withAboutIcon);
}

TEST_F(AboutBoxTest, DisablesEveryItemWhileShownAndEnablesThemAfter) {
  std::vector<bool> whileShown;
  bool anyChoosable = false;
  fake.alerts.whileOpen = [&] {
    whileShown = EnabledStates();
    for (int64_t id :
         {MenuShowPicker, MenuCycleForward, MenuCycleBack, MenuPreferences, MenuAbout, MenuQuit}) {
      anyChoosable = fake.statusBar.Choose(id) || anyChoosable;
    }
  };
  ShowAboutBox(program);

  EXPECT_EQ(whileShown, std::vector<bool>(6, false));
  EXPECT_FALSE(anyChoosable);
  EXPECT_EQ(program.queue.size(), 0u);
  EXPECT_EQ(EnabledStates(), std::vector<bool>(6, true));
  const std::vector<std::string> expected = {
      "status.enable 1 0", "status.enable 2 0", "status.enable 3 0", "status.enable 5 0",
      "status.enable 4 0", "status.enable 6 0", "events.activate",   "alert Pigmora 1.03\n(Intel)",
      "status.enable 1 1", "status.enable 2 1", "status.enable 3 1", "status.enable 5 1",
      "status.enable 6 1", "status.enable 4 1",
  };
  ASSERT_EQ(fake.calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].starts_with("alert ")) {
      EXPECT_TRUE(fake.calls[i].starts_with("alert Pigmora 1.03")) << fake.calls[i];
    } else {
      EXPECT_EQ(fake.calls[i], expected[i]);
    }
  }
}

TEST_F(AboutBoxTest, PreferencesStaysDisabledWhileItsWindowIsOpen) {
  OpenPreferences(program);
  ASSERT_TRUE(PreferencesWindowOpen(program));
  fake.calls.clear();
  ASSERT_TRUE(fake.statusBar.Choose(MenuAbout));
  DispatchQueuedEvents(program);

  EXPECT_EQ(fake.alerts.shown.size(), 1u);
  EXPECT_EQ(EnabledStates(), (std::vector<bool>{true, true, true, false, true, true}));
  EXPECT_EQ(fake.calls.back(), "status.enable 4 0");
  // Closing the window brings it back.
  fake.preferences.ClickClose();
  DispatchQueuedEvents(program);
  EXPECT_EQ(EnabledStates(), std::vector<bool>(6, true));
}

// A stand-in for the desktop's opener on a PATH of its own: it writes the number of its
// arguments and the arguments to a file, so a test sees what a real started process received.
class OpenerTest : public AboutBoxTest {
 protected:
  void SetUp() override {
    AboutBoxTest::SetUp();
    std::string pattern = ::testing::TempDir() + "pigmora_opener_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    record_ = dir_ + "/record.txt";
    const std::string script = dir_ + "/pigmora-test-opener";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$*\" >> '" << record_ << "'\n";
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    if (const char* path = std::getenv("PATH")) savedPath_ = path;
    ::setenv("PATH", dir_.c_str(), 1);
    fake.paths.opener = "pigmora-test-opener";
  }
  void TearDown() override {
    if (savedPath_) {
      ::setenv("PATH", savedPath_->c_str(), 1);
    } else {
      ::unsetenv("PATH");
    }
  }
  // The recorded lines once at least `count` complete ones are there, or what is there after
  // a generous bound.
  std::vector<std::string> WaitForRecord(std::size_t count) const {
    std::vector<std::string> lines;
    for (int attempt = 0; attempt < 1000; ++attempt) {
      std::ifstream in(record_);
      std::stringstream content;
      content << in.rdbuf();
      const std::string text = content.str();
      lines.clear();
      std::size_t start = 0;
      for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
      }
      if (lines.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lines;
  }

  std::string dir_;
  std::string record_;
  std::optional<std::string> savedPath_;
};

TEST_F(OpenerTest, SecondButtonOpensTheAppsPageWithTheOpener) {
  fake.alerts.answers = {platform::kSecondButtonReturn};
  ShowAboutBox(program);

  const auto lines = WaitForRecord(1);
  EXPECT_EQ(lines, std::vector<std::string>{"1|" PIGMORA_APPS_PAGE_ADDRESS});
  EXPECT_TRUE(std::string(PIGMORA_APPS_PAGE_ADDRESS).ends_with("/apps"));
  EXPECT_EQ(EnabledStates(), std::vector<bool>(6, true));
}

TEST_F(OpenerTest, OkOpensNothing) {
  // "Ok" first, then the second button: only the second run may reach the opener. A process
  // started by the first run would have been started earlier and be recorded as well.
  fake.alerts.answers = {platform::kFirstButtonReturn, platform::kSecondButtonReturn};
  ShowAboutBox(program);
  ShowAboutBox(program);

  const auto lines = WaitForRecord(1);
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_EQ(fake.alerts.shown.size(), 2u);
}

TEST_F(OpenerTest, MissingOpenerIsSilentAndMenuComesBack) {
  fake.paths.opener = "pigmora-no-such-opener";
  fake.alerts.answers = {platform::kSecondButtonReturn};
  ShowAboutBox(program);
  EXPECT_EQ(EnabledStates(), std::vector<bool>(6, true));
  EXPECT_FALSE(program.quitRequested);
}

}  // namespace
}  // namespace pigmora
