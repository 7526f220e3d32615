#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, if any are missing.
# Safe to run again: it installs nothing when everything is there.
set -e
# Build: the compiler and CMake, GoogleTest and Google Benchmark; the window program's SDL2, RtMidi
# and GTK 3 (found with pkg-config). Tests: sox and Python read WAVs and JSON; Xvfb, xdotool and the X11 utilities
# run and drive the window headless; desktop-file-validate and xmllint check what is installed.
packages="cmake g++ make pkg-config libgtest-dev libbenchmark-dev libsdl2-dev librtmidi-dev libgtk-3-dev
sox python3 xvfb xdotool x11-utils x11-apps desktop-file-utils libxml2-utils"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
