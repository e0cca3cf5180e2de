#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), only where it is missing.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libeigen3-dev libboost-dev libpcl-dev
  qtbase5-dev libqt5opengl5-dev libvtk9-qt-dev mpi-default-dev
  libpcap-dev libpng-dev libxcb1-dev
  xvfb xauth libgl1-mesa-dri fonts-wqy-microhei
  iproute2 binutils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "These Debian packages are missing: ${missing[*]}" >&2
      echo "Install them as root (apt-get install ${missing[*]}), then run this again." >&2
      exit 1
    fi
    sudo_cmd=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
