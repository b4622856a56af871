#!/usr/bin/env bash
# Installs what is missing, builds four presets and runs their tests: every
# test in the default build (RelWithDebInfo, warnings as errors), again under
# AddressSanitizer + UndefinedBehaviorSanitizer and again under
# ThreadSanitizer (with the suppressions of tests/tsan.supp for Qt's own
# uninstrumented threads); then the fuzz build (clang, the same sanitizers
# as asan), whose tests run each libFuzzer target once over its seed inputs,
# so a target that no longer builds or a seed that now crashes fails here.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

for preset in default asan tsan fuzz; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done
