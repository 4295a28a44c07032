#!/bin/bash
# The core (src/ outside platform/, the desktop program's main.cpp aside) reaches the desktop only
# through the interfaces in src/platform/: no operating-system conditionals and no toolkit
# headers, so that another backend needs no change there.
#
#   core_is_platform_free_test.sh <src folder>
set -u
src="${1:?usage: $0 <src folder>}"
mapfile -t core < <(find "$src" -path "$src/platform" -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) \
  ! -path "$src/main.cpp" -print | sort)
[ "${#core[@]}" -gt 0 ] || { echo "FAIL: no core sources under $src" >&2; exit 1; }
status=0
# A conditional that names an operating system or a toolkit's platform macro.
if grep -nE '^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(__APPLE__|__MACH__|__linux__|__linux|__gnu_linux__|__unix__|__unix|_WIN32|_WIN64|__FreeBSD__|__OpenBSD__|__NetBSD__|__ANDROID__|Q_OS_[A-Z0-9_]+)\b' \
  "${core[@]}"; then
  echo "FAIL: operating-system conditionals in the core (above); put the difference under src/platform/" >&2
  status=1
fi
if grep -nE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/|xcb/|X11/|wayland-|gtk|glib|gio/|dbus/)' "${core[@]}"; then
  echo "FAIL: toolkit headers in the core (above)" >&2
  status=1
fi
[ $status -eq 0 ] && echo "ok: ${#core[@]} core sources name no operating system and include no toolkit"
exit $status
