#!/usr/bin/env bash
# Installs every package needed to build, run and test Pigmora on Debian 12 or 13 (run as root).
# Every name here exists in both releases; the compilers are the release's default ones.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(
  # build
  build-essential cmake pkg-config dpkg-dev file
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins libqt6svg6 libxcb1-dev libxcb-keysyms1-dev libxcb-xkb-dev
  libwayland-dev libwayland-bin libglib2.0-dev
  libgtest-dev libbenchmark-dev
  # the desktop the program and its tests run on
  xvfb xauth openbox trayer x11-utils x11-xserver-utils dbus dbus-x11 fonts-dejavu-core
  # real input, clipboard and screenshots for the end-to-end tests
  xdotool xclip imagemagick xbindkeys x11-xkb-utils
  # a real notification service, for the notice a desktop without a tray gets
  dunst
  # a real Wayland session for the Wayland tests: compositor, XWayland, a Wayland terminal, keys,
  # clipboard and screenshots through the compositor
  sway xwayland foot wtype wl-clipboard grim
  # a fresh Debian system of this release for the package's clean-install test (mmdebstrap mounts /proc, /sys
  # and /dev into it, with mount, only a recommended package of mmdebstrap)
  mmdebstrap mount
  # fuzzing and the sanitizer build (tools/robustness.sh)
  clang libclang-rt-dev
  # validators and the decimal-comma locale the format tests use
  desktop-file-utils libxml2-utils libglib2.0-bin locales
  # the StatusNotifierItem host the tray tests read the menu through
  python3 python3-dbus python3-gi
  # the desktop portal frontend the Wayland tests drive, and the XKB keysym names of the triggers
  xdg-desktop-portal libxkbcommon-dev
  # a real KDE Plasma Wayland session: KWin with XWayland, KDE's portal backend, and the input tool
  # that presses keys through KWin (its fake-input protocol, key names from libevdev)
  kwin-wayland xdg-desktop-portal-kde plasma-wayland-protocols libevdev-dev
  # GNOME's keyboard-shortcut settings (the settings daemon's and the desktop's schemas) and the
  # dconf service that keeps them, for GNOME's custom shortcuts
  gnome-settings-daemon-common gsettings-desktop-schemas dconf-service dconf-gsettings-backend
  # the real tray hosts the tray is tested on (tests/gui/tray_hosts.sh): xfce4-panel with xfwm4,
  # lxqt-panel, tint2, icewm, gtk-sni-tray with its watcher (and a compositor its window needs)
  xfce4-panel xfwm4 lxqt-panel tint2 icewm haskell-gtk-sni-tray-utils
  haskell-status-notifier-item-utils xcompmgr
)
# Where the two releases name a package differently: Qt's SVG icon engine (the application's
# icon) left libqt6svg6 for a package of its own, KDE's shortcut service is Plasma 6's, and KDE's
# portal backend runs on Qt 5's Wayland plugin in Plasma 5, on Qt 6's in Plasma 6.
case "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" in
  bookworm) packages+=(libkf5globalaccel-bin qtwayland5) ;;
  *) packages+=(qt6-svg-plugins kglobalacceld qt6-wayland) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi
