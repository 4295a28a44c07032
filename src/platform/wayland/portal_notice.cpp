#include "platform/wayland/portal_notice.h"

#include <set>

#include "platform/qt/stderr_line.h"

namespace pigmora::wayland {

void TellOnce(NoticeSubject subject, const std::string& line) {
  static std::set<NoticeSubject> told;
  if (!told.insert(subject).second) return;
  qt::PrintStderrLine(line);
}

}  // namespace pigmora::wayland
