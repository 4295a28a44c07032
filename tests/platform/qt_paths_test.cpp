// Where the Linux backend looks for the home folder, the settings file and the pictures.
#include "platform/qt/qt_paths.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using test::ScopedEnv;

const std::string kAppId = PIGMORA_APP_IDENTIFIER;

TEST(QtPaths, HomeFolderEndsInSlash) {
  {
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(UserHomeFolder(), "/home/someone/");
  }
  {
    ScopedEnv home("HOME", "/home/other/");
    EXPECT_EQ(UserHomeFolder(), "/home/other/");
  }
}

TEST(QtPaths, HomeFolderFallsBackToThePasswordDatabase) {
  const passwd* entry = getpwuid(getuid());
  ASSERT_NE(entry, nullptr);
  std::string expected = entry->pw_dir;
  if (expected.back() != '/') expected += '/';
  {
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(UserHomeFolder(), expected);
  }
  {
    ScopedEnv home("HOME", "");
    EXPECT_EQ(UserHomeFolder(), expected);
  }
}

TEST(QtPaths, SettingsFileFollowsXdgConfigHome) {
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(ConfigFolder(), "/elsewhere/config/");
    EXPECT_EQ(SettingsFilePath(), "/elsewhere/config/" + kAppId + ".conf");
  }
  // Unset, empty or relative: the XDG default under the home folder.
  for (const char* value : {static_cast<const char*>(nullptr), "", "relative/config"}) {
    ScopedEnv config("XDG_CONFIG_HOME", value);
    EXPECT_EQ(ConfigFolder(), "/home/someone/.config/") << (value ? value : "(unset)");
    EXPECT_EQ(QtPaths().PreferencesFile(), "/home/someone/.config/" + kAppId + ".conf");
  }
}

TEST(QtPaths, ApplicationPathIsTheRunningExecutable) {
  const std::string path = QtPaths().ApplicationPath();
  EXPECT_EQ(path, std::filesystem::canonical("/proc/self/exe").string());
  EXPECT_EQ(path.front(), '/');
}

TEST(QtPaths, ResourceDirIsShareBesideTheExecutablesFolder) {
  const std::filesystem::path executable = std::filesystem::canonical("/proc/self/exe");
  const std::string expected =
      (executable.parent_path().parent_path() / "share" / "pigmora").string() + "/";
  EXPECT_EQ(QtPaths().ResourceDir(), expected);
}

TEST(QtPaths, OpenerIsXdgOpen) {
  EXPECT_EQ(QtPaths().OpenerProgram(), "xdg-open");
}

}  // namespace
}  // namespace pigmora::qt
