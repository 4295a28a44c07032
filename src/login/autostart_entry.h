#pragma once
// The desktop's autostart entry that starts the program when the user logs in.
#include <optional>
#include <string>

#include "platform/start_at_login.h"

namespace pigmora {

// The Exec value that runs `executablePath` with no arguments, quoted and escaped so that the
// desktop reads back exactly that path. Nothing when the path cannot be written in an entry
// (not absolute, not UTF-8, or holding a control character other than tab and line breaks).
std::optional<std::string> DesktopEntryExec(const std::string& executablePath);

// The whole entry for the program at `executablePath`, ending in a line feed.
std::optional<std::string> AutostartEntryText(const std::string& executablePath);

class AutostartEntry : public platform::StartAtLogin {
 public:
  // `configDir` is the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config).
  AutostartEntry(std::string configDir, std::string appId);

  // <configDir>/autostart/<appId>.desktop; empty (nothing can be installed) when the folder is
  // not an absolute path.
  const std::string& EntryPath() const { return entryPath_; }

  bool Install(const std::string& applicationPath) override;
  void Remove() override;

 private:
  std::string autostartDir_;
  std::string entryPath_;
};

}  // namespace pigmora
