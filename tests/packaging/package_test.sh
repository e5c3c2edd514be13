#!/usr/bin/env bash
# Builds the Debian package, lints it as the distribution does, unpacks it
# into a throw-away root and runs both programs from there.
set -euo pipefail
build="$1"
# The browser module's folder under the prefix (lib/kalvuno or the architecture's).
module_dir="$2"
work=$(mktemp -d)
service_pid=""
cleanup() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/kalvuno_*.deb)
echo "package: $(basename "$deb")"

# Errors and warnings fail; informational tags are shown.
lintian --info --fail-on error,warning "$deb" | tee "$work/lintian.log" || fail "lintian"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/kalvuno usr/bin/kalvuno-service usr/$module_dir/libkalvuno_browser.so \
         usr/share/man/man1/kalvuno.1.gz usr/share/man/man1/kalvuno-service.1.gz \
         usr/share/doc/kalvuno/copyright usr/share/doc/kalvuno/changelog.gz \
         usr/share/metainfo/org.kalvuno.Kalvuno.metainfo.xml usr/share/applications/kalvuno.desktop \
         usr/lib/systemd/system/kalvuno-service.service usr/share/kalvuno/icons/kalvuno.png; do
  [ -s "$root/$f" ] || fail "missing $f"
done
! file "$root/usr/bin/kalvuno" "$root/usr/bin/kalvuno-service" "$root/usr/$module_dir/libkalvuno_browser.so" |
  grep -q "not stripped" || fail "unstripped binary"
dpkg-deb -f "$deb" Depends | grep -q "libqt6webenginewidgets6" || fail "no dependency for the browser module"
dpkg-deb -f "$deb" Depends | grep -q "libc6" || fail "no computed shared-library dependencies"

appstreamcli validate --no-net "$root/usr/share/metainfo/org.kalvuno.Kalvuno.metainfo.xml"
desktop-file-validate "$root/usr/share/applications/kalvuno.desktop"
unit="$root/usr/lib/systemd/system/kalvuno-service.service"
# Verified against this system's units, with the program where it was unpacked.
mkdir "$work/unit"
sed "s|/usr/bin/kalvuno-service|$root/usr/bin/kalvuno-service|" "$unit" >"$work/unit/kalvuno-service.service"
systemd-analyze verify --man=no "$work/unit/kalvuno-service.service" 2>&1 | tee "$work/verify.log"
! grep -q . "$work/verify.log" || fail "systemd-analyze verify"
systemd-analyze security --offline=true "$unit" | tail -1

# The manual page and --help name the same options.
help_options=$("$root/usr/bin/kalvuno-service" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
page_options=$(zcat "$root/usr/share/man/man1/kalvuno-service.1.gz" |
  sed -n '/^\.SH OPTIONS/,/^\.SH /p' | grep '^\.\(TP\|B\|BI\) ' -A0 | grep -o -- '\\-\\-[a-z][a-z\\-]*' |
  sed 's/\\-/-/g' | sort -u)
[ "$help_options" = "$page_options" ] ||
  fail "kalvuno-service --help and its manual page differ: $(diff <(echo "$help_options") <(echo "$page_options") | tr '\n' ' ')"
for page in kalvuno kalvuno-service; do
  LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null |
    { ! grep . ; } || fail "warnings in $page(1)"
done

# The unpacked service starts and answers; the unpacked program finds its resources.
"$root/usr/bin/kalvuno-service" --port 0 --no-demo --db "$work/catalog.db" >"$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 50); do grep -q "listening on" "$work/service.log" && break; sleep 0.1; done
url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/service.log") || { cat "$work/service.log"; fail "service start"; }
curl -sf "${url}kalvuno/top.html" >/dev/null || fail "service answer"

export KALVUNO_HOME="$work/profile" HOME="$work" KALVUNO_VERBOSE=1 QT_QPA_PLATFORM=offscreen KALVUNO_NO_BROWSER=1
"$root/usr/bin/kalvuno" 2>"$work/program.log" &
pid=$!
sleep 3
cp "/proc/$pid/maps" "$work/program.maps"
kill -TERM $pid
wait $pid || true
grep -q "resources from $root/usr/share/kalvuno/" "$work/program.log" || { cat "$work/program.log"; fail "resources"; }
! grep -q "WebEngine" "$work/program.maps" || fail "the web engine is mapped without the web view"

# With the web view, showing the unpacked service's start page: the module
# comes from the package's private library folder.
unset KALVUNO_NO_BROWSER
host=${url#http://}
KALVUNO_SERVICE_HOST="${host%/}" "$root/usr/bin/kalvuno" 2>"$work/program.log" &
pid=$!
sleep 4
grep -q "libkalvuno_browser" "/proc/$pid/maps" || { cat "$work/program.log"; fail "module not mapped"; }
kill -TERM $pid
wait $pid || true
grep -q "browser module from $root/usr/$module_dir/libkalvuno_browser.so" "$work/program.log" ||
  { cat "$work/program.log"; fail "browser module"; }
echo "package checked"
