#include "platform/qt/session_type.h"

#include <cstdlib>
#include <cstring>

namespace pigmora::qt {

SessionType SessionTypeFrom(const char* waylandDisplay, const char* xdgSessionType) {
  if (waylandDisplay && *waylandDisplay) return SessionType::Wayland;
  if (xdgSessionType && std::strcmp(xdgSessionType, "wayland") == 0) return SessionType::Wayland;
  return SessionType::X11;
}

SessionType CurrentSessionType() {
  return SessionTypeFrom(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"));
}

}  // namespace pigmora::qt
