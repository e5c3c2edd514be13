#!/usr/bin/env bash
# The program adds to its environment only while it has no other thread
# (a thread reading the environment as a variable is added can crash). Runs
# the program with the web view and a local file playing from the command
# line, under a library that reports every such write. Runs under the test
# command's X server.
set -euo pipefail
program="$1" watch="$2"
work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { cat "$work/log"; echo "FAIL: $*"; exit 1; }

gst-launch-1.0 -q audiotestsrc num-buffers=200 ! wavenc ! filesink location="$work/tone.wav" >/dev/null
export HOME="$work" KALVUNO_HOME="$work/profile" KALVUNO_SERVICE_HOST=127.0.0.1:1 KALVUNO_VERBOSE=1 \
  KALVUNO_AUDIO_SINK="fakesink sync=true"
mkdir -p "$KALVUNO_HOME"
printf '[General]\r\nSetup=1\r\n' >"$KALVUNO_HOME/Kalvuno.ini"

LD_PRELOAD="$watch" ENVIRONMENT_WATCH_PROGRAM="$program" "$program" "$work/tone.wav" 2>"$work/log" &
pid=$!
sleep 5
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q "browser module from" "$work/log" || fail "the web view was not loaded"
! grep "environment watch" "$work/log" || fail "the environment was written while threads ran"
echo "environment written before any thread"
