#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root, or with sudo).
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config ccache qt6-base-dev libhidapi-dev libgtest-dev)
pkgs+=("$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
