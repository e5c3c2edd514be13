#!/usr/bin/env bash
# Builds Kalvuno and starts it. Arguments are passed to the program.
# Set KALVUNO_SKIP_DEPS=1 to skip the package installation.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${KALVUNO_SKIP_DEPS:-0}" != "1" ]; then
  scripts/install-deps.sh
fi

cmake --preset default
cmake --build --preset default
exec build/kalvuno "$@"
