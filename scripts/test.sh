#!/usr/bin/env bash
# Installs what is missing, builds three presets and runs their tests: every
# test in the default build (RelWithDebInfo, warnings as errors) and again
# under AddressSanitizer + UndefinedBehaviorSanitizer; then the fuzz build
# (clang, the same sanitizers), whose tests run each libFuzzer target once
# over its seed inputs, so a target that no longer builds or a seed that now
# crashes fails here.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

for preset in default asan fuzz; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done
