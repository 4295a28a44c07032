#include "platform/qt/command_line.h"

#include <array>
#include <string_view>
#include <utility>

namespace pigmora::qt {

namespace {

struct Option {
  std::string_view name;
  LaunchAction action;
  std::string_view help;
};

constexpr std::array kOptions{
    Option{"--show-picker", LaunchAction::ShowPicker, "show the colour picker"},
    Option{"--cycle-forward", LaunchAction::CycleForward,
           "copy the colour in the next output format"},
    Option{"--cycle-back", LaunchAction::CycleBack,
           "copy the colour in the previous output format"},
    Option{"--preferences", LaunchAction::ShowPreferences, "open the preferences window"},
    Option{"--help", LaunchAction::Help, "show this help and exit"},
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return {};
  if (arguments.size() > 1) return {LaunchAction::Run, "one option at most, not several"};
  const std::string& argument = arguments.front();
  if (argument == "-h") return {LaunchAction::Help, {}};
  for (const Option& option : kOptions) {
    if (argument == option.name) return {option.action, {}};
  }
  return {LaunchAction::Run, "unknown option '" + argument + "'"};
}

std::string UsageText() {
  std::string text =
      "Usage: pigmora [OPTION]\n"
      "Without an option, starts Pigmora; when it runs already, opens its preferences window.\n"
      "An option asks the running Pigmora of this user (over the D-Bus session bus) to:\n";
  for (const Option& option : kOptions) {
    text += "  " + std::string(option.name);
    text.append(18 - option.name.size(), ' ');
    text += std::string(option.help) + "\n";
  }
  return text;
}

}  // namespace pigmora::qt
