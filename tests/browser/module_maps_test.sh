#!/usr/bin/env bash
# The program links no web engine. It maps its browser module, and the web
# engine with it, only when it shows web pages; without the module beside it
# it runs on, without them. Runs under the test command's X server.
set -euo pipefail
program="$1"
work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

! ldd "$program" | grep -i webengine || fail "the program is linked with the web engine"

# The start page goes to a port nobody listens on.
export HOME="$work" KALVUNO_HOME="$work/profile" KALVUNO_SERVICE_HOST=127.0.0.1:1 KALVUNO_VERBOSE=1 \
  KALVUNO_AUDIO_SINK="fakesink sync=true"
mkdir -p "$KALVUNO_HOME"
printf '[General]\r\nSetup=1\r\n' >"$KALVUNO_HOME/Kalvuno.ini"

# run NAME PROGRAM [VAR=VALUE...]: starts the program, keeps its memory map
# after 4 s, then closes it as the desktop would and checks that it ended well.
run() {
  local name="$1" exe="$2"
  shift 2
  env "$@" "$exe" 2>"$work/$name.log" &
  pid=$!
  sleep 4
  kill -0 "$pid" 2>/dev/null || { cat "$work/$name.log"; fail "$name: the program ended by itself"; }
  cp "/proc/$pid/maps" "$work/$name.maps"
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || { cat "$work/$name.log"; fail "$name: exit status $status"; }
}

run without "$program" KALVUNO_NO_BROWSER=1
! grep -E "libkalvuno_browser|WebEngine" "$work/without.maps" || fail "without the web view: module or engine mapped"

run with "$program"
grep -q "libkalvuno_browser.so" "$work/with.maps" || fail "with the web view: the module is not mapped"
grep -q "libQt6WebEngineCore" "$work/with.maps" || fail "with the web view: the web engine is not mapped"

# A copy of the program with its resources but no module beside it.
mkdir "$work/bare"
cp "$program" "$work/bare/"
cp -r "$(dirname "$program")/data" "$work/bare/"
run missing "$work/bare/$(basename "$program")"
grep -q "no browser module" "$work/missing.log" || { cat "$work/missing.log"; fail "no word of the missing module"; }
! grep -E "libkalvuno_browser|WebEngine" "$work/missing.maps" || fail "without the module: engine mapped"
echo "browser module checked"
