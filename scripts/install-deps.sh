#!/usr/bin/env bash
# Installs the Debian packages Velkorin needs to build, test and run its demo.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libpcre2-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcpp-httplib-dev libssl-dev openssl
  python3 python3-pyftpdlib curl
  clang libclang-rt-14-dev
  xvfb xauth fonts-wqy-microhei
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
