#!/usr/bin/env bash
# Installs into a temporary prefix and starts the installed program, which
# must find its resources there; then checks the desktop entry.
set -euo pipefail
build="$1"
source="$2"
# The browser module's folder under the prefix (lib/kalvuno or the architecture's).
module_dir="$3"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kalvuno bin/kalvuno-service $module_dir/libkalvuno_browser.so share/kalvuno/icons/kalvuno.png share/kalvuno/index.html share/kalvuno/notfound.html \
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
! grep -q "browser module" "$prefix/log" || { echo "the browser module was looked for without the web view"; exit 1; }

# With the web view it loads its module from its private library folder; the
# start page goes to a port nobody listens on.
unset KALVUNO_NO_BROWSER
KALVUNO_SERVICE_HOST=127.0.0.1:1 "$prefix/bin/kalvuno" 2>"$prefix/log" &
pid=$!
sleep 4
grep -q "libkalvuno_browser" "/proc/$pid/maps" || { cat "$prefix/log"; echo "the module is not mapped"; exit 1; }
kill -TERM $pid
wait $pid
grep -q "browser module from $prefix/$module_dir/libkalvuno_browser.so" "$prefix/log" || { cat "$prefix/log"; exit 1; }
echo "installed program ran from $prefix"
