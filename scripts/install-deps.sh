#!/usr/bin/env bash
# Installs the Debian packages Orvelan builds, runs and tests with, when they are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libxcb1-dev libcurl4-openssl-dev libjpeg62-turbo-dev liblz4-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format
  fonts-liberation fonts-dejavu-core
  iproute2 iputils-ping wget util-linux procps openssl
  xvfb openbox xdotool x11-utils imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
