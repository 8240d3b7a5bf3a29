#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ googletest libhivex-dev pkg-config g++-mingw-w64-x86-64 wine64 xvfb xauth python3 imagemagick nsis
          clang libclang-rt-14-dev openbox zip unzip libssl-dev openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
