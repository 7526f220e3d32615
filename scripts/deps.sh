#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, if any are missing.
# Safe to run again: it installs nothing when everything is there.
set -e
packages="cmake g++ make libgtest-dev libbenchmark-dev sox"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
