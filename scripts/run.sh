#!/usr/bin/env bash
# Builds Kalvuno and starts it against the bundled library service, which
# makes its demo catalog on first start. Arguments go to the program.
# Packages are installed only when one is missing; KALVUNO_SKIP_DEPS=1 skips
# even that check.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${KALVUNO_SKIP_DEPS:-0}" != "1" ]; then
  scripts/install-deps.sh
fi

# Only the program, the service and their resources: the tests and
# benchmarks are the test command's business.
cmake --preset default >/dev/null
cmake --build --preset default --target kalvuno kalvuno-service kalvuno_data

port=8563
log="${XDG_DATA_HOME:-$HOME/.local/share}/kalvuno-service/service.log"
mkdir -p "$(dirname "$log")"
service_pid=""
if ! curl -s -o /dev/null "http://127.0.0.1:$port/kalvuno/top.html"; then
  : >"$log"
  # "/develop" talks to this service as a development server, whose
  # maintenance menu (hide, no-file) should work from this machine.
  maintenance=()
  for arg in "$@"; do
    case "${arg,,}" in
      /develop | --develop) maintenance=(--maintenance-from 127.0.0.1) ;;
    esac
  done
  build/kalvuno-service --port "$port" "${maintenance[@]}" >"$log" 2>&1 &
  service_pid=$!
  trap '[ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null' EXIT
  echo "Starting the library service (its first start makes the demo catalog)..."
  # Show what the service says while it gets ready.
  tail -n +1 -f "$log" --pid "$service_pid" &
  tail_pid=$!
  for _ in $(seq 1 600); do
    if grep -q "listening" "$log"; then break; fi
    if ! kill -0 "$service_pid" 2>/dev/null; then kill "$tail_pid" 2>/dev/null; exit 1; fi
    sleep 0.5
  done
  sleep 0.2
  kill "$tail_pid" 2>/dev/null || true
fi

KALVUNO_SERVICE_HOST="${KALVUNO_SERVICE_HOST:-localhost:$port}" build/kalvuno "$@"
