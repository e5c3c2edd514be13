#!/usr/bin/env bash
# Builds Kalvuno and runs every test: the normal build (warnings are errors)
# under a virtual X server, then the unit tests again under the address and
# undefined-behaviour sanitizers, then the player's tests under the thread
# sanitizer, and last every fuzz target for a short, fixed time (the fuzz
# stage; KALVUNO_FUZZ_SECONDS, default 20, sets it). Set KALVUNO_SKIP_DEPS=1 to skip the
# package installation on a machine that has everything.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${KALVUNO_SKIP_DEPS:-0}" != "1" ]; then
  scripts/install-deps.sh
fi

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

cmake --preset default
cmake --build --preset default
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset default

cmake --preset sanitize
cmake --build --preset sanitize
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset sanitize

cmake --preset tsan
cmake --build --preset tsan
TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp" ctest --preset tsan

scripts/fuzz.sh "${KALVUNO_FUZZ_SECONDS:-20}"
