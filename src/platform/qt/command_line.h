#pragma once
// The program's command line: no option runs Pigmora (or, when it runs already, asks it to show
// itself); each action option asks the running Pigmora to do what its hot key or menu item does.
#include <string>
#include <vector>

namespace pigmora::qt {

enum class LaunchAction { Run, ShowPicker, CycleForward, CycleBack, ShowPreferences, Help };

struct CommandLine {
  LaunchAction action = LaunchAction::Run;
  // Set when the arguments are not understood: what is wrong, for one line on stderr.
  std::string error;
};

// `arguments` without the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
// The --help text, ending in a newline.
std::string UsageText();

}  // namespace pigmora::qt
