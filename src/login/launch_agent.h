#pragma once
// The per-user launch agent that has the launch service open the program at login, loaded and
// unloaded with launchctl.
#include <optional>
#include <string>
#include <string_view>

#include "platform/start_at_login.h"

namespace pigmora {

// The agent with "{appid}" and "{apppath}" to fill in: 18 lines joined by line feeds, tab
// indentation, no line feed after the last line.
extern const std::string_view kLoginAgentTemplate;

// The agent file for `appId` and the bundle at `appPath`, both escaped as XML text. Nothing when
// either cannot stand in an XML document (not UTF-8, or a control character).
std::optional<std::string> LoginAgentText(const std::string& appId, const std::string& appPath);

class LaunchAgent : public platform::StartAtLogin {
 public:
  // `homeFolder` is the user's home; "/" is added when it does not end in one.
  LaunchAgent(std::string homeFolder, std::string appId);

  // <home>/Library/LaunchAgents/<appId>.plist; empty (nothing can be installed) when the home
  // folder is not an absolute path.
  const std::string& AgentPath() const { return agentPath_; }

  bool Install(const std::string& applicationPath) override;
  void Remove() override;

 private:
  std::string agentsDir_;
  std::string appId_;
  std::string agentPath_;
};

}  // namespace pigmora
