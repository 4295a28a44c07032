#include "platform/qt/stderr_line.h"

#include <unistd.h>

namespace pigmora::qt {

void PrintStderrLine(const std::string& line) {
  const std::string text = "pigmora: " + line + "\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace pigmora::qt
