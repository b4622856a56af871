#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the main job:
# the simulated point-of-sale host loading the plug-in library.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null

build=build/default
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export NORVANE_REGISTRY_FILE="$work/registry.ini"

if [ -x "$build/standins/host/pos-host" ] && [ -f "$build/src/plugin/Norvane94.so" ]; then
  "$build/standins/host/pos-host" register "$build/src/plugin/Norvane94.so"
  "$build/standins/host/pos-host" discover "$build/src/plugin/Norvane94.so"
else
  echo "demo: the simulated host is not built yet; built programs:"
  find "$build" -maxdepth 3 -type f -executable -newer CMakeLists.txt | sort
fi
