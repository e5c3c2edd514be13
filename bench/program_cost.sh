#!/usr/bin/env bash
# The whole program's cost under a virtual X server, the browser showing the
# bundled service's top page: the time from launch to the window on screen,
# warm, with and without the web view (KALVUNO_NO_BROWSER=1) in turn; CPU of
# the program and its browser helpers over 60 s with nothing playing; CPU
# over 55 s of playing an MP3 (a saved playlist named on the command line),
# with and without the web view, side by side with gst-launch-1.0 playbin
# on the same file and with a bare window on the program's two 50 ms loops
# (kalvuno_bench_loop_floor: the least those loops cost); and the memory while
# playing: the main process's peak RSS, the browser helpers' PSS. Then the
# start of sound (bench/first_audio.py: audio goes to a named pipe through a
# clocked sink, so it arrives when a sound card would get it): from exec, with
# a saved playlist on the command line, against gst-launch-1.0 playbin; from
# an MPRIS OpenUri to the running program; the tracks of 3-second WAVs heard
# in 300 s against mpv; and the peak memory while playing without the web
# view, against gst-launch-1.0 playbin.
set -euo pipefail
# MPRIS needs a session bus of our own.
if [ -z "${KALVUNO_BENCH_BUS:-}" ]; then
  KALVUNO_BENCH_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
build="$(cd "${1:-build}" && pwd)"
bench="$(cd "$(dirname "$0")" && pwd)"
dir=$(mktemp -d)
export DISPLAY=:77 KALVUNO_HOME="$dir/profile" HOME="$dir" KALVUNO_AUDIO_SINK="fakesink sync=true"
Xvfb :77 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
service=""
trap 'kill $xvfb $service 2>/dev/null; rm -rf "$dir"' EXIT
sleep 1

# The bundled service on a free port; its first start makes the demo catalog.
XDG_DATA_HOME="$dir/service" "$build/kalvuno-service" --port 0 >"$dir/service.log" 2>&1 &
service=$!
until grep -q "listening on" "$dir/service.log"; do
  kill -0 $service 2>/dev/null || { cat "$dir/service.log" >&2; exit 1; }
  sleep 0.5
done
export KALVUNO_SERVICE_HOST=$(sed -n 's|.*listening on http://\([^/]*\)/.*|\1|p' "$dir/service.log")
mkdir -p "$KALVUNO_HOME"
printf '[General]\r\nSetup=1\r\nBrowse=0\r\n' > "$KALVUNO_HOME/Kalvuno.ini"
gst-launch-1.0 -q audiotestsrc num-buffers=2800 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! \
  lamemp3enc ! filesink location="$dir/song.mp3"
printf '[%s]\r\nTitle=Sixty\r\nMP3=%s\r\n' "$dir/song.mp3" "$dir/song.mp3" > "$dir/one.pl"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The browser's helper processes: every descendant of the program.
helpers() { local c; for c in $(ps -o pid= --ppid "$1"); do echo "$c"; helpers "$c"; done; }
# CPU ticks of the program and its helpers together.
all_ticks() { local t=0 p; for p in $1 $(helpers "$1"); do t=$((t + $(ticks "$p"))); done; echo $t; }
hz=$(getconf CLK_TCK)

# Warm start: launch to mapped window, after a first cold one, with and
# without the web view in turn so that both see the same machine.
declare -A total=([with]=0 [without]=0)
for run in cold 1 2 3 4 5; do
  for kind in with without; do
    start=$(date +%s%N)
    if [ "$kind" = with ]; then "$build/kalvuno" >/dev/null 2>&1 & else KALVUNO_NO_BROWSER=1 "$build/kalvuno" >/dev/null 2>&1 & fi
    pid=$!
    # The main window is the "Kalvuno" window of its design size.
    # A program that ended, or shows no window within 60 s, ends the benchmark.
    until id=$(xwininfo -root -children 2>/dev/null | awk '/"Kalvuno".* 786x583/ {print $1; exit}') && [ -n "$id" ] &&
          xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; do
      if ! kill -0 $pid 2>/dev/null || [ $(( $(date +%s%N) - start )) -gt 60000000000 ]; then
        kill $pid 2>/dev/null || true
        echo "no window from the program ($kind the web view)" >&2
        exit 1
      fi
      sleep 0.005
    done
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ "$run" != cold ]; then
      echo "window shown after $ms ms ($kind the web view)"
      total[$kind]=$((total[$kind] + ms))
    fi
    # Let the browser start before it is stopped, as a user's session would.
    sleep 2
    kill $pid; wait $pid 2>/dev/null || true
  done
done
awk -v w=${total[with]} -v o=${total[without]} 'BEGIN {
  printf "window shown: %.0f ms with the web view, %.0f ms without, ratio %.2fx\n", w / 5, o / 5, (o > 0 ? w / o : 0) }'

