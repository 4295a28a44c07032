#!/bin/bash
# Builds bench/x_event_timer.cpp into <folder>/x_event_timer when it is missing or older than its
# source (it needs g++ and the X11, XTest and XFixes headers: libx11-dev libxtst-dev
# libxfixes-dev). Usage: bench/build_x_event_timer.sh <folder>; prints the timer's path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
timer="$1/x_event_timer"
if [ ! -x "$timer" ] || [ "$here/x_event_timer.cpp" -nt "$timer" ]; then
  mkdir -p "$1"
  g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -o "$timer" "$here/x_event_timer.cpp" \
    -lXtst -lXfixes -lX11 >&2 || exit 2
fi
echo "$timer"
