#pragma once
// Where Pigmora's files are on a Linux desktop: the home folder, the XDG configuration folder
// that holds the settings file, the running executable and the pictures installed beside it.
#include <string>

#include "platform/paths.h"

namespace pigmora::qt {

// $HOME, else the password database's home directory, ending in "/"; empty when neither exists.
std::string UserHomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, else the home folder + ".config"; ends in "/".
// Relative to the current directory (".config/") when no home folder can be found.
std::string ConfigFolder();
// The settings file: ConfigFolder() + the application identifier + ".conf".
std::string SettingsFilePath();
// The running executable's absolute path; empty when the system does not tell.
std::string ExecutablePath();

class QtPaths final : public platform::Paths {
 public:
  std::string HomeFolder() override { return UserHomeFolder(); }
  std::string PreferencesFile() override { return SettingsFilePath(); }
  std::string ApplicationPath() override { return ExecutablePath(); }
  // <folder of the executable>/../share/pigmora/, which is the build tree's resource folder
  // (the program is built into <build>/bin) and <prefix>/share/pigmora/ once installed.
  std::string ResourceDir() override;
  std::string OpenerProgram() override { return "xdg-open"; }
};

}  // namespace pigmora::qt