"$build/kalvuno" >/dev/null 2>&1 &
pid=$!
sleep 8
a=$(all_ticks $pid); sleep 60; b=$(all_ticks $pid)
awk -v t=$((b - a)) -v hz=$hz 'BEGIN {
  printf "idle, top page shown: %.2f s of CPU in 60 s (%.2f %% of one core), program and browser helpers\n", t / hz, 100 * t / hz / 60 }'
kill $pid; wait $pid 2>/dev/null || true

# Playing the same MP3 side by side over the same 55 s, so that the machine's
# drift cannot favour one of them: the program with the web view, the program
# without it (a profile of its own, so that the two run beside each other),
# and gst-launch-1.0 playbin.
mkdir -p "$dir/profile-nob"
cp "$KALVUNO_HOME/Kalvuno.ini" "$dir/profile-nob/"
"$build/kalvuno" "$dir/one.pl" >/dev/null 2>&1 &
pid=$!
KALVUNO_HOME="$dir/profile-nob" KALVUNO_NO_BROWSER=1 "$build/kalvuno" "$dir/one.pl" >/dev/null 2>&1 &
nob=$!
"$build/kalvuno_bench_loop_floor" "file://$dir/song.mp3" >/dev/null 2>&1 &
floor=$!
gst-launch-1.0 -q playbin uri="file://$dir/song.mp3" audio-sink="fakesink sync=true" video-sink=fakesink &
gpid=$!
sleep 5
a=$(all_ticks $pid); n1=$(ticks $nob); f1=$(ticks $floor); c=$(ticks $gpid)
sleep 55
b=$(all_ticks $pid); n2=$(ticks $nob); f2=$(ticks $floor); d=$(ticks $gpid)
peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
pss=0
for h in $(helpers $pid); do
  pss=$((pss + $(awk '/^Pss:/ {print $2}' "/proc/$h/smaps_rollup" 2>/dev/null || echo 0)))
done
echo "memory while playing, top page shown: program peak RSS $((peak / 1024)) MiB, browser helpers $((pss / 1024)) MiB PSS ($(helpers $pid | wc -l) processes)"
kill $pid $nob $floor $gpid; wait $pid $nob $floor $gpid 2>/dev/null || true
awk -v p=$((b - a)) -v n=$((n2 - n1)) -v f=$((f2 - f1)) -v g=$((d - c)) -v hz=$hz 'BEGIN {
  printf "playing 55 s side by side: program with the web view (and its helpers) %.2f s CPU, ratio %.2fx;", p / hz, (g > 0 ? p / g : 0)
  printf " without the web view %.2f s, ratio %.2fx; a bare window on two 50 ms loops %.2f s, ratio %.2fx;", n / hz, (g > 0 ? n / g : 0), f / hz, (g > 0 ? f / g : 0)
  printf " gst-launch playbin %.2f s\n", g / hz }'

# --- The start of sound ---------------------------------------------------
mkfifo "$dir/fifo"
fifo_sink="filesink location=$dir/fifo sync=true buffer-mode=unbuffered"
gst-launch-1.0 -q audiotestsrc num-buffers=430 volume=0.5 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! \
  lamemp3enc ! filesink location="$dir/tone.mp3"
printf '[%s]\r\nTitle=Tone\r\nMP3=%s\r\n' "$dir/tone.mp3" "$dir/tone.mp3" > "$dir/tone.pl"
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }
: > "$dir/exec.program"; : > "$dir/exec.playbin"
for run in 1 2 3 4 5 6 7; do
  rm -f "$KALVUNO_HOME/Current.ini"
  KALVUNO_NO_BROWSER=1 KALVUNO_AUDIO_SINK="$fifo_sink" \
    /usr/bin/python3 "$bench/first_audio.py" exec "$dir/fifo" -- "$build/kalvuno" "$dir/tone.pl" >> "$dir/exec.program"
  /usr/bin/python3 "$bench/first_audio.py" exec "$dir/fifo" -- gst-launch-1.0 -q playbin uri="file://$dir/tone.mp3" \
    audio-sink="$fifo_sink" video-sink=fakesink >> "$dir/exec.playbin"
done
p=$(median < "$dir/exec.program"); g=$(median < "$dir/exec.playbin")
awk -v p="$p" -v g="$g" 'BEGIN {
  printf "first sound from exec (median of 7): program %.3f s, gst-launch playbin %.3f s, ratio %.2fx\n", p, g, p / g }'

# From a call to the running program: it plays the tone from a fresh launch, then gets OpenUri for it again.
KALVUNO_NO_BROWSER=1 KALVUNO_AUDIO_SINK="$fifo_sink" "$build/kalvuno" >/dev/null 2>&1 &
pid=$!
sleep 4
uri="file://$dir/tone.mp3"
/usr/bin/python3 "$bench/first_audio.py" call "$dir/fifo" "$uri" "$uri" "$uri" "$uri" "$uri" "$uri" "$uri" > "$dir/call.program"
kill $pid; wait $pid 2>/dev/null || true
echo "first sound from an MPRIS OpenUri (median of the last 6): $(tail -n +2 "$dir/call.program" | median) s" \
  "(first call $(head -1 "$dir/call.program") s)"

