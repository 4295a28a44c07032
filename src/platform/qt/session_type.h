#pragma once
// Which kind of desktop session the program runs in: it decides which desktop services are used
// (X11 key grabs, or the Wayland compositor's and the desktop portals' services).
namespace pigmora::qt {

enum class SessionType { X11, Wayland };

// From the two variables a session sets: WAYLAND_DISPLAY (the compositor's socket, set in every
// Wayland session even when X11 clients are served through XWayland) and XDG_SESSION_TYPE (set
// by the login manager). Either one naming Wayland is enough; null and empty mean unset.
SessionType SessionTypeFrom(const char* waylandDisplay, const char* xdgSessionType);

// The same, from this process's environment.
SessionType CurrentSessionType();

// Whether XDG_CURRENT_DESKTOP, a colon-separated list of names ("KDE" in Plasma, "GNOME" or
// "ubuntu:GNOME" in GNOME), names the desktop `name`, in any case. Null or empty means unknown.
bool DesktopIs(const char* currentDesktop, const char* name);

}  // namespace pigmora::qt
