#!/usr/bin/env bash
# Installs into a temporary prefix and starts the installed program, which
# must find its resources there; then checks the desktop entry.
set -euo pipefail
build="$1"
source="$2"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kalvuno bin/kalvuno-service share/kalvuno/icons/kalvuno.png share/kalvuno/index.html share/kalvuno/notfound.html \
         share/applications/kalvuno.desktop \
         share/icons/hicolor/64x64/apps/kalvuno.png; do
  [ -e "$prefix/$f" ] || { echo "missing $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/kalvuno.desktop"
"$prefix/bin/kalvuno-service" --help | grep -q -- "--port"
# No web view: its start page would go to a service this test has not started.
export KALVUNO_HOME="$prefix/profile" HOME="$prefix" KALVUNO_VERBOSE=1 QT_QPA_PLATFORM=offscreen KALVUNO_NO_BROWSER=1
"$prefix/bin/kalvuno" 2>"$prefix/log" &
pid=$!
sleep 3
kill -TERM $pid
wait $pid
grep -q "resources from $prefix/share/kalvuno/" "$prefix/log" || { cat "$prefix/log"; exit 1; }
echo "installed program ran from $prefix"
