#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the main job:
# the simulated point-of-sale host registers the plug-in library in a fresh
# temporary registry, loads it, discovers and prepares its eight plug-ins and
# prints what it saw, then unregisters it again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target Norvane94 pos-host >/dev/null

build=build/default
host="$build/standins/host/pos-host"
library="$PWD/$build/src/plugin/Norvane94.so"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export NORVANE_REGISTRY_FILE="$work/registry"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
fi

echo "== pos-host register"
"$host" register "$library"
echo
echo "== what registering wrote into $NORVANE_REGISTRY_FILE"
echo "  $(grep -c '^\[' "$NORVANE_REGISTRY_FILE") keys; the classes' ProgIDs:"
grep -o '^@=sz:"Norvane94\.[A-Za-z0-9_]*"' "$NORVANE_REGISTRY_FILE" | sort -u |
  sed 's/^@=sz:"\(.*\)"$/    \1/'
echo
echo "== pos-host discover"
"$host" discover "$library"
echo
echo "== pos-host unregister"
"$host" unregister "$library"
echo "keys left under HKEY_CLASSES_ROOT\\CLSID: $(grep -c '^\[HKEY_CLASSES_ROOT\\CLSID\\' "$NORVANE_REGISTRY_FILE" || true)"
