#!/usr/bin/env bash
# Searches while idle and slow clients hold connections to kalvuno-service:
# wrk's searches per second and p50/p99 latency (2 threads, 8 connections,
# random order, a catalog of 100,000 songs in SQLite) first alone, then while
# 200 other connections are held open without ever completing a request
# (silent ones, unfinished headers, headers trickling in at one byte a
# second; each one the service lets go is opened again at once) and one
# upload sends its body at one byte a second.
#
#   bench/held_connections.sh [BUILD]     (environment: DURATION, default 10 s)
set -euo pipefail
build=$(realpath "${1:-build}")
duration="${DURATION:-10}"
dir=$(mktemp -d)
pid=""
holder=""
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT

"$build/kalvuno_bench_service_seed" "$dir/catalog.db" 100000 >/dev/null
"$build/kalvuno-service" --db "$dir/catalog.db" --port 0 --no-demo >"$dir/log" 2>&1 &
pid=$!
for _ in $(seq 1 600); do grep -q listening "$dir/log" && break; sleep 0.1; done
host=$(grep -o 'http://[0-9.:]*' "$dir/log")
port=${host##*:}
url="$host/kalvuno/center2.fws/search?Max=10&Sort=Random&Open=1"

searches() { # label
  wrk -t 2 -c 8 -d 3s "$url" >/dev/null # warm-up
  local out
  out=$(wrk -t 2 -c 8 -d "${duration}s" --latency "$url")
  printf '| %-44s | %9s | %7s | %7s |\n' "$1" "$(echo "$out" | awk '/Requests\/sec/ {print $2}')" \
    "$(echo "$out" | awk '$1 == "50%" {print $2}')" "$(echo "$out" | awk '$1 == "99%" {print $2}')"
}

echo "| searches (random order, 100,000 songs) | req/s | p50 | p99 |"
echo "|---|---:|---:|---:|"
searches "alone"

python3 - "$port" "$dir/held" <<'PY' &
import selectors, socket, sys, time
port, report = int(sys.argv[1]), sys.argv[2]
openings = [b"", b"GET /kalvuno/center2.fws/search?Max=1 HTTP/1.1\r\nHost: a\r\n",
            b"GET /kalvuno/center2.fws/search?Max=1 HTTP/1.1\r\nX-Slow: "]
sel = selectors.DefaultSelector()
conns = {}  # socket -> kind
reopened = 0
def connect(kind):
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(openings[kind])
    sel.register(s, selectors.EVENT_READ)
    conns[s] = kind
for i in range(200):
    connect(i % 3)
upload = socket.create_connection(("127.0.0.1", port))
upload.sendall(b"POST /kalvuno/center2.fws/send HTTP/1.1\r\nHost: a\r\nContent-Length: 100000\r\n\r\n")
next_drip = time.monotonic() + 1
while True:
    for key, _ in sel.select(timeout=max(0.0, next_drip - time.monotonic())):
        s = key.fileobj
        try:
            data = s.recv(4096)
        except OSError:
            data = b""
        if not data:  # let go by the service: hold another in its place
            kind = conns.pop(s)
            sel.unregister(s)
            s.close()
            connect(kind)
            reopened += 1
    if time.monotonic() >= next_drip:
        next_drip += 1
        upload.sendall(b"x")
        for s, kind in list(conns.items()):
            if kind == 2:
                try:
                    s.sendall(b"x")
                except OSError:
                    pass
        with open(report, "w") as f:
            f.write(f"{len(conns)} {reopened}\n")
PY
holder=$!
sleep 2
searches "while 200 connections and a 1 B/s upload are held"
read -r held reopened < "$dir/held"
echo
echo "Held at the end: $held connections (the service had let go of $reopened, each opened again at once), and the upload."
