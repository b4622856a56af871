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

# ThreadSanitizer places its shadow memory at fixed addresses; on a kernel
# that randomises more address bits than it expects, a program may be mapped
# where the shadow must go and stop at start. Its tests run without address
# randomisation where the system lets a process ask for that (a container's
# seccomp profile may not).
tsan_runner=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  tsan_runner=(setarch "$(uname -m)" -R)
fi

for preset in default asan tsan fuzz; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  if [ "$preset" = tsan ]; then
    "${tsan_runner[@]}" ctest --preset "$preset" -j "$jobs"
  else
    ctest --preset "$preset" -j "$jobs"
  fi
done
