#!/bin/sh
# Installs what the database builder needs from Debian: numpy and the IAPWS-95
# water formulation (package python3-iapws). Both are used with /usr/bin/python3.
# Idempotent: does nothing and prints nothing when both are already installed.
set -e
PKGS="python3-numpy python3-iapws"
missing=""
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# Try without refreshing the package lists first; refresh only if that fails.
if ! $SUDO apt-get install -y -qq $missing >/dev/null 2>&1; then
    $SUDO apt-get update -qq >/dev/null
    $SUDO apt-get install -y -qq $missing >/dev/null
fi
