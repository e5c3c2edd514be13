#!/usr/bin/env bash
# Load test of kalvuno-service: a 100,000-song catalog, searches of each order
# with and without an artist filter, 8 keep-alive connections from wrk on the
# same machine. Prints throughput, p50/p99 latency and the service's memory.
set -euo pipefail
build="${1:-build}"
dir=$(mktemp -d)
trap 'kill $pid 2>/dev/null; rm -rf "$dir"' EXIT
"$build/kalvuno_bench_service_seed" "$dir/catalog.db" 100000
"$build/kalvuno-service" --db "$dir/catalog.db" --port 0 --no-demo >"$dir/log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do grep -q listening "$dir/log" && break; sleep 0.1; done
base=$(grep -o 'http://[0-9.:]*' "$dir/log")/kalvuno/center2.fws/search
rss() { awk '/VmRSS/ {print $2 " kB"}' "/proc/$pid/status"; }
echo "service memory at start: $(rss)"
# 山 is %8ER in CP932, 山田 %8ER%93c; "ka" is Latin.
for q in "Sort=Random" "Sort=New" "Sort=Rank0" \
         "Sort=Random&Artist=%8ER" "Sort=New&Artist=%8ER%93c" "Sort=Rank0&Artist=%8ER" "Sort=Random&Artist=ka"; do
  url="$base?Max=10&$q&Open=1"
  out=$(wrk -t 2 -c 8 -d 10s --latency "$url")
  rps=$(echo "$out" | awk '/Requests\/sec/ {print $2}')
  p50=$(echo "$out" | awk '$1 == "50%" {print $2}')
  p99=$(echo "$out" | awk '$1 == "99%" {print $2}')
  printf '%-28s %10s req/s   p50 %-9s p99 %-9s memory %s\n' "$q" "$rps" "$p50" "$p99" "$(rss)"
done