# Tracks of 3 s (2.9 s of tone, 0.1 s of quiet) heard in 300 s, by the program and by mpv side by side.
mkdir -p "$dir/wavs"
gst-launch-1.0 -q audiotestsrc num-buffers=125 samplesperbuffer=1024 volume=0.5 ! \
  audio/x-raw,rate=44100,channels=2,format=S16LE ! wavenc ! filesink location="$dir/tone.wav"
python3 - "$dir/tone.wav" "$dir/wavs" <<'PY'
import sys, wave
with wave.open(sys.argv[1]) as w:
    params, frames = w.getparams(), w.readframes(w.getnframes())
quiet = bytes(4 * 4410)
for i in range(150):
    with wave.open(f"{sys.argv[2]}/{i:03d}.wav", "wb") as out:
        out.setparams(params)
        out.writeframes(frames[: 4 * 127890] + quiet)  # 2.9 s + 0.1 s
PY
: > "$dir/wavs.pl"
for f in "$dir"/wavs/*.wav; do printf '[%s]\r\nTitle=%s\r\nMP3=%s\r\n' "$f" "$(basename "$f")" "$f" >> "$dir/wavs.pl"; done
rm -f "$KALVUNO_HOME/Current.ini"
/usr/bin/python3 "$bench/first_audio.py" tracks "$dir/fifo" 300 > "$dir/tracks.program" &
counter=$!
KALVUNO_NO_BROWSER=1 KALVUNO_AUDIO_SINK="$fifo_sink" "$build/kalvuno" "$dir/wavs.pl" >/dev/null 2>&1 &
pid=$!
# mpv's tracks are its "playing" messages, timed as they come: its null output
# keeps no real time, so the messages also tell how long a 3-second track took it.
timeout 300 mpv --no-config --no-video --ao=null --term-playing-msg=TRACK "$dir"/wavs/*.wav 2>&1 |
  while IFS= read -r line; do if [[ $line == TRACK* ]]; then date +%s.%N; fi; done > "$dir/mpv.times" || true
wait $counter
kill $pid; wait $pid 2>/dev/null || true
read -r tracks lost < "$dir/tracks.program"
mpv_track=$(awk 'NR == 1 {f = $1} {l = $1} END {printf "%.3f", NR > 1 ? (l - f) / (NR - 1) : 0}' "$dir/mpv.times")
echo "tracks heard in 300 s of 3-second WAVs: program $tracks (${lost} ms lost per change)," \
  "mpv $(wc -l < "$dir/mpv.times") (its tracks started every $mpv_track s)"

# Peak memory while playing the tone, without the web view, against gst-launch on the same file.
rm -f "$KALVUNO_HOME/Current.ini"
KALVUNO_NO_BROWSER=1 "$build/kalvuno" "$dir/tone.pl" >/dev/null 2>&1 &
pid=$!
sleep 6
peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
kill $pid; wait $pid 2>/dev/null || true
gpeak=$( { /usr/bin/time -f "%M" gst-launch-1.0 -q playbin uri="file://$dir/tone.mp3" \
  audio-sink="fakesink sync=true" video-sink=fakesink >/dev/null; } 2>&1 | tail -1)
awk -v p="$peak" -v g="$gpeak" 'BEGIN {
  printf "peak RSS playing, no web view: program %d MiB, gst-launch playbin %d MiB, ratio %.2fx\n", p / 1024, g / 1024, p / g }'

# The 50,000-entry current playlist: a saved playlist of that size named on the
# command line against the one-entry playlist above, both playing the same
# file; the program's RSS once the list shows, and the difference per entry.
# (kalvuno_bench_playlist times LoadCurrentList to the list's first paint.)
awk -v song="$dir/song.mp3" 'BEGIN {
  for (i = 0; i < 50000; ++i)
    printf "[%016x]\r\nTitle=夜明けの歌 第%d番\r\nArtist=山田花子とカルテット\r\nGenre=ポップス\r\nMP3=%s\r\nHome=http://example.jp/~hanako/\r\nMP3Count=%d\r\nRank=0102030405\r\n", i, i, song, i * 7 % 1000
}' | iconv -f UTF-8 -t CP932 > "$dir/big.pl"
declare -A rss
for list in one big; do
  rm -f "$KALVUNO_HOME/Current.ini"
  KALVUNO_NO_BROWSER=1 "$build/kalvuno" "$dir/$list.pl" >/dev/null 2>&1 &
  pid=$!
  sleep 10
  rss[$list]=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  kill $pid; wait $pid 2>/dev/null || true
done
awk -v one=${rss[one]} -v big=${rss[big]} 'BEGIN {
  printf "50,000-entry playlist shown and playing: RSS %.0f MiB against %.0f MiB for one entry, %.2f KB per entry\n",
    big / 1024, one / 1024, (big - one) * 1024 / 50000 / 1000 }'
