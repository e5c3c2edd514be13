#!/usr/bin/env bash
# Installs every Debian package needed to build, run and test Kalvuno. On a
# machine that has them all it does nothing (no apt-get at all).
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config git curl wrk time python3
  clang llvm libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-tools-dev qt6-l10n-tools
  libqt6opengl6-dev libgl-dev libxkbcommon-dev
  qt6-qpa-plugins qt6-gtk-platformtheme
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-x gstreamer1.0-alsa gstreamer1.0-pulseaudio
  fluid-soundfont-gm
  libcurl4-openssl-dev libcpp-httplib-dev libssl-dev libsqlite3-dev postgresql libpq-dev nginx libtag1-dev
  libgtest-dev libgmock-dev libbenchmark-dev mpv python3-dbus
  xvfb xauth x11-utils xdotool imagemagick trayer
  at-spi2-core python3-pyatspi dbus dbus-x11 playerctl desktop-file-utils dpkg-dev
  lintian appstream systemd file man-db
  fonts-noto-cjk locales
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing ${#missing[@]} missing package(s): ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
