#include "platform/qt/session_type.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace pigmora::qt {

SessionType SessionTypeFrom(const char* waylandDisplay, const char* xdgSessionType) {
  if (waylandDisplay && *waylandDisplay) return SessionType::Wayland;
  if (xdgSessionType && std::strcmp(xdgSessionType, "wayland") == 0) return SessionType::Wayland;
  return SessionType::X11;
}

SessionType CurrentSessionType() {
  return SessionTypeFrom(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"));
}

bool DesktopIs(const char* currentDesktop, const char* name) {
  if (currentDesktop == nullptr) return false;
  std::string_view names(currentDesktop);
  const std::size_t length = std::strlen(name);
  while (!names.empty()) {
    const std::size_t colon = names.find(':');
    const std::string_view one = names.substr(0, colon);
    if (one.size() == length && strncasecmp(one.data(), name, length) == 0) return true;
    if (colon == std::string_view::npos) break;
    names.remove_prefix(colon + 1);
  }
  return false;
}

}  // namespace pigmora::qt
