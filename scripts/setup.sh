#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent and quiet: runs
# `apt-get update` and `apt-get install` only when a package is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-liberation tzdata
  libcurl4-openssl-dev libssl-dev openssl
  libpugixml-dev libsqlite3-dev sqlite3 zlib1g-dev
  libcpp-httplib-dev
  libspdlog-dev
  libyaml-cpp-dev
  liblhasa-dev
  xauth
  bindfs
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"
