#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, only when missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format ccache
  qt6-base-dev libxcb1-dev qt6-tools-dev-tools libsm-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-fantasque-sans fonts-comic-neue
  xvfb xdotool openbox x11-utils x11-apps imagemagick valgrind strace
  locales qt6-translations-l10n
  python3-pyatspi gir1.2-atspi-2.0 at-spi2-core dbus dbus-x11
  appstream desktop-file-utils libglib2.0-0 dex
  debhelper dpkg-dev fakeroot lintian
)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

install_missing() { # [apt-get options...] -- packages...
  local options=() missing=() p
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${options[@]}" "${missing[@]}"
}

install_missing -- "${packages[@]}"
# Without what they recommend: the screen reader the end-to-end tests listen through (they read
# what it would say from its log, no sound stack needed), and a Wayland compositor with XWayland
# and Qt's Wayland platform, for the program on a Wayland desktop.
install_missing --no-install-recommends -- orca weston xwayland qt6-wayland

# ./run starts the program with the Russian numeric format, which needs its locale generated.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  echo "Generating the locale ru_RU.UTF-8"
  if grep -q '^# *ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
