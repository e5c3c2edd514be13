#!/usr/bin/env bash
# Builds Kalvuno and starts it against the bundled library service, which
# makes its demo catalog on first start. Arguments go to the program.
# Set KALVUNO_SKIP_DEPS=1 to skip the package installation.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${KALVUNO_SKIP_DEPS:-0}" != "1" ]; then
  scripts/install-deps.sh
fi

cmake --preset default
cmake --build --preset default

port=8563
log="${XDG_DATA_HOME:-$HOME/.local/share}/kalvuno-service/service.log"
mkdir -p "$(dirname "$log")"
service_pid=""
if ! curl -s -o /dev/null "http://127.0.0.1:$port/kalvuno/top.html"; then
  build/kalvuno-service --port "$port" >"$log" 2>&1 &
  service_pid=$!
  trap '[ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null' EXIT
  echo "Starting the library service (the first start makes the demo catalog)..."
  for _ in $(seq 1 240); do
    if grep -q "listening" "$log"; then break; fi
    if ! kill -0 "$service_pid" 2>/dev/null; then cat "$log"; exit 1; fi
    sleep 0.5
  done
  cat "$log"
fi

KALVUNO_SERVICE_HOST="${KALVUNO_SERVICE_HOST:-localhost:$port}" build/kalvuno "$@"
