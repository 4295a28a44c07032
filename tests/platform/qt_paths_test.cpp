// Where the Linux backend looks for the home folder, the settings file and the pictures.
#include "platform/qt/qt_paths.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace pigmora::qt {
namespace {

// Sets or unsets an environment variable for one test and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

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
