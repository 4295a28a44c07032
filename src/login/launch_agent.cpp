#include "login/launch_agent.h"

#include <sys/stat.h>
#include <unistd.h>

#include "app/unicode_text.h"
#include "login/login_file.h"
#include "login/start_process.h"

namespace pigmora {

const std::string_view kLoginAgentTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "\t<key>Label</key>\n"
    "\t<string>{appid}</string>\n"
    "\t<key>ProgramArguments</key>\n"
    "\t<array>\n"
    "\t\t<string>/usr/bin/open</string>\n"
    "\t\t<string>{apppath}</string>\n"
    "\t</array>\n"
    "\t<key>RunAtLoad</key>\n"
    "\t<true/>\n"
    "\t<key>KeepAlive</key>\n"
    "\t<false/>\n"
    "\t<key>LimitLoadToSessionType</key>\n"
    "\t<string>Aqua</string></dict>\n"
    "</plist>";

namespace {

// launchctl unload normally ends within a fraction of a second; never hold the window longer.
constexpr int kUnloadWaitMs = 3000;

// XML 1.0 admits tab, line feed, carriage return and everything from U+0020 except the
// surrogates, U+FFFE and U+FFFF; no escape can bring the others in.
bool IsXmlCharacter(char16_t unit) {
  return unit == 0x09 || unit == 0x0A || unit == 0x0D ||
         (unit >= 0x20 && unit != 0xFFFE && unit != 0xFFFF);
}

std::optional<std::string> EscapeXml(const std::string& text) {
  if (!IsWellFormedUtf8(text)) return std::nullopt;
  for (char16_t unit : FromUtf8(text)) {
    if (!IsXmlCharacter(unit)) return std::nullopt;
  }
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      // A raw carriage return would be read back as a line feed.
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

std::optional<std::string> LoginAgentText(const std::string& appId, const std::string& appPath) {
  const std::optional<std::string> id = EscapeXml(appId);
  const std::optional<std::string> path = EscapeXml(appPath);
  if (!id || !path) return std::nullopt;
  // One pass over the template: an inserted value is never searched for placeholders itself.
  constexpr std::string_view kIdMark = "{appid}";
  constexpr std::string_view kPathMark = "{apppath}";
  std::string text;
  std::string_view rest = kLoginAgentTemplate;
  while (!rest.empty()) {
    if (rest.starts_with(kIdMark)) {
      text += *id;
      rest.remove_prefix(kIdMark.size());
    } else if (rest.starts_with(kPathMark)) {
      text += *path;
      rest.remove_prefix(kPathMark.size());
    } else {
      text += rest.front();
      rest.remove_prefix(1);
    }
  }
  return text;
}

LaunchAgent::LaunchAgent(std::string homeFolder, std::string appId) : appId_(std::move(appId)) {
  // Without a home folder the paths would land wherever our working directory happens to be.
  if (!homeFolder.starts_with('/')) return;
  if (!homeFolder.ends_with('/')) homeFolder += '/';
  agentsDir_ = homeFolder + "Library/LaunchAgents/";
  agentPath_ = agentsDir_ + appId_ + ".plist";
}

bool LaunchAgent::Install(const std::string& applicationPath) {
  if (agentPath_.empty() || applicationPath.empty()) return false;
  const std::optional<std::string> text = LoginAgentText(appId_, applicationPath);
  if (!text) return false;
  if (!MakeDirectory(agentsDir_.substr(0, agentsDir_.size() - 1), false)) return false;
  if (!ReplaceFile(agentPath_, *text)) return false;
  StartProcess("launchctl", "load " + Quoted(agentPath_), "");
  return true;
}

void LaunchAgent::Remove() {
  if (agentPath_.empty()) return;
  struct stat info {};
  if (::lstat(agentPath_.c_str(), &info) != 0) return;
  // launchctl reads the file to learn which job to unload; deleting it first would leave the job
  // loaded until the user logs out.
  RunProcessAndWait("launchctl", "unload " + Quoted(agentPath_), kUnloadWaitMs);
  ::unlink(agentPath_.c_str());
}

}  // namespace pigmora
