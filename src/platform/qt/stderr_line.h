#pragma once
// The program's own messages on standard error, one line each.
#include <string>

namespace pigmora::qt {

// Writes "pigmora: <line>" and a newline in one write, so that lines from two sources do not mix.
void PrintStderrLine(const std::string& line);

}  // namespace pigmora::qt
