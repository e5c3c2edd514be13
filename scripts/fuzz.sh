#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, address and
# undefined-behaviour sanitizers) and runs each of them for SECONDS seconds
# (default 25), starting from the seeds in fuzz/corpus/. Fails when any target
# finds a crash, a leak, a sanitizer report or a broken property; the input
# that did it is kept in build-fuzz/artifacts/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 600 fuzz_ini
#
# With KALVUNO_FUZZ_RUNS=N each target also stops after N inputs (whichever
# comes first), e.g. KALVUNO_FUZZ_RUNS=10000000 scripts/fuzz.sh 36000.
#
# Inputs found on the way are kept in build-fuzz/corpus/ for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-25}"
shift || true
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  targets=(fuzz_ini fuzz_text_codec fuzz_search_answer fuzz_tags fuzz_service fuzz_upload fuzz_page_scan)
fi

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake --preset fuzz "${launcher[@]}" >/dev/null
cmake --build --preset fuzz -j "${KALVUNO_FUZZ_BUILD_JOBS:-2}"

# A short allocation history and quarantine make the targets about a quarter
# faster; a report found this way is repeated with full stacks by running the
# target on the kept input with the sanitizers' default options.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:malloc_context_size=2:quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export QT_QPA_PLATFORM=offscreen

# Files the targets write on every input go to memory when the machine has /dev/shm.
scratch_parent=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch_parent=/dev/shm; fi
KALVUNO_FUZZ_TMP="$(mktemp -d "$scratch_parent/kalvuno-fuzz.XXXXXX")"
export KALVUNO_FUZZ_TMP
trap 'rm -rf "$KALVUNO_FUZZ_TMP"' EXIT

mkdir -p build-fuzz/artifacts
failed=()
for target in "${targets[@]}"; do
  seeds="fuzz/corpus/${target#fuzz_}"
  work="build-fuzz/corpus/${target#fuzz_}"
  log="build-fuzz/artifacts/$target.log"
  mkdir -p "$work"
  echo "== $target: ${seconds}s"
  if build-fuzz/"$target" -max_total_time="$seconds" ${KALVUNO_FUZZ_RUNS:+-runs="$KALVUNO_FUZZ_RUNS"} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$target-" "$work" "$seeds" >"$log" 2>&1; then
    grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | tail -1 || true
  else
    echo "!! $target failed; its report:"
    grep -vE "^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|INITED)" "$log" | tail -60
    failed+=("$target")
  fi
done

if [ "${#failed[@]}" -ne 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in build-fuzz/artifacts/)"
  exit 1
fi
echo "Fuzzing: no faults in ${#targets[@]} target(s) of ${seconds}s each."
