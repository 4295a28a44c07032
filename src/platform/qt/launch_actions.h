#pragma once
// Launches that do not run Pigmora but ask the running one (see command_line.h): they need no
// display, only the user's session bus, and end at once with the status a script can test.
#include "platform/qt/command_line.h"

namespace pigmora::qt {

// --help, a command line not understood (status 2), or an action option: 0 once the running
// Pigmora has the request, 1 with one line on stderr when there is none or it cannot be reached.
int RunActionLaunch(int& argc, char** argv, const CommandLine& commandLine);

// A plain launch while Pigmora runs: asks it to show itself, says so in one line on stderr and
// ends with status 0, as the desktop's launcher expects, whether or not the request went through.
int RunSecondLaunch(int& argc, char** argv);

}  // namespace pigmora::qt
