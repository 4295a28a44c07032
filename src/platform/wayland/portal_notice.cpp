#include "platform/wayland/portal_notice.h"

#include "platform/qt/stderr_line.h"

namespace pigmora::wayland {

void TellOnce(NoticeSubject subject, const std::string& line) {
  static bool told[2] = {false, false};
  bool& done = told[static_cast<int>(subject)];
  if (done) return;
  done = true;
  qt::PrintStderrLine(line);
}

}  // namespace pigmora::wayland
