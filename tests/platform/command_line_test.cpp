// The program's command line: the action options, --help, and what is refused with the usage.
#include "platform/qt/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pigmora::qt {
namespace {

TEST(CommandLine, EachOptionSelectsItsAction) {
  const struct {
    std::vector<std::string> arguments;
    LaunchAction action;
  } cases[] = {
      {{}, LaunchAction::Run},
      {{"--show-picker"}, LaunchAction::ShowPicker},
      {{"--cycle-forward"}, LaunchAction::CycleForward},
      {{"--cycle-back"}, LaunchAction::CycleBack},
      {{"--preferences"}, LaunchAction::ShowPreferences},
      {{"--help"}, LaunchAction::Help},
      {{"-h"}, LaunchAction::Help},
  };
  for (const auto& [arguments, action] : cases) {
    SCOPED_TRACE(arguments.empty() ? "(none)" : arguments.front());
    const CommandLine parsed = ParseCommandLine(arguments);
    EXPECT_EQ(parsed.action, action);
    EXPECT_EQ(parsed.error, "");
  }
}

TEST(CommandLine, AnythingElseIsAnErrorThatNamesIt) {
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"show-picker"}, "unknown option 'show-picker'"},
      {{"--show-picker=1"}, "unknown option '--show-picker=1'"},
      {{"--Show-Picker"}, "unknown option '--Show-Picker'"},
      {{""}, "unknown option ''"},
      {{"-"}, "unknown option '-'"},
      {{"--cycle-forward", "--cycle-back"}, "one option at most, not several"},
      {{"--show-picker", "--show-picker"}, "one option at most, not several"},
      {{"--help", "--bogus"}, "one option at most, not several"},
  };
  for (const auto& [arguments, error] : cases) {
    SCOPED_TRACE(arguments.front());
    EXPECT_EQ(ParseCommandLine(arguments).error, error);
  }
}

TEST(CommandLine, TheUsageListsEveryOption) {
  const std::string usage = UsageText();
  EXPECT_TRUE(usage.starts_with("Usage: pigmora [OPTION]\n"));
  EXPECT_TRUE(usage.ends_with("\n"));
  for (const char* option :
       {"--show-picker", "--cycle-forward", "--cycle-back", "--preferences", "--help"}) {
    EXPECT_NE(usage.find(std::string("\n  ") + option + " "), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace pigmora::qt
