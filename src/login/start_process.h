#pragma once
// Starts a program found on PATH, detached, without waiting for it.
#include <optional>
#include <string>
#include <vector>

namespace pigmora {

// Spaces, tabs and line feeds separate arguments; "..." keeps blanks; no escapes.
std::vector<std::string> SplitParameters(const std::string& parameters);
// The file that would run for `name`, searched as StartProcess does; nothing when none.
std::optional<std::string> FindProgram(const std::string& name, const char* path);
// true once the program was found and the detached child started.
bool StartProcess(const std::string& name, const std::string& parameters,
                  const std::string& workingDirectory);
// Starts the program as StartProcess does (detached, never our child) and waits up to
// `timeoutMs` for it to end. true when it started and ended in time; its exit status is not read.
// After a time-out the program goes on running on its own.
bool RunProcessAndWait(const std::string& name, const std::string& parameters, int timeoutMs);

}  // namespace pigmora
