#!/usr/bin/env bash
# The player's cost against the floor any GStreamer player can reach: a 60 s
# MP3 played to "fakesink sync=true" by the program's player and by
# gst-launch-1.0 playbin, in one run; then the time to first audio, from a
# local file and over http on 127.0.0.1.
set -euo pipefail
build="${1:-build}"
dir=$(mktemp -d)
trap 'kill $server 2>/dev/null; rm -rf "$dir"' EXIT
gst-launch-1.0 -q audiotestsrc num-buffers=2584 wave=sine ! audio/x-raw,rate=44100,channels=2 ! \
  audioconvert ! lamemp3enc ! filesink location="$dir/60s.mp3"   # 2584 x 1024 samples = 60 s
measure() { /usr/bin/time -f "%U %S %M" "$@" 2>&1 >/dev/null | tail -1; }
read -r pu ps pm < <(measure "$build/kalvuno_bench_player" "$dir/60s.mp3")
read -r gu gs gm < <(measure gst-launch-1.0 -q playbin uri="file://$dir/60s.mp3" \
  audio-sink="fakesink sync=true" video-sink=fakesink)
awk -v pu="$pu" -v ps="$ps" -v pm="$pm" -v gu="$gu" -v gs="$gs" -v gm="$gm" 'BEGIN {
  p = pu + ps; g = gu + gs;
  printf "player:     cpu %.2f s  peak %d kB\n", p, pm;
  printf "gst-launch: cpu %.2f s  peak %d kB\n", g, gm;
  printf "ratio:      cpu %.2fx  memory %.2fx\n", p / g, pm / gm }'
python3 -m http.server --bind 127.0.0.1 --directory "$dir" 18999 >/dev/null 2>&1 &
server=$!
sleep 1
for i in 1 2 3; do
  echo "local: $("$build/kalvuno_bench_player" "$dir/60s.mp3" first-audio)"
  echo "http:  $("$build/kalvuno_bench_player" "http://127.0.0.1:18999/60s.mp3" first-audio)"
done
